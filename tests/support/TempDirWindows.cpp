// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: scratch folders and file times on Windows. Paths are UTF-8 here as everywhere in
// the tests; they become UTF-16 only at the calls.
#include "support/TempDir.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <windows.h>

namespace dirlix::test {

namespace {
[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": Windows error " + std::to_string(::GetLastError()));
}

std::wstring wide(const std::string& utf8)
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(std::size_t(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), length);
    return text;
}

// The user's temporary folder (TEMP), without a trailing separator.
std::string temporaryFolder()
{
    const std::u8string folder = std::filesystem::temp_directory_path().generic_u8string();
    std::string base(folder.begin(), folder.end());
    while (base.size() > 3 && (base.back() == '/' || base.back() == '\\'))
        base.pop_back();
    return base;
}
} // namespace

TempDir::TempDir() : TempDir(temporaryFolder()) {}

// Windows has no memory file system a test may count on.
std::string TempDir::memoryBase() { return temporaryFolder(); }

TempDir::TempDir(const std::string& base)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base + "/dirlix-test-";
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        if (::CreateDirectoryW(wide(name).c_str(), nullptr)) {
            mPath = name;
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            fail("CreateDirectoryW", name);
    }
    fail("CreateDirectoryW", base + "/dirlix-test-*");
}

std::filesystem::path fsPath(const std::string& path) { return std::u8string(path.begin(), path.end()); }

std::string genericSeparators(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Administrators still meet a file's access rules; nothing here reads past them.
bool isSuperUser() { return false; }

// The Windows C library reads no IANA names, and the local zone comes from the system's settings.
bool setTimeZone(const char*) { return false; }

void setTimes(const std::string& path, std::time_t seconds)
{
    // The link itself, not what it leads to, as on Linux; folders open only with backup semantics.
    const HANDLE file = ::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail("CreateFileW", path);
    // 100-nanosecond steps since 1601-01-01.
    ULARGE_INTEGER steps;
    steps.QuadPart = (ULONGLONG(seconds) + 11644473600ULL) * 10000000ULL;
    FILETIME time{steps.LowPart, steps.HighPart};
    const bool set = ::SetFileTime(file, nullptr, &time, &time);
    ::CloseHandle(file);
    if (!set)
        fail("SetFileTime", path);
}

} // namespace dirlix::test
