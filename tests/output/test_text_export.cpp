// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: writing filelist.txt safely.
#include "output/TextRows.h"
#include "output/modListToText.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

modListToText::TemplateSource fixed(std::string text)
{
    return [text] { return text; };
}

} // namespace

TEST(TextExport, ReplacesAPlantedLinkWithoutFollowingIt)
{
    TempDir tmp;
    makeDirs(tmp / "temp");
    writeFile(tmp / "victim", "precious");
    ASSERT_EQ(symlink((tmp / "victim").c_str(), (tmp / "temp/filelist.txt").c_str()), 0);
    FileList list;
    addReport(list);

    const auto result = modListToText::ExportListToText(list, tmp / "temp/filelist.txt", fixed("%Fn%"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(tmp / "victim"), "precious");
    struct stat info {};
    ASSERT_EQ(lstat((tmp / "temp/filelist.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << "the link was replaced by the new file";
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file is private";
    EXPECT_EQ(readFile(tmp / "temp/filelist.txt"), "Report.txt\r\n");
    EXPECT_EQ(namesIn(tmp / "temp"), std::vector<std::string>{"filelist.txt"}) << "no private file left behind";
}

TEST(TextExport, FailuresLeaveThePreviousFileAndNothingElse)
{
    TempDir tmp;
    makeDirs(tmp / "temp");
    const std::string path = tmp / "temp/filelist.txt";
    writeFile(path, "previous\r\n");

    // A row made of texts whose size cannot be read, after enough rows to have written some.
    FileList list;
    for (int i = 0; i < 40000; ++i)
        addReport(list);
    list.appendRow("broken");
    list.setSubItem(list.count(), 1, "lots");
    auto result = modListToText::ExportListToText(list, path, fixed("%1 %Sb%"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.substr(0, 10), "row 40001:") << result.error;
    EXPECT_EQ(readFile(path), "previous\r\n");
    EXPECT_EQ(namesIn(tmp / "temp"), std::vector<std::string>{"filelist.txt"});

    // The name is taken by a folder: the rename fails and is reported with the path.
    makeDirs(tmp / "temp/busy.txt/inside");
    result = modListToText::ExportListToText(list, tmp / "temp/busy.txt", fixed("%1"));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(tmp / "temp/busy.txt"), std::string::npos) << result.error;
    EXPECT_EQ(namesIn(tmp / "temp"), (std::vector<std::string>{"busy.txt", "filelist.txt"}));

    // A folder that does not exist.
    result = modListToText::ExportListToText(list, tmp / "missing/filelist.txt", fixed("%1"));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("No such file or directory"), std::string::npos) << result.error;
}

TEST(TextExport, UnwritableFolderIsReportedWithItsReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: a folder without write permission is still writable";
    TempDir tmp;
    makeDirs(tmp / "temp");
    const std::string path = tmp / "temp/filelist.txt";
    writeFile(path, "previous\r\n");
    ASSERT_EQ(chmod((tmp / "temp").c_str(), 0500), 0);
    FileList list;
    addReport(list);
    const auto result = modListToText::ExportListToText(list, path, fixed("%1"));
    chmod((tmp / "temp").c_str(), 0700);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("Permission denied"), std::string::npos) << result.error;
    EXPECT_EQ(readFile(path), "previous\r\n");
}

// The Options box is read for every row, so an edit during the export applies from the next row.
TEST(TextExport, AsksForTheTemplateForEveryRow)
{
    FileList list;
    for (int i = 0; i < 4; ++i)
        addFile(list, "/d/", "f" + std::to_string(i), i, 0, 0);
    int asked = 0;
    TempDir tmp;
    const auto result = modListToText::ExportListToText(list, tmp / "out.txt", [&] {
        return ++asked <= 2 ? std::string("%1") : std::string("%Dir%%Fn%|%Sbb%");
    });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(readFile(tmp / "out.txt"), "f0\r\nf1\r\n/d/f2|2\r\n/d/f3|3\r\n");
    EXPECT_EQ(result.rows, 4u);
}
