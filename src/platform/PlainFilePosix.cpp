// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: plain files on POSIX: open with O_NONBLOCK, fstat, pread.
#include "platform/PlainFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dirlix::fsys {

namespace {

FileKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Folder;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileKind::Device;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    return FileKind::Other;
}

FileStamp stampOf(const struct stat& info)
{
    FileStamp stamp;
    stamp.id = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
    stamp.size = info.st_size;
    stamp.modifiedNs = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

const char* fileKindText(FileKind kind)
{
    switch (kind) {
    case FileKind::Regular: return "";
    case FileKind::Folder: return "a folder";
    case FileKind::Fifo: return "a FIFO";
    case FileKind::Device: return "a device";
    case FileKind::Socket: return "a socket";
    case FileKind::Other: break;
    }
    return "not a regular file";
}

int openRegularFile(const std::string& path, FileHandle& out, FileKind& kind, FileStamp& stamp)
{
    out = kNoFile;
    struct stat info;
    // Looked at before opening, so that opening a device has no effect on it; then again on what
    // was opened, in case the path was swapped in between. O_NONBLOCK: a FIFO opens at once.
    if (::stat(path.c_str(), &info) != 0)
        return errno;
    kind = kindOf(info.st_mode);
    if (kind != FileKind::Regular)
        return EINVAL;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    kind = kindOf(info.st_mode);
    if (kind != FileKind::Regular) {
        ::close(fd);
        return EINVAL;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    stamp = stampOf(info);
    out = fd;
    return 0;
}

int readFile(FileHandle file, char* into, std::size_t size, std::size_t& got)
{
    got = 0;
    for (;;) {
        const ssize_t n = ::read(file, into, size);
        if (n >= 0) {
            got = std::size_t(n);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

int readFileAt(FileHandle file, std::uint64_t offset, char* into, std::size_t size, std::size_t& got)
{
    got = 0;
    for (;;) {
        const ssize_t n = ::pread(file, into, size, off_t(offset));
        if (n >= 0) {
            got = std::size_t(n);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

int fileStamp(FileHandle file, FileStamp& stamp)
{
    struct stat info;
    if (::fstat(file, &info) != 0)
        return errno;
    stamp = stampOf(info);
    return 0;
}

void closeFile(FileHandle file)
{
    if (file != kNoFile)
        ::close(file);
}

int pathIdentity(const std::string& path, FileId& id)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return errno;
    id = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
    return 0;
}

int entryIsFile(const std::string& path, bool& isFile)
{
    struct stat info;
    isFile = false;
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    isFile = !S_ISDIR(info.st_mode);
    return 0;
}

} // namespace dirlix::fsys
