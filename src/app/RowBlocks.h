// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: rows given one by one, gathered into the walk's blocks for the file list.
#pragma once

#include "search/Walker.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dirlix {

/**
 * Gathers rows that do not come from a walk (a saved list, the differences of a comparison) into
 * WalkBlocks, so that they enter the file list as a walk's rows do: consecutive rows of one folder
 * share a block, and each folder text has one folder entry however often it comes back.
 */
class RowBlocks {
public:
    /** Appends a row named @p name (bytes) in the folder @p folder (its text, ending in the separator). */
    void append(std::string_view folder, std::string_view name, const FileRecord& values);
    /** Moves the finished blocks into @p out (appended), and with @p all also the block being filled. */
    void take(std::vector<WalkBlock>& out, bool all);
    /** Rows appended and not yet taken. */
    std::size_t waiting() const { return mWaiting; }

private:
    std::unordered_map<std::string, FolderPathPtr> mFolders;
    std::vector<WalkBlock> mDone;
    WalkBlock mBlock;
    std::string mFolderText; // of mBlock
    std::size_t mWaiting = 0;
};

} // namespace dirlix
