// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the places an export writes to: a file replaced whole, a fresh file, a stream.
#pragma once

#include "platform/ExportTarget.h"

#include <string>
#include <string_view>

namespace dirlix {

/**
 * Writes an output file the way its kind asks for, never harming what the name stands for.
 *
 * What open() finds at the target decides:
 * - nothing, or a regular file: a new file is written aside (beside the target, so that the final
 *   rename stays on one file system, created exclusively, owner read and write only) and commit()
 *   renames it over the target, which is thus replaced whole or not at all. A file it replaces keeps
 *   its permissions, and its owner and group as far as the system lets this process give them.
 * - a character device or a FIFO: written in place, as the shell's ">" does, but never created,
 *   emptied, replaced or given other permissions. A FIFO with no reader is refused at once unless
 *   waitForReader() was called; then open() waits for one, as ">" does.
 * - a name of one of the process's own open descriptors (/dev/stdout, /dev/fd/N and the like):
 *   that descriptor is written in place, whatever it is open on.
 * - a symbolic link: replaced like a regular file, never followed; after followLinks(), followed
 *   to the file it names, and that file treated by these rules (a link to nothing is a new file there).
 *   Without followLinks() the name is the program's own, perhaps in a folder others write to, so a
 *   device or FIFO there is written only when it belongs to this process's user.
 * - anything else (a folder, a block device, a socket): refused with a message.
 *
 * A writer that needs a file by name (the workbook library) calls openForName() instead of open()
 * and writes stagingPath(); for a target written in place that file is made in the temporary
 * folder and copied into the target by commit().
 *
 * Until commit() succeeds a replaced target is left as it was; on any failure, and when the object
 * is destroyed without a commit, the file written aside is removed, and so it is when the process
 * is ended by a signal after removeStagingFilesOnSignals(). Every failure leaves a reason (what
 * failed, the path, the system's error text) in error().
 */
class ReplacingFile : public ExportTarget {
public:
    /** A writer for @p targetPath; nothing is created before open(). */
    explicit ReplacingFile(std::string targetPath);
    /** Removes the file written aside unless commit() succeeded. */
    ~ReplacingFile() override;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    /**
     * Looks at the target and gets ready to write it (see the class). Returns false with error()
     * set when it cannot; nothing was created or changed then. Does nothing when already open.
     */
    bool open() override;
    /** As open(), for a writer that writes stagingPath() by name instead of calling write(). */
    bool openForName() override;
    /** Appends @p bytes (all of them, retrying short writes). Returns false with error() set on failure. */
    bool write(std::string_view bytes) override;
    /**
     * Puts what was written in place: renames the file written aside over the target, or copies
     * it into a target written in place, or closes that target. With @p sync the data is flushed
     * to the disk first. Returns false with error() set on failure; a replaced target is then unchanged.
     */
    bool commit(bool sync);
    bool commit() override { return commit(false); }
    /** Removes the file written aside, if any; a replaced target is unchanged. */
    void discard() override;

    /**
     * From now on a new file (one that replaces no regular file) gets the usual permissions: read
     * and write for all, less the process's file-creation mask. Without this call it stays private
     * to its owner. A regular file that is replaced always keeps its permissions.
     */
    void useUsualPermissions() { mUsualPermissions = true; }
    /** From now on a symbolic link at the target is followed instead of replaced (a name the user chose). */
    void followLinks() { mFollowLinks = true; }
    /** From now on open() waits for a reader of a FIFO target instead of refusing it. */
    void waitForReader() { mWaitForReader = true; }

    /**
     * Whether @p name in @p folder (a path text ending in the separator, as a row holds it) is the
     * file this writer writes aside: the same file, not merely the same text. For a walk that may
     * pass through the folder of its own output. Costs a system call only when the names match.
     */
    bool isStagingFile(std::string_view folder, std::string_view name) const;

    /** Why the last operation failed; empty while none has. */
    const std::string& error() const override { return mError; }
    /** The target's path, as given. */
    const std::string& targetPath() const { return mTarget; }
    std::string path() const override { return mTarget; }
    /**
     * The number of the process's own descriptor that open() found the target to name (/dev/stdout,
     * /dev/fd/N, a link to one) and writes in place; -1 for any other target.
     */
    int descriptorWritten() const { return mDescriptor; }
    /** The file written aside while open; empty when the target is written straight in place. */
    std::string stagingPath() const override { return mTemporary; }

private:
    bool openTarget(bool byName);
    bool stageBeside(const std::string& path);
    bool stageInTemporaryFolder();
    bool startInPlace(int fd, bool byName);
    bool fail(const char* what, const std::string& path, int error);

    std::string mTarget;
    std::string mReplaced;  // what commit() renames over: the target, or the file a link leads to
    std::string mTemporary; // the file written aside
    std::string mStagingName; // its last part
    std::string mError;
    int mFd = -1;          // the file written aside, or the target written in place
    int mInPlaceFd = -1;   // a target written in place after a copy from mFd
    int mDescriptor = -1;  // the process's descriptor the target names, if it names one
    bool mInPlace = false;
    bool mOpen = false;
    bool mUsualPermissions = false;
    bool mFollowLinks = false;
    bool mWaitForReader = false;
    int mSlot = -1;        // where the signal handler finds mTemporary
};

/**
 * Makes the process remove every file that a ReplacingFile writes aside (and every ScratchFolder)
 * when it is ended by an interrupt, a termination, a hang-up or a broken pipe, and then end by
 * that same signal. A signal that was being ignored stays ignored. For a program with no window,
 * called once at its start.
 */
void removeStagingFilesOnSignals();

/** Which standard streams were closed when the process started. */
struct ClosedStreams {
    bool input = false, output = false, error = false;
};

/**
 * Opens the null device on each of standard input, output and error that is closed, so that no
 * file opened later takes its number and gets written as standard output; returns which were
 * closed. Called first thing in main().
 */
ClosedStreams claimClosedStandardStreams();

/**
 * In the calling thread from now on, writing to a pipe or FIFO that nobody reads fails with an
 * error instead of ending the process (for a program whose window must survive it).
 */
void failBrokenPipeWritesInThisThread();

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
    int mSlot = -1; // where the signal handler finds it
};

/** The descriptor of standard output. */
int standardOutput();

} // namespace dirlix
