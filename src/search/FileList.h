// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the file list, the program's only store of search results, kept compactly.
#pragma once

#include "platform/FileRecord.h"
#include "search/RowSource.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

struct WalkBlock;

/**
 * The rows of the file list, in the order they were added; nothing sorts them.
 *
 * A row keeps a file's raw values, its name bytes, its folder (stored as its parent folder plus
 * its own part, so that memory grows with the number of folders, not with their depth) and the
 * date pattern that was in force when it was added; the texts a row shows are made from these by
 * whoever shows them. Rows are numbered from 1 and their sub-items from 1 to 7 in the row
 * operations; the raw accessors take an index from 0.
 *
 * One thread owns the list and changes it. Rows once added never move: a snapshot (rows())
 * may be read on another thread while the owner appends, and stays valid after clear().
 */
class FileList {
public:
    FileList();
    ~FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    /** Number of rows. */
    std::size_t count() const;
    /** Removes every row, folder and pattern. Snapshots taken before keep what they saw. */
    void clear();

    /** Appends the files of @p block as rows, their dates to be shown in @p datePattern. Returns the rows added. */
    std::size_t appendBlock(const WalkBlock& block, std::string_view datePattern);

    // The row operations, rows and sub-items numbered from 1. A row made this way shows its own
    // texts; it has no values, so a template's size and date placeholders give nothing for it.

    /** Appends a row with @p mainText and no sub-items; returns its number. */
    std::size_t appendRow(std::string_view mainText);
    /** Sets sub-item @p subItem (1..7) of row @p row (1..count()) to @p text. Out of range: no effect. */
    void setSubItem(std::size_t row, int subItem, std::string_view text);
    /** The number of sub-items set on row @p row: 7 for every row the search adds. */
    int subItemCount(std::size_t row) const;

    // Raw access, from 0.

    /** Row @p index (0..count()-1); @p folderScratch receives its folder text, which the row views. */
    Row row(std::size_t index, std::string& folderScratch) const;

    /** A snapshot of the first @p rows rows (all when larger than count()) to read in order. */
    std::unique_ptr<RowSource> rows(std::size_t rows = SIZE_MAX) const;
    /** A snapshot of the rows whose indexes @p order lists, in that order. */
    std::unique_ptr<RowSource> rows(std::vector<std::uint32_t> order) const;

    /** Bytes held by the list's own storage, for the benchmark. */
    std::size_t memoryUsed() const;

    struct Store;

private:
    std::shared_ptr<Store> mStore;
};

} // namespace dirlix
