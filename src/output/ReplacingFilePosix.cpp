// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the replacing file writer on POSIX.
#include "output/ReplacingFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dirlix {

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
    while (!bytes.empty()) {
        const ssize_t written = ::write(mFd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return fail("cannot write", mTemporary, errno);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
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

} // namespace dirlix
