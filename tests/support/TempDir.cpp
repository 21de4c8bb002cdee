// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: scratch folders and small file helpers, the parts every system shares
// (TempDirPosix.cpp and TempDirWindows.cpp make the folders and set the times).
#include "support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace dirlix::test {

namespace {
[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Restores write and search permission everywhere below @p path so that removal cannot fail
// on folders a test made unreadable.
void makeRemovable(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec)))
        return;
    for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        makeRemovable(it->path());
}
} // namespace

TempDir::~TempDir() { removeTree(mPath); }

void makeDirs(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(fsPath(path), ec);
    if (ec)
        throw std::runtime_error("mkdir " + path + ": " + ec.message());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    if (!(out << bytes) || !out.flush())
        fail("write", path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in)
        fail("read", path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void removeTree(const std::string& path)
{
    const std::filesystem::path tree = fsPath(path);
    // On Windows a file closed a moment ago may still be held (wine's server lets go of it a little
    // later), and removing it fails meanwhile: tried again for a few seconds, then reported.
    constexpr int kAttempts = 30;
    for (int attempt = 1;; ++attempt) {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(tree, ec)))
            return;
        makeRemovable(tree);
        std::filesystem::remove_all(tree, ec);
        if (!ec)
            return;
        if (attempt == kAttempts) {
            std::fprintf(stderr, "warning: the scratch folder %s could not be removed: %s\n", path.c_str(),
                         ec.message().c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace dirlix::test
