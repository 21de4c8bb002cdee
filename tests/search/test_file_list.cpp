// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the file list: rows and their folders, rows of texts, snapshots. (What a row costs
// in memory: bench_list_memory.)
#include "search/FileList.h"
#include "search/Walker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

using namespace dirlix;

namespace {

WalkBlock blockOf(const std::string& folder, const std::vector<std::string>& names, std::int64_t when = 0)
{
    WalkBlock block;
    block.folder = std::make_shared<const FolderPath>(nullptr, folder);
    for (const auto& name : names) {
        WalkEntry entry;
        entry.nameOffset = std::uint32_t(block.names.size());
        entry.nameLength = std::uint32_t(name.size());
        entry.values = {std::int64_t(name.size()), when, when + 60, AttrArchive, 0, 0};
        block.names += name;
        block.entries.push_back(entry);
    }
    return block;
}

// Every row a source gives, as "folder+name size pattern".
std::vector<std::string> readAll(RowSource& rows)
{
    std::vector<std::string> out;
    for (Row row; rows.next(row);)
        out.push_back(std::string(row.folder) + std::string(row.name) + " " + std::to_string(row.values.size) + " " +
                      std::string(row.datePattern));
    return out;
}

} // namespace

TEST(FileList, RowsKeepTheirNameFolderValuesAndDatePattern)
{
    FileList list;
    const std::int64_t when = test::localTime(2024, 3, 5, 14, 7, 9);
    // Folders as a walk hands them over, with folders between that held no files, a sibling that
    // shares the start of a name, and the root.
    const std::vector<std::string> folders{"/data/", "/data/a/b/", "/data/a/b/c/", "/data/a/", "/data/ab/",
                                           "/data/ab/c/", "/other/", "/", "relative/x/"};
    std::vector<std::string> expected;
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const std::string pattern = f % 2 ? "yyyy" : "dd/mm/yy";
        const std::vector<std::string> names{"n" + std::to_string(f), "longer name " + std::to_string(f)};
        EXPECT_EQ(list.appendBlock(blockOf(folders[f], names, when), pattern), 2u);
        for (const auto& name : names)
            expected.push_back(folders[f] + name + " " + std::to_string(name.size()) + " " + pattern);
    }
    ASSERT_EQ(list.count(), expected.size());
    EXPECT_EQ(readAll(*list.rows()), expected);
    std::string folder;
    const Row row = list.row(3, folder);
    EXPECT_EQ(row.folder, "/data/a/b/");
    EXPECT_EQ(row.values.created, when);
    EXPECT_EQ(row.values.modified, when + 60);
    EXPECT_EQ(row.values.attributes, AttrArchive);
    EXPECT_TRUE(row.texts == nullptr && row.subItems == 7 && list.subItemCount(4) == 7);

    // Rows of texts: the sub-items set are counted; a text set on a found row is shown instead of its value.
    const std::size_t typed = list.appendRow("typed");
    EXPECT_EQ(typed, list.count());
    EXPECT_EQ(list.subItemCount(typed), 0);
    list.setSubItem(typed, 2, "AR");
    list.setSubItem(typed, 8, "ignored");
    list.setSubItem(typed + 1, 1, "ignored");
    list.setSubItem(1, 1, "999");
    EXPECT_EQ(list.subItemCount(typed), 2);
    const Row text = list.row(typed - 1, folder);
    EXPECT_EQ(text.name, "typed");
    ASSERT_NE(text.texts, nullptr);
    EXPECT_EQ(text.textMask, 0b101);
    EXPECT_EQ(text.texts[2], "AR");
    EXPECT_EQ(text.subItems, 2);
    EXPECT_FALSE(text.values.valuesKnown());
    const Row changed = list.row(0, folder);
    ASSERT_NE(changed.texts, nullptr);
    EXPECT_EQ(changed.textMask, 0b10);
    EXPECT_EQ(changed.texts[1], "999");
    EXPECT_EQ(changed.folder, "/data/");
    EXPECT_EQ(list.subItemCount(1), 7);

    list.clear();
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.subItemCount(1), 0);
}

TEST(FileList, SnapshotsKeepReadingTheirRowsWhileTheListGrowsOrIsCleared)
{
    FileList list;
    std::vector<std::string> expected;
    for (int f = 0; f < 10; ++f) {
        std::vector<std::string> names;
        for (int i = 0; i < 100; ++i)
            names.push_back("f" + std::to_string(f) + "-" + std::to_string(i));
        list.appendBlock(blockOf("/tree/" + std::to_string(f) + "/", names), "dd");
        for (const auto& name : names)
            expected.push_back("/tree/" + std::to_string(f) + "/" + name + " " + std::to_string(name.size()) + " dd");
    }
    auto all = list.rows();
    auto first = list.rows(10);
    auto picked = list.rows(std::vector<std::uint32_t>{999, 0, 500});
    EXPECT_EQ(all->total(), 1000u);
    EXPECT_EQ(first->total(), 10u);

    // Read on another thread while the owner adds rows and folders well past the first chunks
    // of its stores, and changes a row's text.
    std::vector<std::string> seen;
    std::thread reader([&] { seen = readAll(*all); });
    for (int f = 0; f < 6000; ++f)
        list.appendBlock(blockOf("/more/" + std::to_string(f) + "/", std::vector<std::string>(25, "x")), "yy");
    list.setSubItem(1, 1, "changed");
    reader.join();
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(list.count(), 151000u);

    list.clear();
    list.appendBlock(blockOf("/after/", {"new"}), "mm");
    EXPECT_EQ(readAll(*first), std::vector<std::string>(expected.begin(), expected.begin() + 10));
    EXPECT_EQ(readAll(*picked), (std::vector<std::string>{expected[999], expected[0], expected[500]}));
    ASSERT_TRUE(all->rewind());
    Row row;
    ASSERT_TRUE(all->next(row));
    EXPECT_EQ(row.texts, nullptr); // the text set after the snapshot was taken is not in it
    EXPECT_EQ(readAll(*list.rows()), std::vector<std::string>{"/after/new 3 mm"});
}
