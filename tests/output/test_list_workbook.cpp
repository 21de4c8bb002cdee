// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the workbook Save List As writes, read back by openpyxl.
#include "output/ListWorkbook.h"
#include "platform/ReplacingFile.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

ExportResult saveBook(const FileList& list, const std::string& path, std::size_t rowsPerSheet = 0,
                      const std::atomic<bool>* stop = nullptr)
{
    ExportProgress progress;
    ReplacingFile target(path);
    return ListWorkbook(englishLocale(), {rowsPerSheet}).write(*list.rows(), target, progress, stop);
}

std::string readBook(const std::string& path)
{
    const CommandResult run = runCommand("/usr/bin/python3 '" LIST_WORKBOOK_READER "' '" + path + "' 2>&1");
    return run.status == 0 ? run.out : "unreadable: " + run.out;
}

int widthOf(const std::string& book, const std::string& column)
{
    const std::size_t at = book.find("\nwidth " + column + " ");
    return at == std::string::npos ? -1 : std::stoi(book.substr(at + 8 + column.size()));
}

} // namespace

// Catches a missing or plain header, sizes or dates written as text, a date format that shows
// something else than the list, totals that miss a folder without files of its own or count a
// file twice, and columns left at the default width.
TEST(ListWorkbook, HeaderTypedCellsWidthsAndFolderTotals)
{
    TempDir tmp;
    FileList list;
    const std::int64_t a = localTime(2024, 3, 5, 14, 7, 9);
    const std::string longName(300, 'n');
    addFiles(list, "/r/a/", {{"a.txt", 1234567, a - 60, a, AttrReadOnly}, {"u", 9, a, a, 0, RecordValuesUnknown}},
             "yyyy-mm-dd HH:MM:SS");
    addFiles(list, "/r/a/b/c/", {{"a-rather-long-file-name.data", 5, a, a}}, "yyyy y");
    addFiles(list, "/r/d/", {{longName, 10, a, a}}, "yyyy-mm-dd HH:MM:SS");
    const auto result = saveBook(list, tmp / "list.xlsx");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.sheets, 2u);
    const std::string book = readBook(tmp / "list.xlsx");
    auto has = [&](const std::string& line) { return book.find("\n" + line + "\n") != std::string::npos; };
    EXPECT_EQ(book.rfind("sheet Files A1:F5 A2 A1:F5\n", 0), 0u) << book;
    EXPECT_TRUE(has("A1 sb \"File\"") && has("F1 sb \"Directory\"")) << book;
    EXPECT_TRUE(has("B2 n 1234567 | #,##0") && has("C2 s \"R\"")) << book;
    const std::string format = " | yyyy\"-\"mm\"-\"dd\" \"hh\":\"mm\":\"ss";
    EXPECT_TRUE(has("D2 d \"2024-03-05T14:06:09\"" + format) && has("E2 d \"2024-03-05T14:07:09\"" + format)) << book;
    EXPECT_TRUE(has("A3 s \"u\"") && !has("B3 n 9 | #,##0") && book.find("\nD3 ") > book.find("sheet Folders")) << book;
    EXPECT_TRUE(has("D4 s \"2024 65\"")) << "a pattern no format can show stays text:\n" << book;
    EXPECT_GE(widthOf(book, "A"), 28);
    EXPECT_LE(widthOf(book, "A"), 81);
    EXPECT_GE(widthOf(book, "D"), 19);
    const std::size_t folders = book.find("sheet Folders A1:E6 A2 A1:E6\n");
    ASSERT_NE(folders, std::string::npos) << book;
    EXPECT_EQ(book.substr(book.find("\nA2 s \"/r/\"") + 1),
              "A2 s \"/r/\"\nB2 n 0 | #,##0\nC2 n 0 | #,##0\nD2 n 4 | #,##0\nE2 n 1234582 | #,##0\n"
              "A3 s \"/r/a/\"\nB3 n 2 | #,##0\nC3 n 1234567 | #,##0\nD3 n 3 | #,##0\nE3 n 1234572 | #,##0\n"
              "A4 s \"/r/a/b/\"\nB4 n 0 | #,##0\nC4 n 0 | #,##0\nD4 n 1 | #,##0\nE4 n 5 | #,##0\n"
              "A5 s \"/r/a/b/c/\"\nB5 n 1 | #,##0\nC5 n 5 | #,##0\nD5 n 1 | #,##0\nE5 n 5 | #,##0\n"
              "A6 s \"/r/d/\"\nB6 n 1 | #,##0\nC6 n 10 | #,##0\nD6 n 1 | #,##0\nE6 n 10 | #,##0\n");
}

// Catches continuation sheets without their header or with rows lost at a sheet's edge, and a
// stopped save that touches the file it would replace.
TEST(ListWorkbook, LongListsContinueWithTheHeaderAndStopLeavesTheOldFile)
{
    TempDir tmp;
    FileList list;
    addFiles(list, "/f/", {{"r1", 1}, {"r2", 2}, {"r3", 3}, {"r4", 4}, {"r5", 5}}, "yyyy");
    ASSERT_TRUE(saveBook(list, tmp / "split.xlsx", 2).ok);
    std::string outline, line;
    for (std::istringstream lines(readBook(tmp / "split.xlsx")); std::getline(lines, line);)
        if (line.rfind("sheet", 0) == 0 || line[0] == 'A')
            outline += line + ";";
    EXPECT_EQ(outline, "sheet Files A1:F3 A2 A1:F3;A1 sb \"File\";A2 s \"r1\";A3 s \"r2\";"
                       "sheet Files (2) A1:F3 A2 A1:F3;A1 sb \"File\";A2 s \"r3\";A3 s \"r4\";"
                       "sheet Files (3) A1:F2 A2 A1:F2;A1 sb \"File\";A2 s \"r5\";"
                       "sheet Folders A1:E2 A2 A1:E2;A1 sb \"Directory\";A2 s \"/f/\";");

    writeFile(tmp / "old.xlsx", "the earlier file");
    const std::atomic<bool> stop{true};
    FileList many;
    addFiles(many, "/f/", std::vector<TestFile>(3000, TestFile{"x", 1}));
    EXPECT_TRUE(saveBook(many, tmp / "old.xlsx", 0, &stop).stopped);
    EXPECT_EQ(readFile(tmp / "old.xlsx"), "the earlier file");
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"old.xlsx", "split.xlsx"}));
}

// The date pattern as a number format: exact where a spreadsheet reads it as the list does, and
// refused where it would show something else.
TEST(ListWorkbook, DatePatternsBecomeNumberFormatsOnlyWhereExact)
{
    DateLocale dotted;
    dotted.dateSeparator = ".";
    const std::pair<const char*, const char*> cases[] = {
        {"dd/mm/yy HH:MM:SS", "dd\".\"mm\".\"yy\" \"hh\":\"mm\":\"ss"},
        {"", "m\".\"d\".\"yyyy\" \"h\":\"mm\":\"ss\" \"AM/PM"}, // the locale's general form
        {"h:n dddd \"mmm\"", "h\":\"m\" \"dddd\" \"\\\"mmm\\\""},
        {"nn", ""},          // minutes that a spreadsheet would read as the month
        {"mm:ss", ""},       // the month that a spreadsheet would read as minutes
        {"hh:nn am/pm", ""}, // the spreadsheet writes AM and PM its own way
        {"yyyy y", ""},      // the day of the year
        {"ddddd", ""},       // a weekday and a day side by side
    };
    for (const auto& [pattern, format] : cases)
        EXPECT_EQ(dateNumberFormat(pattern, dotted), format) << pattern;
}
