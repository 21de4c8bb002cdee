// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a scratch folder removed at the end of its scope, and small file helpers.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace dirlix::test {

/** A new empty folder below $TMPDIR (or /tmp); removed with everything in it on destruction. */
class TempDir {
public:
    TempDir();
    /** A new empty folder below @p base instead. */
    explicit TempDir(const std::string& base);
    /**
     * A new empty folder in memory (/dev/shm) where a writable tmpfs is there, else as TempDir():
     * for trees of thousands of folders, which cost seconds of disk work and mean nothing to a walk.
     */
    static std::string memoryBase();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /** The folder's path, without a trailing separator. */
    const std::string& path() const { return mPath; }
    /** path() + "/" + @p relative. */
    std::string operator/(const std::string& relative) const { return mPath + "/" + relative; }

private:
    std::string mPath;
};

/** @p path (UTF-8, as every path in the tests) as the system's file-system path: its bytes on POSIX systems. */
std::filesystem::path fsPath(const std::string& path);
/** @p path with the system's separators written as "/" (Windows' "\\"; nothing changes on POSIX systems). */
std::string genericSeparators(std::string path);
/** Creates every folder of @p path (like mkdir -p). Throws on failure. */
void makeDirs(const std::string& path);
/** Writes @p bytes to @p path, replacing it. Throws on failure. */
void writeFile(const std::string& path, const std::string& bytes = {});
/** The whole content of @p path. Throws on failure. */
std::string readFile(const std::string& path);
/** Sets the access and modification times of @p path (not following a link) to @p seconds. */
void setTimes(const std::string& path, std::time_t seconds);
/**
 * Removes @p path and everything below it; no error if it does not exist. What is still held open
 * (on Windows) is tried again for a few seconds; what then stays is reported on stderr.
 */
void removeTree(const std::string& path);
/** Whether the tests run with the power to read and write any file (root on POSIX systems; never on Windows). */
bool isSuperUser();
/**
 * Makes @p zone (an IANA name such as "UTC") the process's local time zone through TZ and tells
 * the time code so; false where the system takes its zone from elsewhere (Windows).
 */
bool setTimeZone(const char* zone);
/** Seconds since the epoch of a local date and time (mktime with daylight saving decided by the zone). */
std::time_t localTime(int year, int month, int day, int hour, int minute, int second);

} // namespace dirlix::test
