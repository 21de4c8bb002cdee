// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the file list's row operations and its compact rows.
#include "search/FileList.h"
#include "search/Walker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace dirlix;

namespace {
WalkBlock blockOf(const std::string& folder, const std::vector<std::string>& names, std::int64_t when)
{
    WalkBlock block;
    block.folder = folder;
    for (const auto& name : names) {
        WalkEntry entry;
        entry.nameOffset = std::uint32_t(block.names.size());
        entry.nameLength = std::uint32_t(name.size());
        entry.properties.size = std::int64_t(name.size());
        entry.properties.created = when;
        entry.properties.modified = when + 60;
        block.names += name;
        block.entries.push_back(entry);
    }
    return block;
}
} // namespace

TEST(FileList, RowsAreNumberedFromOneAndKeepTheirDatePattern)
{
    FileList list;
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.mainText(1), "");
    const std::int64_t when = test::localTime(2024, 3, 5, 14, 7, 9);
    list.appendBlock(blockOf("/data/", {"one", "two"}, when), "dd/mm/yy");
    list.appendBlock(blockOf("/data/sub/", {"three"}, when), "yyyy-mm-dd HH:MM");

    ASSERT_EQ(list.count(), 3u);
    EXPECT_EQ(list.mainText(1), "one");
    EXPECT_EQ(list.subItem(2, 1), "3");
    EXPECT_EQ(list.subItem(1, 3), "05/03/24");          // added under the first pattern
    EXPECT_EQ(list.subItem(3, 3), "2024-03-05 14:07");  // added under the second
    EXPECT_EQ(list.subItem(3, 4), "2024-03-05 14:08");
    EXPECT_EQ(list.subItem(3, 5), "/data/sub/");
    EXPECT_EQ(list.subItem(1, 6), "2024-03-05 14:07:09");
    EXPECT_EQ(list.subItem(1, 7), "2024-03-05 14:08:09");
    EXPECT_EQ(list.subItem(1, 8), "");
    EXPECT_EQ(list.subItem(4, 1), "");
    EXPECT_EQ(list.subItemCount(1), 7);

    // A row built text by text counts the sub-items set, and may change a found file's texts.
    const std::size_t row = list.appendRow("typed");
    EXPECT_EQ(row, 4u);
    EXPECT_EQ(list.subItemCount(row), 0);
    list.setSubItem(row, 2, "AR");
    EXPECT_EQ(list.subItemCount(row), 2);
    EXPECT_EQ(list.subItem(row, 2), "AR");
    EXPECT_EQ(list.subItem(row, 1), "");
    list.setSubItem(2, 1, "999");
    EXPECT_EQ(list.subItem(2, 1), "999");
    EXPECT_EQ(list.subItem(2, 6), "2024-03-05 14:07:09");

    list.clear();
    EXPECT_EQ(list.count(), 0u);
}

TEST(FileList, RowsStayCompact)
{
    static_assert(sizeof(FileRow) <= 48, "a row must stay small: millions are kept");
    FileList list;
    std::size_t nameBytes = 0;
    for (int folder = 0; folder < 400; ++folder) {
        std::vector<std::string> names;
        for (int file = 0; file < 500; ++file)
            names.push_back("file-" + std::to_string(folder) + "-" + std::to_string(file) + ".txt");
        for (const auto& name : names)
            nameBytes += name.size();
        list.appendBlock(blockOf("/tree/folder" + std::to_string(folder) + "/", names, 0), "dd/mm/yy");
    }
    ASSERT_EQ(list.count(), 200000u);
    EXPECT_EQ(list.mainText(200000), "file-399-499.txt");
    // Beyond the name bytes: at most 64 bytes a row, slack of the last chunks included.
    EXPECT_LE(list.memoryUsed() - nameBytes, 64u * list.count() + (2u << 20));
}
