// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the workbook output, read back by a reader we did not write.
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace dirlix;
using namespace dirlix::test;
using modListToExcel::appendCellText;
using modListToExcel::kCellTextLimit;

// Catches a heading row, a row or column off by one, a size written as text, a date written as a
// time stamp, an empty text written as a cell, and a fresh name that overwrites an earlier workbook.
TEST(Workbook, EachExportIsANewWorkbookFillingExactlyItsRows)
{
    TempDir tmp;
    FileList list;
    const auto empty = exportBook(list, tmp.path() + "/");
    ASSERT_TRUE(empty.ok) << empty.error;
    EXPECT_EQ(empty.sheets, 1u);
    EXPECT_EQ(empty.path.rfind(tmp / "filelist-", 0), 0u) << empty.path;
    EXPECT_EQ(empty.path.substr(empty.path.size() - 5), ".xlsx");
    EXPECT_EQ(readWorkbook(empty.path), "sheet Sheet1 A1:A1\n");

    const std::int64_t a = localTime(2024, 3, 5, 14, 7, 9), b = localTime(2023, 12, 31, 23, 59, 58);
    addFiles(list, "/data/f/",
             {{"a.txt", 3, a - 60, a, AttrHidden | AttrReadOnly}, {"b", 0, b - 60, b}, {"u", 7, a, a, 0, RecordValuesUnknown}},
             "yyyy-mm-dd HH:MM:SS");
    const auto result = exportBook(list, tmp.path());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, 3u);
    EXPECT_NE(result.path, empty.path);
    EXPECT_EQ(readWorkbook(result.path), "sheet Sheet1 A1:F3\n"
                                         "A1 s \"a.txt\"\nB1 n 3\nC1 s \"HR\"\n"
                                         "D1 s \"2024-03-05 14:06:09\"\nE1 s \"2024-03-05 14:07:09\"\nF1 s \"/data/f/\"\n"
                                         "A2 s \"b\"\nB2 n 0\n"
                                         "D2 s \"2023-12-31 23:58:58\"\nE2 s \"2023-12-31 23:59:58\"\nF2 s \"/data/f/\"\n"
                                         "A3 s \"u\"\nF3 s \"/data/f/\"\n");
    EXPECT_EQ(readWorkbook(empty.path), "sheet Sheet1 A1:A1\n");

    // A stopped export leaves no file.
    const std::atomic<bool> stop{true};
    FileList many;
    addFiles(many, "/f/", std::vector<TestFile>(3000, TestFile{"x", 1}));
    EXPECT_TRUE(exportBook(many, tmp.path(), 0, &stop).stopped);
    EXPECT_EQ(namesIn(tmp.path()).size(), 2u);
}

// Names that a careless writer turns into numbers, splits, drops, or writes as invalid XML.
TEST(Workbook, OddNamesAndLargeSizesComeBackAsListed)
{
    TempDir tmp;
    FileList list;
    addFiles(list, "/x\xfe/",
             {{"0012", 5368709120LL},
              {"a, \"b\" 'c' \xC3\xA9t\xC3\xA9 \xE5\x90\x8D & <x>.txt", 1},
              {"bad\xFE\xC3(\xED\xA0\x80.txt", 2},
              {"ctl\x01\r\x1F\tend", 3},
              {"_x0041_ and \xEF\xBF\xBF", 4}},
             "yyyy");
    addFiles(list, "/" + std::string(40000, 'd') + "/", {{"deep", 5}}, "yyyy");
    list.setSubItem(list.appendRow("typed"), 1, "12abc");
    list.setSubItem(list.appendRow("typed number"), 1, "42");

    const auto result = exportBook(list, tmp.path());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.truncatedCells, 1u);
    const std::string t = readWorkbook(result.path);
    auto has = [&](const std::string& line) { return t.find("\n" + line + "\n") != std::string::npos; };
    EXPECT_TRUE(has("A1 s \"0012\"")) << t;
    EXPECT_TRUE(has("B1 n 5368709120")) << t;
    EXPECT_TRUE(has("F1 s \"/x\xEF\xBF\xBD/\"")) << t;
    EXPECT_TRUE(has("A2 s \"a, \\\"b\\\" 'c' \xC3\xA9t\xC3\xA9 \xE5\x90\x8D & <x>.txt\"")) << t;
    // One replacement character per maximal invalid sequence.
    EXPECT_TRUE(has("A3 s \"bad\xEF\xBF\xBD\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.txt\"")) << t;
    // Control characters travel in the workbook's own escape, which this reader leaves as stored.
    EXPECT_TRUE(has("A4 s \"ctl_x0001__x000D__x001F_\\tend\"")) << t;
    EXPECT_TRUE(has("A5 s \"_x005F_x0041_ and \xEF\xBF\xBD\"")) << t;
    EXPECT_TRUE(has("A6 s \"deep\"")) << t;
    EXPECT_TRUE(has("F6 s \"/" + std::string(kCellTextLimit - 1, 'd') + "\"")) << "the long folder is cut at the cell limit";
    // Rows given texts: the size is a number only when it reads as one; nothing else is made up.
    EXPECT_NE(t.find("\nA7 s \"typed\"\nB7 s \"12abc\"\nA8 s \"typed number\"\nB8 n 42\n"), std::string::npos) << t;
}

TEST(Workbook, LongListsContinueOnFurtherSheets)
{
    TempDir tmp;
    FileList list;
    addFiles(list, "/f/", {{"r1", 1}, {"r2", 2}, {"r3", 3}, {"r4", 4}, {"r5", 5}}, "yyyy");
    const auto split = exportBook(list, tmp.path(), 2);
    ASSERT_TRUE(split.ok) << split.error;
    EXPECT_EQ(split.sheets, 3u);
    EXPECT_EQ(split.rows, 5u);
    std::string sheetsAndNames, line;
    for (std::istringstream lines(readWorkbook(split.path)); std::getline(lines, line);)
        if (line.rfind("sheet", 0) == 0 || line[0] == 'A' || line[0] == 'B')
            sheetsAndNames += line + ";";
    EXPECT_EQ(sheetsAndNames, "sheet Sheet1 A1:F2;A1 s \"r1\";B1 n 1;A2 s \"r2\";B2 n 2;"
                              "sheet Sheet2 A1:F2;A1 s \"r3\";B1 n 3;A2 s \"r4\";B2 n 4;"
                              "sheet Sheet3 A1:F1;A1 s \"r5\";B1 n 5;");

    // A list that exactly fills its sheets gets no empty extra sheet.
    const auto exact = exportBook(list, tmp.path(), 5);
    ASSERT_TRUE(exact.ok) << exact.error;
    EXPECT_EQ(exact.sheets, 1u);
    EXPECT_EQ(readWorkbook(exact.path).find("sheet Sheet2"), std::string::npos);
}

// The cell text rules at their edges, where a reader would see a broken character.
TEST(Workbook, CellTextIsCutWholeAtTheLimit)
{
    const std::string fill(kCellTextLimit - 1, 'a');
    const struct {
        std::string in, out;
        bool whole;
    } cases[] = {
        {"x\xE2\x82", "x\xEF\xBF\xBD", true}, // a sequence cut short at the end is one replacement
        {"\xC0\xAF\xF4\x90\x80\x80\xF0\x9F\x98\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80", true},
        {fill + "\xC3\xA9", fill + "\xC3\xA9", true}, // exactly at the limit, counted in characters
        {fill + "\x01", fill, false},                 // an escape is never split
        {fill + "\xE5\x90\x8D\xE5\x90\x8D", fill + "\xE5\x90\x8D", false},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(appendCellText(out, c.in), c.whole);
        EXPECT_EQ(out, c.out);
    }
}
