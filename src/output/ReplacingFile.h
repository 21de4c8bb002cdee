// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a file written completely under a private name, then put in place of the target at once.
#pragma once

#include <string>
#include <string_view>

namespace dirlix {

/**
 * Writes a file so that the target is replaced whole or not at all.
 *
 * open() creates a new private file (owner read and write only, never an existing name) in the
 * target's folder; write() appends to it; commit() closes it and renames it over the target. The
 * rename replaces whatever has the target's name, a link included: a planted link is never
 * followed, and the file it points to is not touched. Until commit() succeeds the target is left as
 * it was; on any failure, and when the object is destroyed without a commit, the private file is
 * removed. Every failure leaves a reason (what failed, the path, the system's error text) in error().
 */
class ReplacingFile {
public:
    /** A writer for @p targetPath; nothing is created before open(). */
    explicit ReplacingFile(std::string targetPath);
    /** Removes the private file unless commit() succeeded. */
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /** Creates the private file. Returns false with error() set when it cannot. */
    bool open();
    /** Appends @p bytes (all of them, retrying short writes). Returns false with error() set on failure. */
    bool write(std::string_view bytes);
    /**
     * Closes the private file and renames it over the target. With @p sync the data is flushed to
     * the disk first. Returns false with error() set on failure; the target is then unchanged.
     */
    bool commit(bool sync = false);
    /** Removes the private file, if any; the target is unchanged. */
    void discard();

    /** Why the last operation failed; empty while none has. */
    const std::string& error() const { return mError; }
    /** The target's path, as given. */
    const std::string& targetPath() const { return mTarget; }

private:
    bool fail(const char* what, const std::string& path, int error);

    std::string mTarget;
    std::string mTemporary;
    std::string mError;
    int mFd = -1;
};

} // namespace dirlix
