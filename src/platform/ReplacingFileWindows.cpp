// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the places an export writes to, on Windows: written aside, then moved over the target.
#include "platform/ReplacingFile.h"
#include "platform/WinPath.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <set>

namespace dirlix {

namespace {

// Writes all of @p bytes to the C runtime descriptor @p fd. Returns 0 or an errno.
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const unsigned chunk = unsigned(std::min<std::size_t>(bytes.size(), INT_MAX / 2));
        const int written = ::_write(fd, bytes.data(), chunk);
        if (written < 0)
            return errno;
        bytes.remove_prefix(std::size_t(written));
    }
    return 0;
}

std::string describe(const char* what, const std::string& path, DWORD error)
{
    return std::string(what) + " " + path + ": " + win::errorText(error);
}

// Creates @p path, failing when anything has that name, and hands it over as a C runtime
// descriptor (binary, so that line ends are written as given). Returns -1 with the error in @p error.
int createNew(const std::string& path, DWORD& error)
{
    const std::wstring name = win::longPath(path);
    // Shared for deletion, so that the console's Ctrl+C handler can remove it while it is open, and
    // for reading and writing, because the workbook library opens the file again by its name
    // (without that, its fopen fails with a sharing violation and the workbook is never written).
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        error = ERROR_TOO_MANY_OPEN_FILES;
        CloseHandle(file);
        DeleteFileW(name.c_str());
    }
    return fd;
}

// A name part nobody else picks at the same moment: the process, a count and the clock.
std::string uniquePart()
{
    static std::atomic<unsigned> next{0};
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next.fetch_add(1)) + "-" +
           std::to_string(GetTickCount64() % 1000000);
}

// The files written aside right now, for the console control handler to remove.
std::mutex gStagingLock;
std::set<std::wstring>& staged()
{
    static std::set<std::wstring> files;
    return files;
}

void registerStaging(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(gStagingLock);
    staged().insert(win::longPath(path));
}

void releaseStaging(const std::string& path)
{
    if (path.empty())
        return;
    const std::lock_guard<std::mutex> lock(gStagingLock);
    staged().erase(win::longPath(path));
}

// Windows runs this in a thread of its own on Ctrl+C, Ctrl+Break or a closed console; the
// process ends after it (FALSE: the next handler, finally the default one, ends it).
BOOL WINAPI removeStagedFiles(DWORD)
{
    const std::lock_guard<std::mutex> lock(gStagingLock);
    for (const std::wstring& file : staged())
        DeleteFileW(file.c_str());
    staged().clear();
    return FALSE;
}

// The identity of an open file: its volume and its number there.
bool identityOf(HANDLE file, std::pair<DWORD, ULONGLONG>& identity)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return false;
    identity = {info.dwVolumeSerialNumber, (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

} // namespace

void removeStagingFilesOnSignals()
{
    SetConsoleCtrlHandler(removeStagedFiles, TRUE);
}

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
    // Beside the target, so that putting it in place is a rename on one volume.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = mTarget + "." + uniquePart() + ".tmp";
        DWORD error = 0;
        const int fd = createNew(name, error);
        if (fd >= 0) {
            mFd = fd;
            mTemporary = name;
            registerStaging(name);
            return true;
        }
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            mError = describe("cannot create a file beside", mTarget, error);
            return false;
        }
    }
    mError = "cannot create a file beside " + mTarget + ": every name is taken";
    return false;
}

// Every target here is a file staged beside it and renamed over it, so the file written by name
// is the same one write() would fill.
bool ReplacingFile::openForName()
{
    return open();
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
    if (sync && ::_commit(mFd) != 0) {
        const int error = errno;
        discard();
        return fail("cannot write", mTarget, error);
    }
    const int fd = mFd;
    mFd = -1;
    if (::_close(fd) != 0) {
        const int error = errno;
        discard();
        return fail("cannot write", mTarget, error);
    }
    const std::wstring from = win::longPath(mTemporary);
    const std::wstring to = win::longPath(mTarget);
    // Windows refuses to replace a read-only file; asked first, so that the answer is the same
    // wherever the rename itself would not refuse (a network share, wine).
    const DWORD existing = GetFileAttributesW(to.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
        discard();
        mError = "cannot replace " + mTarget + ": the file is read-only";
        return false;
    }
    if (mUsualPermissions) {
        // Windows has no creation mask: a new file takes its folder's permissions. What the
        // replaced file had of its own is its hidden and system marks, and those are kept.
        if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesW(from.c_str(), existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    }
    // One rename that either replaces the target whole or leaves it as it was; a read-only
    // target refuses it. The write-through flag returns only once the rename is on the disk.
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        discard();
        mError = describe("cannot replace", mTarget, error);
        return false;
    }
    releaseStaging(mTemporary);
    mTemporary.clear();
    return true;
}

void ReplacingFile::discard()
{
    if (mFd >= 0) {
        ::_close(mFd);
        mFd = -1;
    }
    if (!mTemporary.empty()) {
        DeleteFileW(win::longPath(mTemporary).c_str());
        releaseStaging(mTemporary);
        mTemporary.clear();
    }
}

bool ReplacingFile::isStagingFile(std::string_view folder, std::string_view name) const
{
    const std::size_t cut = mTemporary.find_last_of("\\/");
    const std::string_view staging =
        cut == std::string::npos ? std::string_view(mTemporary) : std::string_view(mTemporary).substr(cut + 1);
    if (mFd < 0 || staging.empty() || name != staging)
        return false;
    const std::wstring path = win::longPath(std::string(folder) + std::string(name));
    HANDLE row = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (row == INVALID_HANDLE_VALUE)
        return false;
    std::pair<DWORD, ULONGLONG> theirs, ours;
    const bool same = identityOf(row, theirs) &&
                      identityOf(reinterpret_cast<HANDLE>(::_get_osfhandle(mFd)), ours) && theirs == ours;
    CloseHandle(row);
    return same;
}

FreshFile::FreshFile(std::string folder, std::string base, std::string extension)
    : mFolder(std::move(folder)), mBase(std::move(base)), mExtension(std::move(extension))
{
    if (mFolder.empty())
        mFolder = ".";
    if (mFolder.back() != '\\' && mFolder.back() != '/')
        mFolder += '\\';
}

FreshFile::~FreshFile()
{
    if (!mCommitted)
        discard();
    else if (mFd >= 0)
        ::_close(mFd);
}

bool FreshFile::open()
{
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const std::string candidate =
            mFolder + mBase + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + mExtension;
        DWORD error = 0;
        const int fd = createNew(candidate, error);
        if (fd >= 0) {
            mFd = fd;
            mPath = candidate;
            return true;
        }
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            mError = describe("cannot create a file in", mFolder, error);
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
    if (mFd >= 0 && ::_close(mFd) != 0) {
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
        ::_close(mFd);
    mFd = -1;
    if (!mPath.empty() && !mCommitted)
        DeleteFileW(win::longPath(mPath).c_str());
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
    const std::string base = (parent.empty() ? std::string(".") : parent) + "\\.dirlix-";
    for (int attempt = 0; attempt < 100 && mPath.empty(); ++attempt) {
        const std::string name = base + uniquePart();
        if (CreateDirectoryW(win::longPath(name).c_str(), nullptr))
            mPath = name;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

namespace {
// The path the system gives for the open @p handle ("\\?\C:\..."); empty for what is no file.
std::wstring finalPathOf(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

// Closes every C runtime descriptor of the process that holds a file inside @p folder. The
// workbook library leaves the temporary files of a workbook whose closing failed open, and an
// open file can be neither deleted nor its folder removed. Called only with a folder of the
// process's own, whose files nobody else was given.
void closeDescriptorsInside(const std::wstring& folder)
{
    const HANDLE folderHandle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folderHandle == INVALID_HANDLE_VALUE)
        return;
    const std::wstring prefix = finalPathOf(folderHandle) + L"\\";
    CloseHandle(folderHandle);
    if (prefix.size() == 1)
        return;
    // mingw-w64's C runtime (msvcrt) has at most 2048 descriptors and answers an unused one with -1.
    for (int fd = 3; fd < 2048; ++fd) {
        const intptr_t handle = _get_osfhandle(fd);
        if (handle == -1 || GetFileType(HANDLE(handle)) != FILE_TYPE_DISK)
            continue;
        const std::wstring path = finalPathOf(HANDLE(handle));
        if (path.size() > prefix.size() &&
            CompareStringOrdinal(path.c_str(), int(prefix.size()), prefix.c_str(), int(prefix.size()), TRUE) == CSTR_EQUAL)
            _close(fd);
    }
}
} // namespace

ScratchFolder::~ScratchFolder()
{
    if (mPath.empty())
        return;
    closeDescriptorsInside(win::longPath(mPath));
    // A file still open elsewhere cannot be removed on Windows; the folder then stays, with it.
    const std::wstring folder = win::longPath(mPath) + L"\\";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + data.cFileName).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// Windows raises no signal for a write to a pipe nobody reads: the write fails with an error already.
void failBrokenPipeWritesInThisThread() {}

ClosedStreams claimClosedStandardStreams()
{
    // A stream the program was started without has no handle; its C runtime number then gets the
    // null device, so that no file opened later takes it and is written as standard output.
    const DWORD which[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    bool closed[3] = {};
    for (int fd = 0; fd < 3; ++fd) {
        const HANDLE handle = ::GetStdHandle(which[fd]);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            continue;
        closed[fd] = true;
        const int null = ::_open("NUL", _O_RDWR | _O_BINARY);
        if (null >= 0 && null != fd) {
            ::_dup2(null, fd);
            ::_close(null);
        }
    }
    return {closed[0], closed[1], closed[2]};
}

int standardOutput()
{
    // The exports write their line ends themselves: the runtime must not turn "\n" into "\r\n" again.
    ::_setmode(1, _O_BINARY);
    return 1;
}

} // namespace dirlix
