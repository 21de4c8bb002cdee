// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the places an export writes to: a file replaced whole, a fresh file, a stream.
#pragma once

#include "platform/ExportTarget.h"

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
class ReplacingFile : public ExportTarget {
public:
    /** A writer for @p targetPath; nothing is created before open(). */
    explicit ReplacingFile(std::string targetPath);
    /** Removes the private file unless commit() succeeded. */
    ~ReplacingFile() override;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /** Creates the private file. Returns false with error() set when it cannot. */
    bool open() override;
    /** Appends @p bytes (all of them, retrying short writes). Returns false with error() set on failure. */
    bool write(std::string_view bytes) override;
    /**
     * Closes the private file and renames it over the target. With @p sync the data is flushed to
     * the disk first. Returns false with error() set on failure; the target is then unchanged.
     */
    bool commit(bool sync);
    bool commit() override { return commit(false); }
    /** Removes the private file, if any; the target is unchanged. */
    void discard() override;

    /**
     * From now on commit() gives the file the permissions of the regular file it replaces, or,
     * with none there, those of a new file (read and write for all, less the process's
     * file-creation mask; owner only where the mask cannot be read). Without this call the file
     * stays private to its owner.
     */
    void useUsualPermissions() { mUsualPermissions = true; }

    /** Why the last operation failed; empty while none has. */
    const std::string& error() const override { return mError; }
    /** The target's path, as given. */
    const std::string& targetPath() const { return mTarget; }
    std::string path() const override { return mTarget; }
    /** The private file while open. */
    std::string stagingPath() const override { return mTemporary; }

private:
    bool fail(const char* what, const std::string& path, int error);

    std::string mTarget;
    std::string mTemporary;
    std::string mError;
    int mFd = -1;
    bool mUsualPermissions = false;
};

/**
 * A new file under a name nobody holds: "<base><ext>", then "<base>-2<ext>", "-3" ... The name is
 * reserved by creating the file exclusively (owner read and write only), so nothing that was
 * there is ever touched. discard() removes it; commit() keeps it.
 */
class FreshFile : public ExportTarget {
public:
    /** A file in @p folder (with or without a trailing separator) named from @p base and @p extension. */
    FreshFile(std::string folder, std::string base, std::string extension);
    ~FreshFile() override;
    bool open() override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    void discard() override;
    const std::string& error() const override { return mError; }
    /** The reserved name; empty before open(). */
    std::string path() const override { return mPath; }
    std::string stagingPath() const override { return mPath; }

private:
    std::string mFolder, mBase, mExtension, mPath, mError;
    int mFd = -1;
    bool mCommitted = false;
};

/** Standard output, or another descriptor the caller owns: written as it comes, nothing to put in place. */
class StreamTarget : public ExportTarget {
public:
    explicit StreamTarget(int fd) : mFd(fd) {}
    bool open() override { return true; }
    bool write(std::string_view bytes) override;
    bool commit() override { return true; }
    void discard() override {}
    const std::string& error() const override { return mError; }
    std::string path() const override { return {}; }
    std::string stagingPath() const override { return {}; }
    /** The errno of the failed write; 0 while none has. */
    int errorNumber() const { return mErrno; }

private:
    int mFd;
    int mErrno = 0;
    std::string mError;
};

/**
 * A private folder for temporary files, made inside @p parent. When it is destroyed, every
 * descriptor of the process that still holds a file in it is closed (such a file can only have
 * been opened by whoever was given this folder), and the folder is removed.
 */
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    /** The folder, without a trailing separator; empty when it could not be made. */
    const std::string& path() const { return mPath; }

private:
    std::string mPath;
};

/** The descriptor of standard output. */
int standardOutput();

} // namespace dirlix
