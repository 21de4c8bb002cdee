// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list's text formats over a tree of awkward names, read back by Python.
#include "output/FolderTotals.h"
#include "output/TextRows.h"
#include "search/modSearchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <set>

using namespace dirlix;
using namespace dirlix::test;

namespace {

std::string hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char byte : bytes)
        out += {kDigits[byte >> 4], kDigits[byte & 15]};
    return out;
}

} // namespace

// CSV, TSV and JSON Lines of the real program give back the very texts the list makes, byte for
// byte; JSON Lines restores every path; folder totals add up the file rows (check_formats.py).
TEST(Formats, EveryFormatReadsBackToTheListsTextsAndTotals)
{
    ::setenv("TZ", "Europe/Amsterdam", 1); // an offset that changes in the year
    ::tzset();
    timeZoneChanged();
    TempDir tmp;
    const std::string root = tmp / "tree", pattern = "dd mmm yyyy HH:MM";
    makeDirs(root + "/dir,\"x\"\n\xff");
    makeDirs(root + "/sub/deeper");
    makeDirs(root + "/empty");
    const std::vector<std::string> names{"a,comma", "\"quoted\"", "tab\there", "cr\rhere", "new\nline",
                                         "50%%off %TAB%", "bad\xff\xfe", "cut \xe2\x82", std::string(255, 'n'),
                                         "back\\slash\\t", "dir,\"x\"\n\xff/inside", "sub/deeper/leaf"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        writeFile(root + "/" + names[i], std::string(i * 7, 'x'));
        setTimes(root + "/" + names[i], localTime(2024, i % 2 ? 1 : 7, 15, 12, 30, int(i)));
    }
    FileList list;
    modSearchDir::SearchDir(root, list, [&] { return pattern; });
    ASSERT_EQ(list.count(), names.size());
    std::string reference;
    RowTexts texts;
    Row row;
    for (auto rows = list.rows(); rows->next(row);) {
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            std::string text;
            texts.appendColumn(text, column, row);
            reference += hex(text) + (column == ColModifiedKey ? "\n" : " ");
        }
    }
    writeFile(tmp / "reference", reference);

    const std::string program = DIRLIX_LIST_PROGRAM " -d '" + pattern + "' ";
    for (const std::string format : {"csv", "tsv", "jsonl"}) {
        EXPECT_EQ(runCommand(program + "--format=" + format + " -o '" + tmp / "files." + format + "' '" + root + "'").status, 0);
        EXPECT_EQ(runCommand(program + "--folders --format " + format + " '" + root + "' >'" + tmp / "folders." + format + "'").status, 0);
    }
    EXPECT_EQ(runCommand(program + "--no-header --format=tsv -o '" + tmp / "bare.tsv" + "' '" + root + "'").status, 0);
    const CommandResult check = runCommand("/usr/bin/python3 '" FORMATS_CHECKER "' '" + tmp.path() + "' '" + root + "' 2>&1");
    EXPECT_EQ(check.status, 0) << check.out;

    EXPECT_EQ(runCommand(program + "--format=columns '" + root + "'").out, runCommand(program + "'" + root + "'").out);
    for (const std::string bad : {"--format=xml", "--format", "--no-header", "--format=jsonl --no-header",
                                  "--folders -t %1", "--format=csv --xlsx x.xlsx", "--folders --template"})
        EXPECT_EQ(runCommand(program + bad + " '" + root + "' 2>/dev/null").status, 2) << bad;
}

// Rows in another order than the walk's (a sorted list) give the same totals, still a folder
// before the folders below it; without a start folder, the totals begin where the files do.
TEST(Formats, FolderTotalsOfRowsInAnyOrder)
{
    std::vector<std::pair<std::string, std::uint64_t>> rows{
        {"/r/", 1}, {"/r/a/b/", 2}, {"/r/a/b/", 3}, {"", 7}, {"/r/a/c/", 4}, {"/r/", 5}, {"/r/d/", 6}};
    auto totalsOf = [&rows](std::string start) {
        FolderTotals totals(std::move(start));
        for (const auto& [folder, size] : rows)
            totals.add(folder, size);
        std::vector<std::string> lines;
        totals.forEach([&](const FolderTotal& t) {
            lines.push_back(std::string(t.folder) + " " + std::to_string(t.files) + " " + std::to_string(t.size) + " " +
                            std::to_string(t.allFiles) + " " + std::to_string(t.allSize));
        });
        return lines;
    };
    const auto walked = totalsOf("/r");
    ASSERT_EQ(walked.size(), 6u) << "a row of texts without a folder is a tree of its own";
    EXPECT_EQ(walked.front(), "/r/ 2 6 6 21");
    EXPECT_EQ(totalsOf(""), walked);
    std::reverse(rows.begin(), rows.end()); // d now comes before a, c before b
    const auto reversed = totalsOf("/r/");
    EXPECT_EQ(std::multiset(reversed.begin(), reversed.end()), std::multiset(walked.begin(), walked.end()));
    for (const auto& lines : {walked, reversed})
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (lines[i][0] != '/')
                continue; // the folder of the row of texts, a tree of its own
            const std::string parent = lines[i].substr(0, lines[i].rfind('/', lines[i].find(' ') - 2) + 1) + " ";
            EXPECT_TRUE(std::any_of(lines.begin(), lines.begin() + i, [&](auto& l) { return l.rfind(parent, 0) == 0; }))
                << lines[i] << ": its parent did not come first";
        }
}
