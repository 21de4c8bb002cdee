// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading file content on Windows: sequential scans, the last-access time kept, no reparse points.
#include "content/ContentReader.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

namespace dirlix {

namespace {

std::wstring widePath(const std::string& path)
{
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), nullptr, 0);
    std::wstring wide(std::size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), wide.data(), length);
    return wide;
}

// Windows error numbers as the reasons the program gives elsewhere.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

struct Shape {
    std::int64_t size = 0;
    std::int64_t written = 0; // 100 ns units since 1601
    bool operator==(const Shape&) const = default;
};

std::int64_t combined(DWORD high, DWORD low)
{
    return std::int64_t((std::uint64_t(high) << 32) | low);
}

} // namespace

struct ContentReader::OpenFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    Shape shape;
    ~OpenFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }

    ReadStatus open(const std::string& path, const ExpectedFile& expected)
    {
        const std::wstring wide = widePath(path);
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT;
        // Write access to the attributes only, to keep the last-access time below; without it, read alone.
        handle = CreateFileW(wide.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            handle = CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return {ReadOutcome::Failed, errnoOf(GetLastError())};
        FILETIME keep;
        keep.dwLowDateTime = keep.dwHighDateTime = 0xFFFFFFFF; // "do not update the last-access time"
        SetFileTime(handle, nullptr, &keep, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info))
            return {ReadOutcome::NotRegular, 0};
        if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            return {ReadOutcome::NotRegular, 0};
        shape = {combined(info.nFileSizeHigh, info.nFileSizeLow),
                 combined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
        const std::int64_t modifiedSeconds = shape.written / 10000000 - 11644473600LL;
        if ((expected.size && *expected.size != shape.size) || (expected.modified && *expected.modified != modifiedSeconds))
            return {ReadOutcome::Changed, 0};
        return {};
    }

    ReadStatus unchanged() const
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info))
            return {ReadOutcome::Failed, errnoOf(GetLastError())};
        const Shape now{combined(info.nFileSizeHigh, info.nFileSizeLow),
                        combined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
        return now == shape ? ReadStatus{} : ReadStatus{ReadOutcome::Changed, 0};
    }

    // Reads @p size bytes at @p at into @p into; returns the bytes read, or -1 with @p error set.
    long long readAt(unsigned char* into, std::size_t size, std::int64_t at, int& error)
    {
        std::size_t done = 0;
        while (done < size) {
            OVERLAPPED where{};
            where.Offset = DWORD(std::uint64_t(at + std::int64_t(done)) & 0xFFFFFFFF);
            where.OffsetHigh = DWORD(std::uint64_t(at + std::int64_t(done)) >> 32);
            DWORD got = 0;
            const DWORD want = DWORD(std::min<std::size_t>(size - done, 1u << 30));
            if (!ReadFile(handle, into + done, want, &got, &where)) {
                if (GetLastError() == ERROR_HANDLE_EOF)
                    break;
                error = errnoOf(GetLastError());
                return -1;
            }
            if (got == 0)
                break;
            done += got;
        }
        return (long long)done;
    }

    ReadStatus feed(std::int64_t from, std::int64_t length, std::vector<unsigned char>& buffer, Digest& digest, const std::atomic<bool>* stop)
    {
        while (length > 0) {
            // Checked between reads, so that Stop is quick even inside a very large file.
            if (stop && stop->load(std::memory_order_relaxed))
                return {ReadOutcome::Failed, ECANCELED};
            const std::size_t want = std::size_t(std::min<std::int64_t>(length, std::int64_t(buffer.size())));
            int error = 0;
            const long long got = readAt(buffer.data(), want, from, error);
            if (got < 0)
                return {ReadOutcome::Failed, error};
            if (std::size_t(got) != want)
                return {ReadOutcome::Changed, 0};
            digest.update(buffer.data(), want);
            from += std::int64_t(want);
            length -= std::int64_t(want);
        }
        return {};
    }
};

// Windows opens every file by its whole path: there is no folder to keep.
struct ContentReader::Folder {};

ContentReader::ContentReader() = default;
ContentReader::~ContentReader() = default;

std::string ReadStatus::reason() const
{
    switch (outcome) {
    case ReadOutcome::Done:
        return {};
    case ReadOutcome::NotRegular:
        return "not a regular file";
    case ReadOutcome::Changed:
        return "it changed while it was read";
    case ReadOutcome::Failed:
        break;
    }
    return std::strerror(error);
}

ReadStatus ContentReader::digestWhole(const std::string& path, const ExpectedFile& expected, Digest& digest)
{
    digest.reset();
    OpenFile file;
    if (ReadStatus status = file.open(path, expected); !status.ok())
        return status;
    return digestOpened(file, digest);
}

ReadStatus ContentReader::digestWhole(std::string_view folder, std::string_view name, const ExpectedFile& expected,
                                      Digest& digest)
{
    mPath.assign(folder).append(name);
    return digestWhole(mPath, expected, digest);
}

ReadStatus ContentReader::digestOpened(OpenFile& file, Digest& digest)
{
    mBuffer.resize(kReadSize);
    if (ReadStatus status = file.feed(0, file.shape.size, mBuffer, digest, mStop); !status.ok())
        return status;
    int error = 0;
    const long long more = file.readAt(mBuffer.data(), 1, file.shape.size, error);
    if (more != 0)
        return more < 0 ? ReadStatus{ReadOutcome::Failed, error} : ReadStatus{ReadOutcome::Changed, 0};
    return file.unchanged();
}

ReadStatus ContentReader::digestEnds(const std::string& path, const ExpectedFile& expected, std::size_t block,
                                     Digest& digest)
{
    digest.reset();
    OpenFile file;
    if (ReadStatus status = file.open(path, expected); !status.ok())
        return status;
    mBuffer.resize(std::max(block, std::size_t(1)));
    const std::int64_t size = file.shape.size;
    ReadStatus status;
    if (size <= std::int64_t(2 * block)) {
        status = file.feed(0, size, mBuffer, digest, mStop);
    } else {
        status = file.feed(0, std::int64_t(block), mBuffer, digest, mStop);
        if (status.ok())
            status = file.feed(size - std::int64_t(block), std::int64_t(block), mBuffer, digest, mStop);
    }
    return status.ok() ? file.unchanged() : status;
}

ReadStatus ContentReader::compare(const std::string& first, const std::string& second, bool& same)
{
    same = false;
    OpenFile a, b;
    if (ReadStatus status = a.open(first, {}); !status.ok())
        return status.which = 1, status;
    if (ReadStatus status = b.open(second, {}); !status.ok())
        return status.which = 2, status;
    if (a.shape.size != b.shape.size)
        return {};
    mBuffer.resize(kReadSize);
    mSecondBuffer.resize(kReadSize);
    bool differ = false;
    for (std::int64_t at = 0; at < a.shape.size && !differ;) {
        // As in feed(): a Stop must not wait for the end of two very large files.
        if (mStop && mStop->load(std::memory_order_relaxed))
            return {ReadOutcome::Failed, ECANCELED, 1};
        const std::size_t want = std::size_t(std::min<std::int64_t>(a.shape.size - at, std::int64_t(kReadSize)));
        int errorA = 0, errorB = 0;
        const long long gotA = a.readAt(mBuffer.data(), want, at, errorA);
        const long long gotB = b.readAt(mSecondBuffer.data(), want, at, errorB);
        if (gotA < 0)
            return {ReadOutcome::Failed, errorA, 1};
        if (gotB < 0)
            return {ReadOutcome::Failed, errorB, 2};
        if (std::size_t(gotA) != want || std::size_t(gotB) != want)
            return {ReadOutcome::Changed, 0, std::size_t(gotA) != want ? 1 : 2};
        differ = std::memcmp(mBuffer.data(), mSecondBuffer.data(), want) != 0;
        at += std::int64_t(want);
    }
    if (ReadStatus status = a.unchanged(); !status.ok())
        return status.which = 1, status;
    if (ReadStatus status = b.unchanged(); !status.ok())
        return status.which = 2, status;
    same = !differ;
    return {};
}

ReadStatus ContentReader::identify(const std::string& path, FileIdentity& identity)
{
    const std::wstring wide = widePath(path);
    const HANDLE handle = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {ReadOutcome::Failed, errnoOf(GetLastError())};
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return {ReadOutcome::NotRegular, 0};
    identity = {info.dwVolumeSerialNumber, std::uint64_t(combined(info.nFileIndexHigh, info.nFileIndexLow)),
                combined(info.nFileSizeHigh, info.nFileSizeLow)};
    return {};
}

} // namespace dirlix
