// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: writing filelist.txt safely.
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

// A link planted at filelist.txt is replaced, never followed; the new file is private; a stopped
// export leaves the file before it as it was; no private file is ever left behind.
TEST(TextExport, ReplacesWholeOrNotAtAll)
{
    TempDir tmp;
    makeDirs(tmp / "temp");
    const std::string path = tmp / "temp/filelist.txt";
    writeFile(tmp / "victim", "precious");
    ASSERT_EQ(symlink((tmp / "victim").c_str(), path.c_str()), 0);
    FileList list;
    addReport(list);
    const auto result = exportText(list, path, [] { return "%Fn%"; });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(tmp / "victim"), "precious");
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << "the link was replaced by the new file";
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file is private";
    EXPECT_EQ(readFile(path), "Report.txt\r\n");

    const std::atomic<bool> stop{true};
    for (std::size_t rows : {1u, 3000u}) { // stopped after the last row, and between rows
        FileList many;
        for (std::size_t i = 0; i < rows; ++i)
            addReport(many);
        const auto stopped = exportText(many, path, [] { return "%1"; }, englishLocale(), &stop);
        EXPECT_TRUE(stopped.stopped && !stopped.ok) << rows;
        EXPECT_EQ(readFile(path), "Report.txt\r\n");
    }
    EXPECT_EQ(namesIn(tmp / "temp"), std::vector<std::string>{"filelist.txt"});
}

// The Options box is read for every row, so an edit during the export applies from the next row.
TEST(TextExport, AsksForTheTemplateForEveryRow)
{
    FileList list;
    addFiles(list, "/d/", {{"f0", 0}, {"f1", 1}, {"f2", 2}, {"f3", 3}});
    int asked = 0;
    TempDir tmp;
    const auto result = exportText(list, tmp / "out.txt", [&] {
        return ++asked <= 2 ? std::string("%1") : std::string("%Dir%%Fn%|%Sbb%");
    });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(readFile(tmp / "out.txt"), "f0\r\nf1\r\n/d/f2|2\r\n/d/f3|3\r\n");
    EXPECT_EQ(result.rows, 4u);
}
