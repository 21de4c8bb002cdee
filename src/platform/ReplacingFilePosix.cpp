// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the export targets on POSIX.
#include "platform/ReplacingFile.h"

#include <cerrno>
#include <dirent.h>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

namespace dirlix {

namespace {

// Writes all of @p bytes to @p fd, retrying short writes. Returns 0 or an errno.
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The process's file-creation mask, read without changing it (umask() would, for every thread for a
// moment). Linux shows it in /proc; elsewhere it is taken to be the strictest.
mode_t creationMask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask & 0777);
    }
    return 0077;
}

} // namespace

ReplacingFile::ReplacingFile(std::string targetPath) : mTarget(std::move(targetPath)) {}

ReplacingFile::~ReplacingFile()
{
    discard();
}

bool ReplacingFile::fail(const char* what, const std::string& path, int error)
{
    mError = std::string(what) + " " + path + ": " + std::strerror(error);
    return false;
}

bool ReplacingFile::open()
{
    discard();
    mError.clear();
    // The private name sits beside the target so that the final rename stays on one file system.
    // mkostemp creates it with O_EXCL and mode 0600, so no other user's file or link is ever opened.
    std::string name = mTarget + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return fail("cannot create a file beside", mTarget, errno);
    mFd = fd;
    mTemporary = std::move(name);
    return true;
}

bool ReplacingFile::write(std::string_view bytes)
{
    if (mFd < 0)
        return fail("not open for writing:", mTarget, EBADF);
    if (const int error = writeAll(mFd, bytes); error != 0)
        return fail("cannot write", mTemporary, error);
    return true;
}

bool ReplacingFile::commit(bool sync)
{
    if (mFd < 0)
        return fail("not open for writing:", mTarget, EBADF);
    if (sync && ::fsync(mFd) != 0) {
        const int error = errno;
        discard();
        return fail("cannot write", mTarget, error);
    }
    if (mUsualPermissions) {
        // Taken from what is there now, just before the rename: the file it replaces.
        struct stat existing{};
        const mode_t mode = ::stat(mTarget.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                                ? (existing.st_mode & 0777)
                                : (0666 & ~creationMask());
        if (::fchmod(mFd, mode) != 0) {
            const int error = errno;
            discard();
            return fail("cannot set the permissions of", mTarget, error);
        }
    }
    const int fd = mFd;
    mFd = -1;
    // A failing close can report a lost write (NFS, a full disk): the file is not trusted then.
    if (::close(fd) != 0) {
        const int error = errno;
        discard();
        return fail("cannot write", mTarget, error);
    }
    if (::rename(mTemporary.c_str(), mTarget.c_str()) != 0) {
        const int error = errno;
        discard();
        return fail("cannot replace", mTarget, error);
    }
    mTemporary.clear();
    return true;
}

void ReplacingFile::discard()
{
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
    if (!mTemporary.empty()) {
        ::unlink(mTemporary.c_str());
        mTemporary.clear();
    }
}


FreshFile::FreshFile(std::string folder, std::string base, std::string extension)
    : mFolder(std::move(folder)), mBase(std::move(base)), mExtension(std::move(extension))
{
    if (mFolder.empty())
        mFolder = ".";
    if (mFolder.back() != '/')
        mFolder += '/';
}

FreshFile::~FreshFile()
{
    if (!mCommitted)
        discard();
    else if (mFd >= 0)
        ::close(mFd);
}

bool FreshFile::open()
{
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const std::string candidate =
            mFolder + mBase + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + mExtension;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            mFd = fd;
            mPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            mError = "cannot create a file in " + mFolder + ": " + std::strerror(errno);
            return false;
        }
    }
    mError = "cannot create a file in " + mFolder + ": every name is taken";
    return false;
}

bool FreshFile::write(std::string_view bytes)
{
    if (const int error = mFd < 0 ? EBADF : writeAll(mFd, bytes); error != 0) {
        mError = "cannot write " + mPath + ": " + std::strerror(error);
        return false;
    }
    return true;
}

bool FreshFile::commit()
{
    mCommitted = true;
    if (mFd >= 0 && ::close(mFd) != 0) {
        mFd = -1;
        mError = "cannot write " + mPath + ": " + std::strerror(errno);
        return false;
    }
    mFd = -1;
    return true;
}

void FreshFile::discard()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
    if (!mPath.empty() && !mCommitted)
        ::unlink(mPath.c_str());
}

bool StreamTarget::write(std::string_view bytes)
{
    if (const int error = writeAll(mFd, bytes); error != 0) {
        mErrno = error;
        mError = std::string("write error: ") + std::strerror(error);
        return false;
    }
    return true;
}

ScratchFolder::ScratchFolder(const std::string& parent)
{
    std::string name = (parent.empty() ? std::string(".") : parent) + "/.dirlix-XXXXXX";
    if (::mkdtemp(name.data()))
        mPath = std::move(name);
}

ScratchFolder::~ScratchFolder()
{
    if (mPath.empty())
        return;
    // Linux names each open file in /proc/self/fd; elsewhere nothing is found and nothing closed.
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        const std::string prefix = mPath + "/";
        std::vector<int> inside;
        while (const dirent* entry = ::readdir(fds)) {
            char target[4096];
            const ssize_t n = ::readlinkat(::dirfd(fds), entry->d_name, target, sizeof target);
            if (n > 0 && std::string_view(target, std::size_t(n)).substr(0, prefix.size()) == prefix)
                inside.push_back(std::atoi(entry->d_name));
        }
        ::closedir(fds);
        for (int fd : inside)
            ::close(fd);
    }
    // Whatever the library left by name goes too.
    if (DIR* folder = ::opendir(mPath.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (entry->d_name[0] != '.')
                ::unlinkat(::dirfd(folder), entry->d_name, 0);
        ::closedir(folder);
    }
    ::rmdir(mPath.c_str());
}

int standardOutput()
{
    return STDOUT_FILENO;
}

} // namespace dirlix
