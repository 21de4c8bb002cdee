// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the walk: order, the filter stage, values, errors, threads, stop. (The hand-off
// to a consumer is tested through its two consumers, in tests/app and tests/cli.)
#include "search/FixtureTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// An independent walk for comparison: readdir on full paths, a folder's files (in listing order)
// before its subfolders (in listing order), dot-folders skipped. No links in the trees it sees.
void referenceWalk(const std::string& folder, std::vector<std::string>& out)
{
    std::vector<std::string> files, folders;
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr) << folder;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st;
        if (name != "." && name != ".." && stat((folder + name).c_str(), &st) == 0)
            (S_ISDIR(st.st_mode) ? folders : files).push_back(name);
    }
    closedir(dir);
    for (const auto& file : files)
        out.push_back(folder + file);
    for (const auto& sub : folders)
        if (sub[0] != '.')
            referenceWalk(folder + sub + "/", out);
}

void makeTree(const std::string& root)
{
    for (const char* file : {"top1.txt", "top2.dat", ".profile", "a/a1", "a/a2", "a/b/b1", "a/b/.git/HEAD",
                             "a/b/.git/objects/x", "a/c/c1", "d/d1", "d/e/f/g/deep", "h/.hidden/skip", "h/h1"}) {
        const std::string path = root + "/" + file;
        makeDirs(path.substr(0, path.rfind('/')));
        writeFile(path, "x");
    }
    makeDirs(root + "/empty/emptier");
}

// A seeded tree with files and folders in random numbers, dot-folders, names with a byte that is
// no UTF-8, links round in circles, links to other branches and links to nowhere.
void makeRandomTree(const std::string& root, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::string> folders{root};
    for (int i = 0; i < 300; ++i) {
        const std::string folder = folders[rng() % folders.size()] + "/" + (rng() % 9 == 0 ? ".d" : "d") + std::to_string(i);
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

struct Outcome {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> errors;
    bool found = false;
};

Outcome walkWith(const std::string& folder, unsigned threads, const std::function<int(const std::string&)>& seam = {},
                 const std::atomic<bool>* stop = nullptr, bool followLinks = false)
{
    WalkOptions options;
    options.threads = threads;
    options.failFolder = seam;
    options.followLinks = followLinks;
    FileList list;
    const auto result = modSearchDir::SearchDir(folder, list, [] { return std::string("yyyy-mm-dd HH:MM:SS"); },
                                                options, stop);
    Outcome outcome{rowsOf(list), {}, result.folderFound};
    for (const WalkError& error : result.errors)
        outcome.errors.push_back(std::to_string(int(error.kind)) + " " + error.path + " " + std::to_string(error.error));
    return outcome;
}

std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST(Walk, FilesBeforeSubfoldersDotFoldersSkippedAndStartFolderAsSpelled)
{
    TempDir tmp;
    makeTree(tmp.path());
    FileList list;
    const auto result = search(tmp.path(), list);
    ASSERT_TRUE(result.folderFound);
    EXPECT_TRUE(result.errors.empty());
    std::vector<std::string> expected;
    referenceWalk(tmp.path() + "/", expected);
    EXPECT_EQ(pathsOf(list), expected);
    EXPECT_EQ(list.count(), 10u); // .git and .hidden are not entered; .profile is listed

    // The separator is added only when missing; a start folder named with a dot is walked.
    FileList again;
    search(tmp.path() + "/", again);
    EXPECT_EQ(pathsOf(again), expected);
    search(tmp.path() + "/a/b/.git", again);
    EXPECT_EQ(again.count(), 2u);

    // A new search starts from an empty list; a text that names no folder gives none.
    search(tmp.path() + "/d", list);
    EXPECT_EQ(list.count(), 2u);
    EXPECT_FALSE(search(tmp / "missing", list).folderFound);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_FALSE(search(tmp / "top1.txt", list).folderFound);
    EXPECT_EQ(Walker::checkStart(tmp / "missing"), ENOENT);
    EXPECT_EQ(Walker::checkStart(tmp / "top1.txt"), ENOTDIR);
    EXPECT_EQ(Walker::checkStart(tmp.path()), 0);
}

TEST(Walk, FilterStageDecidesFoldersNamesAndValues)
{
    // Enters dot-folders but not "c", drops names ending in ".dat" and files without a byte.
    struct Filter : WalkFilter {
        bool entersFolder(std::string_view name, Scratch&) const override { return name != "c"; }
        bool keepsName(std::string_view name, Scratch&) const override { return !name.ends_with(".dat"); }
        bool keepsFile(std::string_view, const FileRecord& values) const override { return values.size > 0; }
        bool needsValues() const override { return true; }
    };
    TempDir tmp;
    makeTree(tmp.path());
    writeFile(tmp / "a/empty", "");
    const std::string root = tmp.path() + "/";
    for (bool namesOnly : {false, true}) { // values the filter needs are read all the same
        WalkOptions options;
        options.filter = std::make_shared<Filter>();
        options.namesOnly = namesOnly;
        Walker walker(options);
        std::vector<std::string> paths;
        walker.run(tmp.path(), [&](WalkBlock&& block) {
            for (const WalkEntry& entry : block.entries)
                paths.push_back(block.folder->text() + std::string(block.name(entry)));
        });
        EXPECT_EQ(sorted(paths), sorted({root + ".profile", root + "a/a1", root + "a/a2", root + "a/b/.git/HEAD",
                                         root + "a/b/.git/objects/x", root + "a/b/b1", root + "d/d1",
                                         root + "d/e/f/g/deep", root + "h/.hidden/skip", root + "h/h1",
                                         root + "top1.txt"}));
        EXPECT_EQ(walker.progress().filteredOut.load(), 2u);
        EXPECT_EQ(walker.progress().files.load(), 11u);
    }
}

TEST(Walk, RecordsHoldTheFilesValues)
{
    TempDir tmp;
    const std::string file = tmp / "Report.txt";
    writeFile(file, std::string(12345, 'r'));
    const std::time_t modified = localTime(2024, 3, 8, 9, 1, 2);
    setTimes(file, modified);
    chmod(file.c_str(), 0444);
    writeFile(tmp / ".profile", "");

    FileList list;
    search(tmp.path(), list, "dd/mm/yy");
    ASSERT_EQ(list.count(), 2u);
    std::string folder;
    const Row first = list.row(0, folder);
    const FileRecord report = first.name == "Report.txt" ? first.values : list.row(1, folder).values;
    const FileRecord profile = first.name == "Report.txt" ? list.row(1, folder).values : first.values;
    EXPECT_TRUE(report.valuesKnown());
    EXPECT_EQ(report.size, 12345);
    EXPECT_EQ(report.modified, modified);
    EXPECT_NE(report.created, 0);
    EXPECT_EQ(report.attributes & (AttrReadOnly | AttrHidden | AttrDirectory), AttrReadOnly);
    EXPECT_EQ(profile.attributes & (AttrReadOnly | AttrHidden), AttrHidden);
    EXPECT_EQ(first.datePattern, "dd/mm/yy");
}

TEST(ParallelWalk, SameRowsAndErrorsAsOneThread)
{
    TempDir tmp;
    makeRandomTree(tmp / "random", 7);
    const auto unreadable = [&](const std::string& folder) {
        return folder.find("/d1") != std::string::npos && folder.size() % 3 == 0 ? EACCES : 0;
    };
    // Links followed, too: which way into a folder lists it, and so which of its paths the seam
    // fails, must not depend on the threads either.
    const std::pair<std::string, bool> walks[] = {{tmp / "random", false}, {tmp / "missing", false}, {tmp / "random", true}};
    for (const auto& walk : walks) {
        const std::string& tree = walk.first;
        const bool follow = walk.second;
        const Outcome one = walkWith(tree, 1, unreadable, nullptr, follow);
        for (unsigned threads : {2u, 8u}) {
            const Outcome many = walkWith(tree, threads, unreadable, nullptr, follow);
            SCOPED_TRACE(tree + (follow ? " following links" : "") + " with " + std::to_string(threads) + " threads");
            EXPECT_EQ(many.found, one.found);
            EXPECT_EQ(many.errors, one.errors);
            ASSERT_EQ(many.rows.size(), one.rows.size());
            EXPECT_TRUE(many.rows == one.rows);
        }
        if (tree == tmp / "random" && !follow) {
            EXPECT_GT(one.rows.size(), 200u);
            // The folders the seam fails are reported with their path and error.
            EXPECT_TRUE(std::any_of(one.errors.begin(), one.errors.end(), [&](const std::string& e) {
                return e.starts_with("0 " + tree + "/") && e.find("/d1") != std::string::npos &&
                       e.ends_with("/ " + std::to_string(EACCES));
            }));

        }
    }
}

TEST(ParallelWalk, StopLeavesAPrefixOfTheWalkOrder)
{
    TempDir tmp;
    makeRandomTree(tmp.path(), 11);
    const Outcome full = walkWith(tmp.path(), 1);
    for (std::size_t stopAfter : {1u, 40u, 150u}) {
        std::atomic<bool> stop{false};
        std::atomic<std::size_t> seen{0};
        // Stops from inside the walk once enough folders were opened, as the Stop button would.
        const Outcome part = walkWith(tmp.path(), 2, [&](const std::string&) {
            if (seen.fetch_add(1) == stopAfter)
                stop = true;
            return 0;
        }, &stop);
        EXPECT_LT(part.rows.size(), full.rows.size());
        EXPECT_TRUE(std::equal(part.rows.begin(), part.rows.end(), full.rows.begin())) << "stopped after " << stopAfter;
    }
}
