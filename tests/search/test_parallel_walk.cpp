// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the walk on several threads gives exactly the rows and errors of the walk on one.
#include "search/FixtureTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

struct Outcome {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> errors;
    bool found = false;
};

Outcome walkWith(const std::string& folder, unsigned threads, const std::function<int(const std::string&)>& seam = {})
{
    WalkOptions options;
    options.threads = threads;
    options.failFolder = seam;
    FileList list;
    const auto result = search(folder, list, "yyyy-mm-dd HH:MM:SS", options);
    Outcome outcome;
    outcome.rows = rowsOf(list);
    outcome.found = result.folderFound;
    for (const WalkError& error : result.errors)
        outcome.errors.push_back(error.folder + " " + std::to_string(error.error));
    return outcome;
}

// A seeded tree with files and folders in random numbers, dot-folders, links round in circles,
// links to other branches and links to nowhere.
void makeRandomTree(const std::string& root, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::string> folders{root};
    for (int i = 0; i < 300; ++i) {
        const std::string parent = folders[rng() % folders.size()];
        const std::string folder = parent + "/" + (rng() % 9 == 0 ? ".d" : "d") + std::to_string(i);
        makeDirs(folder);
        folders.push_back(folder);
        for (unsigned f = rng() % 12; f > 0; --f)
            writeFile(folder + "/f" + std::to_string(f) + (rng() % 5 == 0 ? "\xfe" : ""), std::string(rng() % 100, 'x'));
        if (rng() % 15 == 0)
            symlink(root.c_str(), (folder + "/up").c_str());
        if (rng() % 15 == 0)
            symlink(folders[rng() % folders.size()].c_str(), (folder + "/across").c_str());
        if (rng() % 20 == 0)
            symlink("nowhere", (folder + "/dangling").c_str());
    }
}

} // namespace

TEST(ParallelWalk, SameRowsAndErrorsAsOneThreadOnEveryTree)
{
    TempDir tmp;
    makeRandomTree(tmp / "random", 7);

    // A chain far deeper than a path may be long, with a few side branches on the way.
    makeDirs(tmp / "deep");
    int fd = open((tmp / "deep").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 3000; ++level) {
        ASSERT_EQ(mkdirat(fd, "level", 0755), 0);
        if (level % 700 == 0) {
            mkdirat(fd, "side", 0755);
            int side = openat(fd, "side", O_RDONLY | O_DIRECTORY);
            close(openat(side, "s", O_WRONLY | O_CREAT, 0644));
            close(side);
        }
        close(openat(fd, "file", O_WRONLY | O_CREAT, 0644));
        int next = openat(fd, "level", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    close(fd);

    const auto unreadable = [&](const std::string& folder) {
        return folder.find("/d1") != std::string::npos && folder.size() % 3 == 0 ? EACCES : 0;
    };
    for (const std::string& tree : {tmp / "random", tmp / "deep", tmp / "missing"}) {
        const Outcome one = walkWith(tree, 1, unreadable);
        for (unsigned threads : {2u, 8u}) {
            const Outcome many = walkWith(tree, threads, unreadable);
            EXPECT_EQ(many.found, one.found) << tree;
            EXPECT_EQ(many.errors, one.errors) << tree << " with " << threads << " threads";
            ASSERT_EQ(many.rows.size(), one.rows.size()) << tree << " with " << threads << " threads";
            EXPECT_TRUE(many.rows == one.rows) << tree << " with " << threads << " threads";
        }
        if (tree == tmp / "random") {
            EXPECT_FALSE(one.rows.empty());
            EXPECT_FALSE(one.errors.empty()) << "the seam must make some folders unreadable";
        }
    }
    EXPECT_EQ(walkWith(tmp / "deep", 2).rows.size(), 3000u + 5u);
}

TEST(ParallelWalk, StopLeavesAPrefixOfTheWalkOrder)
{
    TempDir tmp;
    makeRandomTree(tmp.path(), 11);
    const Outcome full = walkWith(tmp.path(), 1);
    ASSERT_GT(full.rows.size(), 200u);

    for (std::size_t stopAfter : {1u, 40u, 150u}) {
        std::atomic<bool> stop{false};
        std::atomic<std::size_t> seen{0};
        WalkOptions options;
        options.threads = 2;
        // Stops from inside the walk once enough folders were opened, as the Stop button would.
        options.failFolder = [&](const std::string&) {
            if (seen.fetch_add(1) == stopAfter)
                stop = true;
            return 0;
        };
        FileList list;
        modSearchDir::SearchDir(tmp.path(), list, [] { return std::string("yyyy-mm-dd HH:MM:SS"); }, options, &stop);
        const auto rows = rowsOf(list);
        EXPECT_LT(rows.size(), full.rows.size());
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), full.rows.begin())) << "stopped after " << stopAfter;
    }
}
