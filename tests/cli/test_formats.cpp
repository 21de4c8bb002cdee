// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list's text formats over a tree of awkward names, read back by Python.
#include "output/TextRows.h"
#include "search/modSearchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

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
                                  "--folders -t %1", "--format=csv --xlsx x.xlsx", "--folders --template",
                                  "--format=html --folders", "--format=html -t %1", "--format=html --compare=x.jsonl"})
        EXPECT_EQ(runCommand(program + bad + " '" + root + "' 2>/dev/null").status, 2) << bad;
}
