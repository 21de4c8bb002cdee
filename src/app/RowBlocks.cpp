// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: gathering rows into blocks.
#include "app/RowBlocks.h"

namespace dirlix {

namespace {
// Blocks of a bounded size, so that a list with one huge folder still reaches the view in steps.
constexpr std::size_t kBlockRows = 4096;
} // namespace

void RowBlocks::append(std::string_view folder, std::string_view name, const FileRecord& values)
{
    if (!mBlock.folder || mFolderText != folder || mBlock.entries.size() >= kBlockRows) {
        if (mBlock.folder && !mBlock.entries.empty())
            mDone.push_back(std::move(mBlock));
        mBlock = {};
        mFolderText.assign(folder);
        FolderPathPtr& path = mFolders[mFolderText];
        if (!path)
            path = std::make_shared<FolderPath>(nullptr, mFolderText);
        mBlock.folder = path;
    }
    WalkEntry& entry = mBlock.entries.emplace_back();
    entry.nameOffset = std::uint32_t(mBlock.names.size());
    entry.nameLength = std::uint32_t(name.size());
    entry.values = values;
    mBlock.names += name;
    ++mWaiting;
}

void RowBlocks::take(std::vector<WalkBlock>& out, bool all)
{
    if (all && !mBlock.entries.empty()) {
        mDone.push_back(std::move(mBlock));
        mBlock = {};
    }
    for (WalkBlock& block : mDone) {
        mWaiting -= block.entries.size();
        out.push_back(std::move(block));
    }
    mDone.clear();
}

} // namespace dirlix
