// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the walk on real disks: folder links, virtual mounts, hard links, few descriptors.
#include "search/Walker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

struct Walked {
    std::vector<std::string> paths; // folder text + name of every row, in order
    std::vector<WalkError> errors;
    std::uint64_t bytes = 0, sharedRows = 0;
};

WalkOptions following(bool followLinks, bool oneFileSystem = false)
{
    WalkOptions options;
    options.followLinks = followLinks;
    options.oneFileSystem = oneFileSystem;
    return options;
}

Walked walk(const std::string& folder, unsigned threads, WalkOptions options = {})
{
    options.threads = threads;
    Walker walker(options);
    Walked out;
    EXPECT_TRUE(walker.run(folder, [&](WalkBlock&& block) {
        const std::string text = block.folder->text();
        for (std::size_t i = 0; i < block.entries.size(); ++i)
            out.paths.push_back(text + std::string(block.name(block.entries[i])));
    }));
    out.errors = walker.errors();
    out.bytes = walker.progress().bytes;
    out.sharedRows = walker.progress().sharedRows;
    return out;
}

long countOf(const std::vector<std::string>& paths, const std::string& suffix)
{
    return std::count_if(paths.begin(), paths.end(), [&](const std::string& p) {
        return p.size() >= suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
}

void link(const std::string& target, const std::string& at)
{
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0) << at << ": " << std::strerror(errno);
}

} // namespace

TEST(RealDisks, FolderLinksAreRowsUnlessFollowedAndThenEachFolderIsEnteredOnce)
{
    TempDir tmp;
    // A link farm: every folder links to its parent and to the top, 30 deep. Followed blindly it
    // would never end; as rows it is 60 links and 30 files.
    std::string folder = tmp.path();
    for (int depth = 0; depth < 30; ++depth) {
        folder += "/d";
        makeDirs(folder);
        writeFile(folder + "/file");
        link("..", folder + "/up");
        link(tmp.path(), folder + "/top");
    }
    for (unsigned threads : {1u, 4u}) {
        const Walked farm = walk(tmp.path(), threads);
        EXPECT_EQ(farm.paths.size(), 90u) << threads;
        EXPECT_EQ(countOf(farm.paths, "/up"), 30);
        EXPECT_TRUE(farm.errors.empty());
        const Walked followed = walk(tmp.path(), threads, following(true));
        EXPECT_EQ(countOf(followed.paths, "/file"), 30) << threads;
        EXPECT_EQ(countOf(followed.paths, "/up"), 0);
    }

    // A diamond (b reached directly and through a/toB), a cycle (b/c/back leads to b), and links
    // that lead nowhere or round each other, which are rows either way.
    TempDir tree;
    makeDirs(tree / "a");
    makeDirs(tree / "b/c");
    writeFile(tree / "a/fa");
    writeFile(tree / "b/fb");
    writeFile(tree / "b/c/fc");
    link("../b", tree / "a/toB");
    link("../../b", tree / "b/c/back");
    link("nowhere", tree / "dangling");
    link("loop-b", tree / "loop-a");
    link("loop-a", tree / "loop-b");
    for (unsigned threads : {1u, 4u}) {
        const Walked followed = walk(tree.path(), threads, following(true));
        EXPECT_EQ(followed.paths.size(), 6u) << threads;
        for (const char* once : {"/fa", "/fb", "/fc", "/dangling", "/loop-a", "/loop-b"})
            EXPECT_EQ(countOf(followed.paths, once), 1) << once;
        // The cycle is reported where it was met; the second way into b is no error.
        ASSERT_EQ(followed.errors.size(), 1u) << threads;
        EXPECT_EQ(followed.errors[0].kind, WalkErrorKind::CycleSkipped);
        EXPECT_TRUE(followed.errors[0].path.ends_with("/c/back/")) << followed.errors[0].path;
        Walked plain = walk(tree.path(), threads);
        std::sort(plain.paths.begin(), plain.paths.end());
        EXPECT_EQ(plain.paths, (std::vector<std::string>{tree / "a/fa", tree / "a/toB", tree / "b/c/back", tree / "b/c/fc",
                                                          tree / "b/fb", tree / "dangling", tree / "loop-a", tree / "loop-b"}));
        EXPECT_TRUE(plain.errors.empty());
    }
}

TEST(RealDisks, AMountedProcIsNotEnteredFromOutsideButIsWalkedFromInside)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting proc needs root";
    TempDir tmp;
    makeDirs(tmp / "proc");
    writeFile(tmp / "real");
    if (::mount("proc", (tmp / "proc").c_str(), "proc", 0, nullptr) != 0)
        GTEST_SKIP() << "cannot mount proc here: " << std::strerror(errno);
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{tmp / "proc"};

    for (unsigned threads : {1u, 4u}) {
        const Walked outside = walk(tmp.path(), threads);
        EXPECT_EQ(outside.paths, std::vector<std::string>{tmp / "real"}) << threads;
        ASSERT_EQ(outside.errors.size(), 1u);
        EXPECT_EQ(outside.errors[0].kind, WalkErrorKind::VirtualSkipped);
        EXPECT_EQ(outside.errors[0].path, tmp / "proc/");
        EXPECT_TRUE(walk(tmp.path(), threads, following(false, true)).errors.empty());
    }
    const Walked inside = walk(tmp / "proc/self/", 2);
    EXPECT_GT(countOf(inside.paths, "/proc/self/status"), 0);
}

TEST(RealDisks, DeepBranchesUnderALowDescriptorLimitListEveryRow)
{
    // 16 branches of 600 levels: their paths are too long to open whole, so each is walked in
    // one piece holding a chain of handles, all against the 256 descriptors of this process.
    TempDir tmp(TempDir::memoryBase());
    constexpr int kBranches = 16, kDepth = 600;
    for (int branch = 0; branch < kBranches; ++branch) {
        int folder = ::open(tmp.path().c_str(), O_RDONLY | O_DIRECTORY);
        for (int depth = 0; depth < kDepth; ++depth) {
            const std::string top = "b" + std::to_string(branch);
            const char* name = depth == 0 ? top.c_str() : "level";
            ASSERT_EQ(::mkdirat(folder, name, 0755), 0);
            const int child = ::openat(folder, name, O_RDONLY | O_DIRECTORY);
            ::close(folder);
            ASSERT_GE(folder = child, 0);
            ::close(::openat(folder, "f", O_WRONLY | O_CREAT, 0644));
        }
        ::close(folder);
    }
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const Walked walked = walk(tmp.path(), 16);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(walked.paths.size(), std::size_t(kBranches * kDepth));
    for (const WalkError& error : walked.errors)
        ADD_FAILURE() << error.path.substr(0, 80) << ": " << std::strerror(error.error);
}

TEST(RealDisks, AFileWithSeveralHardLinksCountsItsBytesOnce)
{
    TempDir tmp;
    makeDirs(tmp / "sub");
    writeFile(tmp / "shared", std::string(1000, 'x'));
    writeFile(tmp / "single", std::string(10, 'y'));
    ASSERT_EQ(::link((tmp / "shared").c_str(), (tmp / "again").c_str()), 0);
    ASSERT_EQ(::link((tmp / "shared").c_str(), (tmp / "sub/third").c_str()), 0);
    for (unsigned threads : {1u, 4u}) {
        const Walked walked = walk(tmp.path(), threads);
        EXPECT_EQ(walked.paths.size(), 4u) << threads;
        EXPECT_EQ(walked.bytes, 1010u);
        EXPECT_EQ(walked.sharedRows, 2u);
    }
}
