// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: scratch folders and file times on POSIX systems.
#include "support/TempDir.h"

#include "output/DateTime.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace dirlix::test {

namespace {
[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}
} // namespace

TempDir::TempDir()
    : TempDir([] {
          const char* base = std::getenv("TMPDIR");
          return std::string(base && *base ? base : "/tmp");
      }())
{
}

std::string TempDir::memoryBase()
{
    struct statfs fs;
    if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC && ::access("/dev/shm", W_OK | X_OK) == 0)
        return "/dev/shm";
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

TempDir::TempDir(const std::string& base)
{
    std::string pattern = base + "/dirlix-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        fail("mkdtemp", pattern);
    mPath = pattern;
}

std::filesystem::path fsPath(const std::string& path) { return path; }

std::string genericSeparators(std::string path) { return path; }

bool isSuperUser() { return ::geteuid() == 0; }

bool setTimeZone(const char* zone)
{
    ::setenv("TZ", zone, 1);
    ::tzset();
    timeZoneChanged();
    return true;
}

void setTimes(const std::string& path, std::time_t seconds)
{
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("utimensat", path);
}

} // namespace dirlix::test
