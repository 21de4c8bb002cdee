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
#include <functional>
#include <map>
#include <optional>
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

std::string sha256Of(const std::string& bytes)
{
    const auto digest = makeDigest(HashAlgorithm::Sha256);
    digest->update(bytes.data(), bytes.size());
    return digest->hex();
}

// A digest that makes its file change once it was given the first bytes: a file that changes while it is read.
class ChangingDigest final : public Digest {
public:
    explicit ChangingDigest(std::function<void()> change) : mChange(std::move(change)) {}
    void reset() override
    {
        mInner->reset();
        mChanged = false;
    }
    void update(const void* data, std::size_t size) override
    {
        mInner->update(data, size);
        if (!std::exchange(mChanged, true))
            mChange();
    }
    void writeHex(std::string& out) override { mInner->writeHex(out); }

private:
    std::unique_ptr<Digest> mInner = makeDigest(HashAlgorithm::Sha256);
    std::function<void()> mChange;
    bool mChanged = false;
};

// Overwrites @p bytes at @p at in the file at @p path, its size kept unless they reach past its end.
void overwrite(const std::string& path, const std::string& bytes, off_t at)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ::close(fd);
}

// Sets the modified time of @p path far back, so that a write gives it another one even where
// the file system's clock is coarse.
void ageFile(const std::string& path)
{
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
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
    EXPECT_EQ(reader.digestWhole(tree / "file", {10, {}, {}, false}, *digest).outcome, ReadOutcome::Done);
    EXPECT_EQ(digest->hex(), "84d89877f0d4041efb6bf91a16f0248f2fd573e6af05c19f96bedb9f882f7882");
    EXPECT_EQ(reader.digestWhole(tree / "file", {9, {}, {}, false}, *digest).outcome, ReadOutcome::Changed);
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

// A file rewritten with other bytes of its size, grown or cut short while it is read gets no
// checksum, whether it fits in one read or needs several; so does a FIFO or a link that took the
// place of a file the walk saw as regular. A file left alone is read.
TEST(ContentReader, FilesThatChangeWhileTheyAreRead)
{
    TempDir tree;
    const std::string small = pattern(3000, 6), large = pattern(3 * ContentReader::kReadSize + 100, 7);
    const std::string smallPath = tree / "small", largePath = tree / "large";
    const auto fresh = [&] {
        writeFile(smallPath, small);
        writeFile(largePath, large);
        ageFile(smallPath);
        ageFile(largePath);
    };
    // As the walk hands them over: size and modified time, to the nanosecond, of a regular file.
    const ExpectedFile expectSmall{std::int64_t(small.size()), 1000000000, 0, true};
    const ExpectedFile expectLarge{std::int64_t(large.size()), 1000000000, 0, true};
    ContentReader reader;

    fresh();
    ChangingDigest untouched([] {});
    EXPECT_EQ(reader.digestWhole(tree.path() + "/", "small", expectSmall, untouched).outcome, ReadOutcome::Done);
    EXPECT_EQ(untouched.hex(), sha256Of(small));
    EXPECT_EQ(reader.digestWhole(largePath, expectLarge, untouched).outcome, ReadOutcome::Done);
    // Another time than the walk's, if only by nanoseconds: changed since it was listed.
    EXPECT_EQ(reader.digestWhole(smallPath, {std::int64_t(small.size()), 1000000000, 5, true}, untouched).outcome,
              ReadOutcome::Changed);

    const struct {
        const char* what;
        std::string path;
        ExpectedFile expected;
        std::function<void()> change;
    } cases[] = {
        {"one read, rewritten", smallPath, expectSmall, [&] { overwrite(smallPath, pattern(3000, 8), 0); }},
        {"one read, grown", smallPath, expectSmall, [&] { overwrite(smallPath, "more", off_t(small.size())); }},
        {"several reads, rewritten where already read", largePath, expectLarge,
         [&] { overwrite(largePath, "other", 0); }},
        {"several reads, grown", largePath, expectLarge, [&] { overwrite(largePath, "more", off_t(large.size())); }},
        {"several reads, cut short", largePath, expectLarge,
         [&] { ASSERT_EQ(::truncate(largePath.c_str(), off_t(large.size() / 2)), 0); }},
    };
    for (const auto& change : cases) {
        fresh();
        ChangingDigest digest(change.change);
        // The same by the path and by the folder and name, as the checksums of a listing read them.
        EXPECT_EQ(reader.digestWhole(change.path, change.expected, digest).outcome, ReadOutcome::Changed)
            << change.what;
        fresh();
        EXPECT_EQ(reader.digestWhole(tree.path() + "/", change.path.substr(tree.path().size() + 1), change.expected,
                                     digest)
                      .outcome,
                  ReadOutcome::Changed)
            << change.what << ", by folder and name";
    }

    // What the walk saw as regular files, replaced since by a FIFO and a link: never read, never waited on.
    FifoWatch fifo(tree / "fifo");
    ASSERT_EQ(::symlink("small", (tree / "link").c_str()), 0);
    for (const ExpectedFile& walked : {ExpectedFile{0, 1000000000, 0, true}, ExpectedFile{0, {}, {}, true}})
        EXPECT_EQ(reader.digestWhole(tree.path() + "/", "fifo", walked, untouched).outcome, ReadOutcome::NotRegular);
    EXPECT_EQ(reader.digestWhole(tree.path() + "/", "link", expectSmall, untouched).outcome, ReadOutcome::NotRegular);
}

// The checksums of a listing: many rows, of many folders, of small and large files, come out in
// the walk's order, each with its own file's checksum; a link and a FIFO get none (the FIFO never
// opened) and only the regular files are marked so by the walk.
TEST(HashingRows, ManyRowsKeepTheWalkOrder)
{
    TempDir tree;
    std::map<std::string, std::string> expected; // path -> sha256, empty for none
    for (int folder = 0; folder < 4; ++folder) {
        const std::string dir = tree / ("d" + std::to_string(folder));
        makeDirs(dir);
        for (int file = 0; file < 150; ++file) {
            // Mostly small, a few of several reads that end a batch early; one empty.
            const std::size_t size = file % 50 == 7 ? ContentReader::kReadSize + 1000 * file : std::size_t(file * 37);
            const std::string bytes = pattern(size, unsigned(folder * 1000 + file));
            writeFile(dir + "/f" + std::to_string(file), bytes);
            expected[dir + "/f" + std::to_string(file)] = sha256Of(bytes);
        }
    }
    ASSERT_EQ(::symlink("f1", (tree / "d1/link").c_str()), 0);
    expected[tree / "d1/link"] = "";
    FifoWatch fifo(tree / "d2/fifo");
    expected[tree / "d2/fifo"] = "";

    const auto paths = [&](bool hashed, std::map<std::string, std::string>* hashes) {
        WalkOptions options;
        options.threads = 2;
        BackgroundWalk walk(options);
        walk.start(tree.path());
        WalkRows rows(walk, "yyyy");
        std::optional<HashingRows> hashing;
        if (hashed)
            hashing.emplace(rows, HashAlgorithm::Sha256, 3);
        RowSource& source = hashing ? static_cast<RowSource&>(*hashing) : rows;
        std::vector<std::string> order;
        for (Row row; source.next(row);) {
            order.push_back(std::string(row.folder) + std::string(row.name));
            if (hashes) {
                (*hashes)[order.back()] = std::string(row.hash);
                const bool regular = row.values.flags & RecordRegularFile;
                EXPECT_EQ(regular, !expected[order.back()].empty()) << order.back();
            }
        }
        walk.wait();
        return order;
    };
    std::map<std::string, std::string> hashes;
    const std::vector<std::string> hashedOrder = paths(true, &hashes);
    EXPECT_EQ(hashedOrder, paths(false, nullptr));
    EXPECT_EQ(hashes, expected);
    EXPECT_FALSE(fifo.opened()) << "the FIFO was opened";
}
