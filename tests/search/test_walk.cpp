// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the walk into the file list: order, skipped folders, texts, links, depth, odd names.
#include "search/FixtureTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
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
        if (name == "." || name == "..")
            continue;
        struct stat st;
        ASSERT_EQ(stat((folder + name).c_str(), &st), 0);
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
    const char* files[] = {"top1.txt", "top2.dat", ".profile", "a/a1", "a/a2", "a/b/b1", "a/b/.git/HEAD",
                           "a/b/.git/objects/x", "a/c/c1", "d/d1", "d/e/f/g/deep", "h/.hidden/skip", "h/h1"};
    for (const char* file : files) {
        const std::string path = root + "/" + file;
        makeDirs(path.substr(0, path.rfind('/')));
        writeFile(path, "x");
    }
    makeDirs(root + "/empty/emptier");
}

} // namespace

TEST(Walk, ListsFilesOfAFolderBeforeItsSubfoldersAndSkipsDotFoldersBelowTheStart)
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
    EXPECT_EQ(list.count(), 10u); // .git and .hidden contents are not listed, .profile is
    for (const auto& path : pathsOf(list)) {
        EXPECT_EQ(path.find("/.git/"), std::string::npos) << path;
        EXPECT_EQ(path.find("/.hidden/"), std::string::npos) << path;
    }

    // The start folder's spelling is kept; the separator is added only when missing.
    FileList again;
    search(tmp.path() + "/", again);
    EXPECT_EQ(rowsOf(again), rowsOf(list));
    EXPECT_EQ(list.subItem(1, 5), tmp.path() + "/");

    // A start folder whose own name begins with "." is walked.
    FileList dotted;
    search(tmp.path() + "/a/b/.git", dotted);
    EXPECT_EQ(dotted.count(), 2u);

    // A new search starts from an empty list.
    search(tmp.path() + "/d", list);
    EXPECT_EQ(list.count(), 2u);
}

TEST(Walk, RowHoldsTheEightTextsOfTheFile)
{
    TempDir tmp;
    const std::string file = tmp / "Report.txt";
    writeFile(file, std::string(12345, 'r'));
    const std::time_t modified = localTime(2024, 3, 8, 9, 1, 2);
    setTimes(file, modified);
    chmod(file.c_str(), 0444);
    writeFile(tmp / ".profile", "");

    FileList list;
    search(tmp.path(), list, "dd/mm/yy HH:MM:SS");
    ASSERT_EQ(list.count(), 2u);
    const std::size_t report = list.mainText(1) == "Report.txt" ? 1 : 2;
    const std::size_t profile = 3 - report;

    // Created is the birth time where the file system keeps one; never later than modified.
    const std::vector<std::string> row = rowsOf(list)[report - 1];
    EXPECT_EQ(row[0], "Report.txt");
    EXPECT_EQ(row[1], "12345");
    EXPECT_EQ(row[2], "R");
    EXPECT_EQ(row[4], "08/03/24 09:01:02");
    EXPECT_EQ(row[5], tmp.path() + "/");
    EXPECT_EQ(row[7], "2024-03-08 09:01:02");
    EXPECT_EQ(row[6].size(), 19u);
    EXPECT_EQ(list.subItemCount(report), 7);

    EXPECT_EQ(list.subItem(profile, 1), "0");
    EXPECT_EQ(list.subItem(profile, 2), "H");
}

TEST(Walk, FollowsLinksToFoldersButNeverRoundACycle)
{
    TempDir tmp;
    makeDirs(tmp / "a/b");
    makeDirs(tmp / "other");
    writeFile(tmp / "a/b/file", "");
    writeFile(tmp / "other/o", "");
    ASSERT_EQ(symlink("../..", (tmp / "a/b/up").c_str()), 0);       // back to the start folder
    ASSERT_EQ(symlink("../other", (tmp / "a/side").c_str()), 0);    // a folder off the path: walked
    ASSERT_EQ(symlink("loop2", (tmp / "loop1").c_str()), 0);        // links round each other
    ASSERT_EQ(symlink("loop1", (tmp / "loop2").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "dangling").c_str()), 0);

    FileList list;
    const auto result = search(tmp.path(), list);
    EXPECT_TRUE(result.errors.empty());
    std::vector<std::string> paths = pathsOf(list);
    std::sort(paths.begin(), paths.end());
    const std::string root = tmp.path() + "/";
    EXPECT_EQ(paths, (std::vector<std::string>{root + "a/b/file", root + "a/side/o", root + "dangling", root + "loop1",
                                               root + "loop2", root + "other/o"}));
}

TEST(Walk, UnreadableFoldersAreSkippedCountedAndTheWalkGoesOn)
{
    TempDir tmp;
    makeTree(tmp.path());
    const std::string denied = tmp.path() + "/a/b/";
    WalkOptions options;
    options.failFolder = [&](const std::string& folder) { return folder == denied ? EACCES : 0; };
    FileList list;
    const auto result = search(tmp.path(), list, "dd/mm/yy", options);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].folder, denied);
    EXPECT_EQ(result.errors[0].error, EACCES);
    EXPECT_EQ(list.count(), 9u); // everything but b1

    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root, which reads any folder: the real permission case needs another user";
    }
    chmod(denied.c_str(), 0);
    FileList real;
    const auto realResult = search(tmp.path(), real);
    chmod(denied.c_str(), 0755);
    ASSERT_EQ(realResult.errors.size(), 1u);
    EXPECT_EQ(real.count(), 9u);
}

TEST(Walk, TextThatNamesNoFolderGivesAnEmptyList)
{
    TempDir tmp;
    writeFile(tmp / "plain", "");
    FileList list;
    search(tmp.path(), list);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_FALSE(search(tmp / "missing", list).folderFound);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_FALSE(search(tmp / "plain", list).folderFound);
    EXPECT_EQ(list.count(), 0u);
}
