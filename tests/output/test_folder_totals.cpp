// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: folder totals of rows in any order, a stopped export of them; formulas in CSV.
#include "output/DateTime.h"
#include "output/DelimitedExport.h"
#include "output/FolderTotals.h"
#include "platform/FileSystem.h"
#include "platform/ReplacingFile.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <set>

using namespace dirlix;
using namespace dirlix::test;

// Rows in another order than the walk's (a sorted list) give the same totals, still a folder
// before the folders below it; without a start folder, the totals begin where the files do.
TEST(Formats, FolderTotalsOfRowsInAnyOrder)
{
    std::vector<std::pair<std::string, std::uint64_t>> rows{
        {"/r/", 1}, {"/r/a/b/", 2}, {"/r/a/b/", 3}, {"", 7}, {"/r/a/c/", 4}, {"/r/", 5}, {"/r/d/", 6}};
    // The folders are written with '/' here and given to the totals with the system's separator.
    auto native = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', fsys::kSeparator);
        return path;
    };
    auto totalsOf = [&rows, &native](std::string start) {
        FolderTotals totals(native(std::move(start)));
        for (const auto& [folder, size] : rows)
            totals.add(native(folder), size);
        std::vector<std::string> lines;
        totals.forEach([&](const FolderTotal& t) {
            lines.push_back(genericSeparators(std::string(t.folder)) + " " + std::to_string(t.files) + " " +
                            t.size.text() + " " + std::to_string(t.allFiles) + " " + t.allSize.text());
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

// A CSV field that a spreadsheet would run as a formula (= + - @, a tab or CR first) is written as
// text after an apostrophe, in file rows and folder totals alike; every other field, and TSV, JSON
// Lines and CSV with the formulas kept, give the exact bytes. Sizes add up in 128 bits.
TEST(Formats, CsvNeverRunsAFormulaFromANameAndTotalsNeverWrap)
{
    if (!setTimeZone("UTC"))
        GTEST_SKIP() << "its times are written in UTC, set through TZ, which this system does not read";
    TempDir tmp;
    FileList list;
    addFiles(list, "=cmd|' /C calc'!A0/", {{"=HYPERLINK(\"http://x\",\"a\")", 1}, {"+1", 2}, {"-rf", 3}, {"@sum", 4}});
    addFiles(list, "/d/", {{"\tx", 5}, {"\rx", 6}, {"a=b", 7}, {"plain", 8}, {"a,b", 9}});
    const auto written = [&](Exporter&& exporter) {
        ReplacingFile file(tmp / "out");
        ExportProgress progress;
        EXPECT_TRUE(exporter.write(*list.rows(), file, progress).ok);
        return readFile(tmp / "out");
    };
    const std::string quoted = written(CsvExporter(englishLocale(), false));
    const std::string folder = "\"'=cmd|' /C calc'!A0/\"";
    const auto line = [](std::string_view name, std::string_view size, std::string_view folderText) {
        return std::string(name) + "," + std::string(size) + ",,01/01/70 00:00:00,01/01/70 00:00:00," +
               std::string(folderText) + ",1970-01-01 00:00:00,1970-01-01 00:00:00\r\n";
    };
    EXPECT_EQ(quoted, line("\"'=HYPERLINK(\"\"http://x\"\",\"\"a\"\")\"", "1", folder) + line("\"'+1\"", "2", folder) +
                          line("\"'-rf\"", "3", folder) + line("\"'@sum\"", "4", folder) +
                          line("\"'\tx\"", "5", "/d/") + line("\"'\rx\"", "6", "/d/") + line("a=b", "7", "/d/") +
                          line("plain", "8", "/d/") + line("\"a,b\"", "9", "/d/"));
    EXPECT_EQ(written(CsvExporter(englishLocale(), false, CsvFormulas::Keep)),
              line("\"=HYPERLINK(\"\"http://x\"\",\"\"a\"\")\"", "1", folder.substr(2, folder.size() - 3)) +
                  line("+1", "2", folder.substr(2, folder.size() - 3)) + line("-rf", "3", folder.substr(2, folder.size() - 3)) +
                  line("@sum", "4", folder.substr(2, folder.size() - 3)) + line("\tx", "5", "/d/") +
                  line("\"\rx\"", "6", "/d/") + line("a=b", "7", "/d/") + line("plain", "8", "/d/") +
                  line("\"a,b\"", "9", "/d/"));
    for (const auto& format : {TextFormat::Tsv, TextFormat::JsonLines}) {
        const std::string exact = written(std::move(*makeRowExporter(format, englishLocale())));
        EXPECT_EQ(exact.find("'="), std::string::npos) << exact;
        EXPECT_NE(exact.find("=HYPERLINK("), std::string::npos) << exact;
    }
    EXPECT_NE(written(FolderTotalsExporter(TextFormat::Csv)).find("\r\n\"'=cmd|' /C calc'!A0/\",4,10,4,10\r\n"),
              std::string::npos);

    // Three files of 8 EiB less a byte: 64 bits would wrap to a small number.
    constexpr std::uint64_t kLargest = INT64_MAX;
    FolderTotals totals("/r/");
    for (const char* folder : {"/r/", "/r/a/", "/r/a/"})
        totals.add(folder, kLargest);
    std::vector<std::string> lines;
    totals.forEach([&](const FolderTotal& t) { lines.push_back(std::string(t.folder) + " " + t.size.text() + " " + t.allSize.text()); });
    EXPECT_EQ(lines, (std::vector<std::string>{"/r/ 9223372036854775807 27670116110564327421",
                                               "/r/a/ 18446744073709551614 18446744073709551614"}));
}
