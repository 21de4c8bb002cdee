// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: plain files on Windows: CreateFileW with every sharing mode, the file type checked, read at offsets.
#include "platform/PlainFile.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace dirlix::fsys {

namespace {

HANDLE handleOf(FileHandle file)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(file));
}

int lastErrno()
{
    return win::errnoOf(GetLastError());
}

// What the handle names: a named pipe or a console is never read as a list, and a folder opened
// with backup semantics is refused too.
FileKind kindOf(HANDLE handle, const BY_HANDLE_FILE_INFORMATION& info)
{
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
        return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
    case FILE_TYPE_PIPE:
        return FileKind::Fifo;
    case FILE_TYPE_CHAR:
        return FileKind::Device;
    default:
        return FileKind::Other;
    }
}

FileStamp stampOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    FileStamp stamp;
    stamp.id = {std::uint64_t(info.dwVolumeSerialNumber),
                (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    stamp.size = std::int64_t((std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    // 100 ns steps since 1601; only equality matters here, so the epoch is left as it is.
    const std::uint64_t ticks = (std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32)
                                | info.ftLastWriteTime.dwLowDateTime;
    stamp.modifiedNs = std::int64_t(ticks * 100);
    return stamp;
}

// Opens @p path for reading without taking it from anyone: others may still write, rename or
// delete it, as on POSIX.
HANDLE openShared(const std::string& path, DWORD flags)
{
    const std::wstring wide = win::longPath(path);
    if (wide.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

} // namespace

const char* fileKindText(FileKind kind)
{
    switch (kind) {
    case FileKind::Regular: return "";
    case FileKind::Folder: return "a folder";
    case FileKind::Fifo: return "a pipe";
    case FileKind::Device: return "a device";
    case FileKind::Socket: return "a socket";
    case FileKind::Other: break;
    }
    return "not a regular file";
}

int openRegularFile(const std::string& path, FileHandle& out, FileKind& kind, FileStamp& stamp)
{
    out = kNoFile;
    // FILE_FLAG_BACKUP_SEMANTICS lets a folder open, so that it is named as a folder rather than
    // as "access denied"; a pipe opens at once and is refused by its type before any read.
    const HANDLE handle = openShared(path, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return lastErrno();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        // A pipe or a console has no such information: say what it is.
        const int error = lastErrno();
        kind = kindOf(handle, info);
        CloseHandle(handle);
        return kind == FileKind::Regular ? error : EINVAL;
    }
    kind = kindOf(handle, info);
    if (kind != FileKind::Regular) {
        CloseHandle(handle);
        return EINVAL;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return EMFILE;
    }
    stamp = stampOf(info);
    out = fd;
    return 0;
}

int readFile(FileHandle file, char* into, std::size_t size, std::size_t& got)
{
    got = 0;
    DWORD read = 0;
    const DWORD want = size > 0x40000000u ? 0x40000000u : DWORD(size);
    if (!ReadFile(handleOf(file), into, want, &read, nullptr))
        return lastErrno();
    got = read;
    return 0;
}

int readFileAt(FileHandle file, std::uint64_t offset, char* into, std::size_t size, std::size_t& got)
{
    got = 0;
    OVERLAPPED at{};
    at.Offset = DWORD(offset & 0xffffffffu);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD read = 0;
    const DWORD want = size > 0x40000000u ? 0x40000000u : DWORD(size);
    if (!ReadFile(handleOf(file), into, want, &read, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        return lastErrno();
    }
    got = read;
    return 0;
}

int fileStamp(FileHandle file, FileStamp& stamp)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(file), &info))
        return lastErrno();
    stamp = stampOf(info);
    return 0;
}

void closeFile(FileHandle file)
{
    if (file != kNoFile)
        ::_close(file);
}

int pathIdentity(const std::string& path, FileId& id)
{
    const HANDLE handle = openShared(path, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : win::errnoOf(error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    const int error = known ? 0 : lastErrno();
    CloseHandle(handle);
    if (!known)
        return error;
    id = stampOf(info).id;
    return 0;
}

int entryIsFile(const std::string& path, bool& isFile)
{
    isFile = false;
    const std::wstring wide = win::longPath(path);
    if (wide.empty())
        return EINVAL;
    // The entry itself, not a link's target: a link to a folder is listed as a file, as the walk lists it.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : win::errnoOf(error);
    }
    isFile = !(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return 0;
}

} // namespace dirlix::fsys
