// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list model.
#include "app/FileListModel.h"
#include "search/Walker.h"

#include <climits>

namespace dirlix {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::clear()
{
    beginResetModel();
    mList.clear();
    endResetModel();
}

void FileListModel::appendBlocks(const std::vector<WalkBlock>& blocks, const std::string& datePattern)
{
    std::size_t added = 0;
    for (const WalkBlock& block : blocks)
        added += block.entries.size();
    // A Qt view counts rows in an int; rows beyond that stay in the list for the exports.
    const std::size_t first = mList.count();
    const bool shown = first + added <= std::size_t(INT_MAX);
    if (added != 0 && shown)
        beginInsertRows({}, int(first), int(first + added - 1));
    for (const WalkBlock& block : blocks)
        mList.appendBlock(block, datePattern);
    if (added != 0 && shown)
        endInsertRows();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(std::min<std::size_t>(mList.count(), INT_MAX));
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 8;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || std::size_t(index.row()) >= mList.count())
        return {};
    std::string text;
    mTexts.appendColumn(text, index.column() + 1, mList.row(std::size_t(index.row()), mFolder));
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 8)
        return {};
    const std::string_view caption = kColumnCaptions[section];
    return QString::fromLatin1(caption.data(), qsizetype(caption.size()));
}

} // namespace dirlix
