// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: reading file content: duplicate groups, files that change, access times kept.
#include "content/ContentReader.h"
#include "content/DuplicateFinder.h"
#include "content/HashingRows.h"
#include "search/WalkHandOff.h"
#include "support/FifoWatch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

std::string pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 2654435761u + seed) >> 7);
    return bytes;
}

// The groups of duplicates below @p folder, as sets of paths.
std::vector<std::set<std::string>> groupsBelow(const std::string& folder, std::vector<DuplicateGroup>* raw = nullptr)
{
    WalkOptions options;
    BackgroundWalk walk(options);
    walk.start(folder);
    WalkRows rows(walk, "yyyy");
    DuplicateFinder finder(3);
    std::vector<DuplicateGroup> groups = finder.find(rows);
    walk.wait();
    std::vector<std::set<std::string>> sets;
    for (const DuplicateGroup& group : groups)
        sets.emplace_back(group.paths.begin(), group.paths.end());
    if (raw)
        *raw = std::move(groups);
    return sets;
}

} // namespace

// Groups hold exactly the identical files: alike ends but a different middle, a different first or
// last byte, or equal sizes alone never make a group; hard links count once; empty files, links
// and a FIFO (never opened) are left out; the largest waste comes first and files stay in walk order.
TEST(Duplicates, GroupsAreExactlyTheIdenticalFiles)
{
    TempDir tree;
    for (const char* folder : {"a", "b", "c/d"})
        makeDirs(tree / folder);
    const std::string big = pattern(3 * 1024 * 1024 + 17, 1); // more than one read
    writeFile(tree / "a/big", big);
    writeFile(tree / "c/d/big copy", big);
    const std::string small = pattern(5000, 2); // read whole at the first look
    for (const char* name : {"a/small", "b/small", "c/small"})
        writeFile(tree / name, small);
    ASSERT_EQ(::link((tree / "a/small").c_str(), (tree / "b/small link").c_str()), 0);
    std::string middle = pattern(100000, 3);
    writeFile(tree / "a/middle", middle);
    middle[50000] ^= 1; // same first and last blocks
    writeFile(tree / "b/middle", middle);
    std::string last = pattern(20000, 4);
    writeFile(tree / "a/last", last);
    last.back() ^= 1;
    writeFile(tree / "b/last", last);
    std::string first = pattern(6000, 5);
    writeFile(tree / "a/first", first);
    first.front() ^= 1;
    writeFile(tree / "b/first", first);
    writeFile(tree / "a/only linked", "linked twice, no copy");
    ASSERT_EQ(::link((tree / "a/only linked").c_str(), (tree / "b/only linked").c_str()), 0);
    writeFile(tree / "a/empty");
    writeFile(tree / "b/empty");
    ASSERT_EQ(::symlink("small", (tree / "a/small symlink").c_str()), 0);
    FifoWatch fifo(tree / "b/fifo");

    std::vector<DuplicateGroup> raw;
    const auto groups = groupsBelow(tree.path(), &raw);
    EXPECT_FALSE(fifo.opened()) << "a FIFO was opened";
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (std::set<std::string>{tree / "a/big", tree / "c/d/big copy"}));
    // One of the two names of the linked file stands for it, whichever the walk met first.
    std::set<std::string> smalls = groups[1];
    const bool viaLink = smalls.erase(tree / "b/small link") == 1;
    const bool viaName = smalls.erase(tree / "a/small") == 1;
    EXPECT_TRUE(viaLink != viaName) << "hard links to one file counted twice, or not at all";
    EXPECT_EQ(smalls, (std::set<std::string>{tree / "b/small", tree / "c/small"}));
    EXPECT_EQ(raw[0].wasted(), big.size());
    EXPECT_EQ(raw[1].wasted(), 2 * small.size());

    // Within a group, the walk's order: the order of a listing of the same tree.
    WalkOptions options;
    BackgroundWalk walk(options);
    walk.start(tree.path());
    WalkRows rows(walk, "yyyy");
    std::vector<std::string> listed;
    for (Row row; rows.next(row);)
        listed.push_back(std::string(row.folder) + std::string(row.name));
    for (const DuplicateGroup& group : raw) {
        std::vector<std::size_t> at;
        for (const std::string& path : group.paths)
            at.push_back(std::size_t(std::find(listed.begin(), listed.end(), path) - listed.begin()));
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << "a group is not in walk order";
    }
}

// A file that differs from what was listed gets no checksum, never the checksum of other bytes;
// reading a file leaves its access time as it was, even where reading would update it.
TEST(ContentReader, ChangedFilesAndAccessTimes)
{
    TempDir tree;
    writeFile(tree / "file", "0123456789");
    ContentReader reader;
    const auto digest = makeDigest(HashAlgorithm::Sha256);
    EXPECT_EQ(reader.digestWhole(tree / "file", {10, std::nullopt}, *digest).outcome, ReadOutcome::Done);
    EXPECT_EQ(digest->hex(), "84d89877f0d4041efb6bf91a16f0248f2fd573e6af05c19f96bedb9f882f7882");
    EXPECT_EQ(reader.digestWhole(tree / "file", {9, std::nullopt}, *digest).outcome, ReadOutcome::Changed);
    EXPECT_EQ(reader.digestWhole(tree / "missing", {}, *digest).outcome, ReadOutcome::Failed);
    bool same = true;
    writeFile(tree / "other", "0123456780");
    EXPECT_TRUE(reader.compare(tree / "file", tree / "other", same).ok());
    EXPECT_FALSE(same);

    // An access time older than the modified time: relatime and strictatime would both update it.
    const std::string control = tree / "control", kept = tree / "kept";
    for (const std::string& path : {control, kept}) {
        writeFile(path, "content");
        struct timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    EXPECT_EQ(readFile(control), "content");
    struct stat info;
    ASSERT_EQ(::stat(control.c_str(), &info), 0);
    if (info.st_atim.tv_sec == 1000000000)
        GTEST_SKIP() << "this file system never updates access times (noatime), so keeping one shows nothing";
    EXPECT_TRUE(reader.digestWhole(kept, {}, *digest).ok());
    EXPECT_TRUE(reader.digestEnds(kept, {}, 2, *digest).ok());
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, 1000000000) << "reading the file changed its access time";
}
