// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the filter options of dirlix-list, as the real program.
#include "output/TextRows.h"
#include "search/modSearchDir.h"

#include <gtest/gtest.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Runs the companion with @p arguments; what it writes to standard error comes after standard output.
CommandResult run(const std::string& arguments)
{
    return runCommand("XDG_CONFIG_HOME=/nonexistent " DIRLIX_LIST_PROGRAM " " + arguments + " 2>&1");
}

} // namespace

// Catches a bad value taken silently (or as "no filter") and a message that does not say which
// option was wrong; and a filter that reaches the columns but not the template or the workbook.
TEST(FilterOptions, BadValuesExitTwoAndFiltersReachEveryOutput)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub");
    writeFile(tmp / "tree/a.JPG", "12345");
    writeFile(tmp / "tree/sub/b.txt", "1");
    const std::string tree = " '" + tmp / "tree" + "'";
    for (const char* badText : {"--min-size=ten", "--max-size 1.5K", "--newer=2024-13-01", "--older '2024-02-30'",
                                "--newer=yesterday", "-i '[abc'", "--exclude='x;[z-a]'", "-e ''",
                                "--min-size=2K --max-size=1K", "--newer=1d --older=2d"}) {
        const std::string bad = badText;
        const CommandResult result = run(bad + tree);
        EXPECT_EQ(result.status, 2) << bad;
        const std::string option = bad.substr(0, bad.find_first_of(" ="));
        const std::string named = option == "-i" ? "--include" : option == "-e" ? "--exclude" : option;
        EXPECT_NE(result.out.find("dirlix-list: " + named), std::string::npos) << bad << ": " << result.out;
    }

    EXPECT_EQ(run("-d yyyy -i '*.jpg'" + tree).out.substr(0, 8), "a.JPG\t5\t");
    EXPECT_EQ(run("--template='%1' --exclude=sub --min-size 5" + tree).out, "a.JPG\r\n");
    EXPECT_EQ(run("-t '%1' --case-sensitive -i '*.jpg;*.TXT'" + tree).status, 0);
    EXPECT_EQ(run("-t '%1' --case-sensitive -i '*.jpg;*.txt'" + tree).out, "b.txt\r\n");
    ASSERT_EQ(run("--xlsx '" + tmp / "b.xlsx" + "' --max-size=1" + tree).status, 0);
    const std::string book = readWorkbook(tmp / "b.xlsx");
    EXPECT_NE(book.find("A1 s \"b.txt\""), std::string::npos) << book;
    EXPECT_EQ(book.find("A2 "), std::string::npos) << book;
}

// With no filter the lines are those of the unfiltered search, byte for byte.
TEST(FilterOptions, NoFilterListsAsBefore)
{
    TempDir tmp;
    makeDirs(tmp / "tree/.hidden");
    makeDirs(tmp / "tree/x");
    writeFile(tmp / "tree/x/\xfe odd", "abc");
    writeFile(tmp / "tree/.hidden/h", "");
    writeFile(tmp / "tree/.dot", "");
    FileList list;
    modSearchDir::SearchDir(tmp / "tree", list, [] { return std::string("yyyy-mm-dd HH:MM:SS"); });
    std::string expected;
    RowTexts texts;
    Row row;
    for (auto rows = list.rows(); rows->next(row);)
        texts.appendRow(expected, row, '\t', '\n');
    EXPECT_EQ(run("-d 'yyyy-mm-dd HH:MM:SS' '" + tmp / "tree" + "'").out, expected);
}
