// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the workbook output, read back by a reader we did not write.
#include "output/WorkbookReader.h"
#include "output/modListToExcel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;
using modListToExcel::ExportListToSpreadsheet;
using modListToExcel::ExportOptions;
using modListToExcel::WriteListWorkbook;

TEST(Workbook, EmptyListGivesOneEmptySheet)
{
    TempDir tmp;
    FileList list;
    const auto result = ExportListToSpreadsheet(list, tmp.path() + "/");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, 0u);
    EXPECT_EQ(result.sheets, 1u);
    EXPECT_EQ(result.path.rfind(tmp.path() + "/filelist-", 0), 0u) << result.path;
    EXPECT_EQ(result.path.substr(result.path.size() - 5), ".xlsx");

    const WorkbookText book = readWorkbook(result.path);
    EXPECT_EQ(book.status, 0) << book.text;
    EXPECT_EQ(book.text, "sheet Sheet1 A1:A1\n");
}

// Catches a heading row, a row or column off by one, a size written as text, a date written as a
// time stamp, and an empty attribute text written as a cell.
TEST(Workbook, ThreeRowsFillExactlyA1ToF3)
{
    TempDir tmp;
    FileList list;
    appendFiles(list, "/data/f/",
                {{"a.txt", 3, localTime(2024, 3, 5, 14, 7, 9), AttrHidden | AttrReadOnly},
                 {"b", 0, localTime(2023, 12, 31, 23, 59, 58), 0},
                 {"c.doc", 1234, localTime(2001, 1, 2, 3, 4, 5), AttrArchive}});
    const auto result = ExportListToSpreadsheet(list, tmp.path());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, 3u);

    const WorkbookText book = readWorkbook(result.path);
    EXPECT_EQ(book.status, 0) << book.text;
    EXPECT_EQ(book.text, "sheet Sheet1 A1:F3\n"
                         "A1 s \"a.txt\"\nB1 n 3\nC1 s \"HR\"\n"
                         "D1 s \"2024-03-05 14:06:09\"\nE1 s \"2024-03-05 14:07:09\"\nF1 s \"/data/f/\"\n"
                         "A2 s \"b\"\nB2 n 0\n"
                         "D2 s \"2023-12-31 23:58:58\"\nE2 s \"2023-12-31 23:59:58\"\nF2 s \"/data/f/\"\n"
                         "A3 s \"c.doc\"\nB3 n 1234\nC3 s \"A\"\n"
                         "D3 s \"2001-01-02 03:03:05\"\nE3 s \"2001-01-02 03:04:05\"\nF3 s \"/data/f/\"\n");
}

// Names that a careless writer turns into numbers, splits, drops, or writes as invalid XML.
TEST(Workbook, OddNamesAndLargeSizesComeBackAsListed)
{
    TempDir tmp;
    FileList list;
    const std::string longFolder = "/" + std::string(40000, 'd') + "/";
    appendFiles(list, "/x\xfe/",
                {{"0012", 5368709120LL, 0, 0},
                 {"a, \"b\" 'c' \xC3\xA9t\xC3\xA9 \xE5\x90\x8D & <x>.txt", 1, 0, 0},
                 {"bad\xFE\xC3(\xED\xA0\x80.txt", 2, 0, 0},
                 {"ctl\x01\r\x1F\tend", 3, 0, 0},
                 {"_x0041_ and \xEF\xBF\xBF", 4, 0, 0}},
                "yyyy");
    appendFiles(list, longFolder, {{"deep", 5, 0, 0}}, "yyyy");
    list.appendRow("typed");
    list.setSubItem(7, 1, "12abc");
    list.appendRow("typed number");
    list.setSubItem(8, 1, "42");

    const auto result = ExportListToSpreadsheet(list, tmp.path());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.truncatedCells, 1u);
    const WorkbookText book = readWorkbook(result.path);
    ASSERT_EQ(book.status, 0) << book.text;
    const std::string& t = book.text;
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
    const std::string cut = "F6 s \"/" + std::string(modListToExcel::kCellTextLimit - 1, 'd') + "\"";
    EXPECT_TRUE(has(cut)) << "the long folder is cut at the cell limit";
    // Rows whose texts were typed: the size is a number only when it reads as one.
    EXPECT_TRUE(has("B7 s \"12abc\"")) << t;
    EXPECT_EQ(t.find("\nC7 "), std::string::npos) << t;
    EXPECT_TRUE(has("B8 n 42")) << t;
}

TEST(Workbook, EachExportGetsItsOwnFileAndLeavesEarlierOnesAlone)
{
    TempDir tmp;
    FileList list;
    appendFiles(list, "/f/", {{"one", 1, 0, 0}}, "yyyy");
    const auto first = ExportListToSpreadsheet(list, tmp.path());
    appendFiles(list, "/f/", {{"two", 2, 0, 0}}, "yyyy");
    const auto second = ExportListToSpreadsheet(list, tmp.path());
    const auto third = ExportListToSpreadsheet(list, tmp.path());
    ASSERT_TRUE(first.ok && second.ok && third.ok) << first.error << second.error << third.error;
    EXPECT_NE(first.path, second.path);
    EXPECT_NE(second.path, third.path);
    EXPECT_NE(first.path, third.path);

    const WorkbookText a = readWorkbook(first.path);
    const WorkbookText b = readWorkbook(second.path);
    EXPECT_EQ(a.status, 0) << a.text;
    EXPECT_EQ(b.status, 0) << b.text;
    EXPECT_EQ(a.text.find("sheet Sheet1 A1:F1\nA1 s \"one\""), 0u) << a.text;
    EXPECT_EQ(b.text.find("sheet Sheet1 A1:F2\nA1 s \"one\""), 0u) << b.text;
    EXPECT_NE(b.text.find("\nA2 s \"two\""), std::string::npos) << b.text;

    // The given-path variant replaces what it is pointed at.
    writeFile(tmp / "given.xlsx", "old");
    const auto given = WriteListWorkbook(list, tmp / "given.xlsx");
    ASSERT_TRUE(given.ok) << given.error;
    EXPECT_EQ(readWorkbook(tmp / "given.xlsx").text, b.text);
}

TEST(Workbook, LongListsContinueOnFurtherSheets)
{
    TempDir tmp;
    FileList list;
    appendFiles(list, "/f/", {{"r1", 1, 0, 0}, {"r2", 2, 0, 0}, {"r3", 3, 0, 0}, {"r4", 4, 0, 0}, {"r5", 5, 0, 0}},
                "yyyy");

    ExportOptions twoPerSheet;
    twoPerSheet.rowsPerSheet = 2;
    const auto split = ExportListToSpreadsheet(list, tmp.path(), twoPerSheet);
    ASSERT_TRUE(split.ok) << split.error;
    EXPECT_EQ(split.sheets, 3u);
    EXPECT_EQ(split.rows, 5u);
    const WorkbookText book = readWorkbook(split.path);
    ASSERT_EQ(book.status, 0) << book.text;
    std::string sheetsAndNames;
    for (std::size_t at = 0; at < book.text.size();) {
        const std::size_t end = book.text.find('\n', at);
        const std::string line = book.text.substr(at, end - at);
        if (line.rfind("sheet", 0) == 0 || line[0] == 'A' || line[0] == 'B')
            sheetsAndNames += line + ";";
        at = end + 1;
    }
    EXPECT_EQ(sheetsAndNames, "sheet Sheet1 A1:F2;A1 s \"r1\";B1 n 1;A2 s \"r2\";B2 n 2;"
                              "sheet Sheet2 A1:F2;A1 s \"r3\";B1 n 3;A2 s \"r4\";B2 n 4;"
                              "sheet Sheet3 A1:F1;A1 s \"r5\";B1 n 5;");

    // A list that exactly fills its sheets gets no empty extra sheet.
    ExportOptions fivePerSheet;
    fivePerSheet.rowsPerSheet = 5;
    const auto exact = ExportListToSpreadsheet(list, tmp.path(), fivePerSheet);
    ASSERT_TRUE(exact.ok) << exact.error;
    EXPECT_EQ(exact.sheets, 1u);
    EXPECT_EQ(readWorkbook(exact.path).text.find("sheet Sheet2"), std::string::npos);
}

TEST(Workbook, UnwritableFolderIsReportedWithItsReason)
{
    TempDir tmp;
    FileList list;
    appendFiles(list, "/f/", {{"x", 1, 0, 0}}, "yyyy");

    const auto missing = ExportListToSpreadsheet(list, tmp / "missing");
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.path.empty());
    EXPECT_NE(missing.error.find("No such file or directory"), std::string::npos) << missing.error;

    writeFile(tmp / "plain");
    const auto notFolder = ExportListToSpreadsheet(list, tmp / "plain");
    EXPECT_FALSE(notFolder.ok);
    EXPECT_NE(notFolder.error.find("Not a directory"), std::string::npos) << notFolder.error;

    const auto intoFolder = WriteListWorkbook(list, tmp.path());
    EXPECT_FALSE(intoFolder.ok);
    EXPECT_NE(intoFolder.error.find("Is a directory"), std::string::npos) << intoFolder.error;

    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: a folder without write permission is still writable";
    makeDirs(tmp / "locked");
    ::chmod((tmp / "locked").c_str(), 0500);
    const auto locked = ExportListToSpreadsheet(list, tmp / "locked");
    ::chmod((tmp / "locked").c_str(), 0700);
    EXPECT_FALSE(locked.ok);
    EXPECT_NE(locked.error.find("Permission denied"), std::string::npos) << locked.error;
}

// The cell text rules at their edges, where a reader would see a broken character.
TEST(Workbook, CellTextIsCutWholeAtTheLimit)
{
    using modListToExcel::appendCellText;
    using modListToExcel::kCellTextLimit;
    std::string out;
    EXPECT_TRUE(appendCellText(out, "x\xE2\x82"));
    EXPECT_EQ(out, "x\xEF\xBF\xBD") << "a sequence cut short at the end is one replacement";
    out.clear();
    EXPECT_TRUE(appendCellText(out, "\xC0\xAF\xF4\x90\x80\x80\xF0\x9F\x98\x80"));
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80");

    const std::string fill(kCellTextLimit - 1, 'a');
    out.clear();
    EXPECT_TRUE(appendCellText(out, fill + "\xC3\xA9"));
    EXPECT_EQ(out, fill + "\xC3\xA9") << "exactly at the limit, counted in characters";
    out.clear();
    EXPECT_FALSE(appendCellText(out, fill + "\x01"));
    EXPECT_EQ(out, fill) << "an escape is never split";
    out.clear();
    EXPECT_FALSE(appendCellText(out, fill + "\xE5\x90\x8D\xE5\x90\x8D"));
    EXPECT_EQ(out, fill + "\xE5\x90\x8D");
}
