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
    mShown = {};
    endResetModel();
    // After the reset, so that the column goes as a column and the others keep their widths.
    if (!mHashes->algorithm.empty())
        setHashes({}, {});
    emit listCleared();
}

void FileListModel::setShownOrder(std::vector<std::uint32_t> order, RowFilter filter)
{
    beginResetModel();
    mOrdered = true;
    mShown = std::move(order);
    if (mShown.size() > std::size_t(INT_MAX))
        mShown.resize(INT_MAX);
    mFilter = std::move(filter);
    endResetModel();
}

void FileListModel::clearShownOrder()
{
    if (!mOrdered)
        return;
    beginResetModel();
    mOrdered = false;
    mShown = {};
    mFilter = {};
    endResetModel();
}

void FileListModel::appendShown(std::size_t first)
{
    if (!mOrdered)
        return;
    std::vector<std::uint32_t> added;
    std::string folder;
    for (std::size_t i = first; i < mList.count() && mShown.size() + added.size() < std::size_t(INT_MAX); ++i)
        if (!mFilter || mFilter(mList.row(i, folder)))
            added.push_back(std::uint32_t(i));
    if (added.empty())
        return;
    beginInsertRows({}, int(mShown.size()), int(mShown.size() + added.size() - 1));
    mShown.insert(mShown.end(), added.begin(), added.end());
    endInsertRows();
}

std::size_t FileListModel::listIndex(int viewRow) const
{
    if (viewRow < 0)
        return SIZE_MAX;
    if (mOrdered)
        return std::size_t(viewRow) < mShown.size() ? mShown[std::size_t(viewRow)] : SIZE_MAX;
    return std::size_t(viewRow) < mList.count() ? std::size_t(viewRow) : SIZE_MAX;
}

namespace {

// The rows of a snapshot with their checksums: the n-th row read is list row order[n], or n
// without an order.
class HashedRows : public RowSource {
public:
    HashedRows(std::unique_ptr<RowSource> rows, std::shared_ptr<const void> keep, const std::string& algorithm,
               const std::vector<std::string>& hashes, std::vector<std::uint32_t> order, bool ordered)
        : mRows(std::move(rows)), mKeep(std::move(keep)), mAlgorithm(algorithm), mHashes(hashes),
          mOrder(std::move(order)), mOrdered(ordered)
    {
    }
    bool next(Row& row) override
    {
        if (!mRows->next(row))
            return false;
        const std::size_t index = mOrdered ? (mNext < mOrder.size() ? mOrder[mNext] : SIZE_MAX) : mNext;
        ++mNext;
        row.hashAlgorithm = mAlgorithm;
        row.hash = index < mHashes.size() ? std::string_view(mHashes[index]) : std::string_view();
        return true;
    }
    std::optional<std::uint64_t> total() const override { return mRows->total(); }

private:
    std::unique_ptr<RowSource> mRows;
    std::shared_ptr<const void> mKeep; // owns mAlgorithm and mHashes
    const std::string& mAlgorithm;
    const std::vector<std::string>& mHashes;
    std::vector<std::uint32_t> mOrder;
    bool mOrdered;
    std::size_t mNext = 0;
};

} // namespace

void FileListModel::setHashes(std::string algorithm, std::vector<std::string> hashes)
{
    // The column comes and goes on its own, so that the widths of the other eight stay as they are.
    const bool had = !mHashes->algorithm.empty(), has = !algorithm.empty();
    if (!has)
        hashes.clear();
    if (has && !had)
        beginInsertColumns({}, 8, 8);
    else if (had && !has)
        beginRemoveColumns({}, 8, 8);
    mHashes = std::make_shared<const Hashes>(Hashes{std::move(algorithm), std::move(hashes)});
    if (has && !had)
        endInsertColumns();
    else if (had && !has)
        endRemoveColumns();
    else if (has && rowCount() > 0)
        emit dataChanged(index(0, 8), index(rowCount() - 1, 8));
}

std::string_view FileListModel::hashOf(std::size_t index) const
{
    return index < mHashes->byRow.size() ? std::string_view(mHashes->byRow[index]) : std::string_view();
}

std::unique_ptr<RowSource> FileListModel::shownRows() const
{
    auto rows = mOrdered ? mList.rows(mShown) : mList.rows();
    if (mHashes->algorithm.empty())
        return rows; // no checksums: the rows exactly as they always were
    return std::make_unique<HashedRows>(std::move(rows), mHashes, mHashes->algorithm, mHashes->byRow,
                                        mOrdered ? mShown : std::vector<std::uint32_t>(), mOrdered);
}

QString FileListModel::visibleText(QString text)
{
    for (QChar& c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n')
            c = QChar(0x23CE); // return symbol
        else if (code == u'\t')
            c = QChar(0x2192); // rightwards arrow
        else if (code < 0x20)
            c = QChar(char16_t(0x2400 + code)); // the control pictures block
        else if (code == 0x7F)
            c = QChar(0x2421);
    }
    return text;
}

void FileListModel::appendBlocks(std::span<const WalkBlock> blocks, const std::string& datePattern)
{
    std::size_t added = 0;
    for (const WalkBlock& block : blocks)
        added += block.entries.size();
    // A Qt view counts rows in an int; rows beyond that stay in the list for the exports.
    const std::size_t first = mList.count();
    if (mOrdered) {
        for (const WalkBlock& block : blocks)
            mList.appendBlock(block, datePattern);
        appendShown(first);
        return;
    }
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
    return int(std::min<std::size_t>(mOrdered ? mShown.size() : mList.count(), INT_MAX));
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : mHashes->algorithm.empty() ? 8 : 9;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    const std::size_t row = index.isValid() ? listIndex(index.row()) : SIZE_MAX;
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || row == SIZE_MAX)
        return {};
    if (index.column() == 8) {
        const std::string_view hash = hashOf(row);
        return QString::fromLatin1(hash.data(), qsizetype(hash.size()));
    }
    std::string text;
    mTexts.appendColumn(text, index.column() + 1, mList.row(row, mFolder));
    // The edit role gives the text as it is, for copies; the display role what the eye can read.
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return role == Qt::EditRole ? decoded : visibleText(decoded);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    if (section == 8)
        return QString::fromLatin1(kHashCaption.data(), qsizetype(kHashCaption.size()));
    const std::string_view caption = kColumnCaptions[section];
    return QString::fromLatin1(caption.data(), qsizetype(caption.size()));
}

} // namespace dirlix
