// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: folder totals of rows in any order; a stopped export of them.
#include "output/FolderTotals.h"
#include "platform/ReplacingFile.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace dirlix;
using namespace dirlix::test;

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

// A stopped export leaves the file it would replace as it was, and nothing beside it.
TEST(Formats, AStoppedFolderTotalsExportLeavesTheFileAsItWas)
{
    TempDir tmp;
    writeFile(tmp / "totals.csv", "before");
    FileList list;
    addFiles(list, "/r/", {{"a", 1}});
    std::atomic<bool> stop{true};
    for (const bool stopped : {true, false}) {
        stop = stopped;
        ReplacingFile file(tmp / "totals.csv");
        ExportProgress progress;
        const ExportResult result = FolderTotalsExporter(TextFormat::Csv, "/r/").write(*list.rows(), file, progress, &stop);
        EXPECT_EQ(result.stopped, stopped);
        EXPECT_EQ(result.ok, !stopped) << result.error;
        EXPECT_EQ(readFile(tmp / "totals.csv") == "before", stopped);
        EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"totals.csv"});
    }
}
