// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison model.
#include "app/CompareModel.h"

#include "app/RowBlocks.h"
#include "output/DifferencesExport.h"

#include <QLocale>

#include <climits>

namespace dirlix {

Comparison Comparison::make(RowSource& shown, const std::string& savedPath,
                            const std::vector<std::string>& unreadableFolders, const std::string& datePattern,
                            const std::atomic<bool>* stop, const std::string& startFolder,
                            std::shared_ptr<const WalkFilter> filter)
{
    Comparison result;
    SavedList saved;
    if (!saved.load(savedPath, result.error, stop)) {
        result.stopped = result.error.empty();
        return result;
    }
    ListCompare compare(saved);
    for (const std::string& folder : unreadableFolders)
        compare.folderUnreadable(folder);
    if (!startFolder.empty())
        compare.setScope(startFolder, std::move(filter));
    result.savedRowsInScope = compare.savedRowsInScope();
    RowBlocks blocks;
    std::vector<WalkBlock> ready;
    const auto flush = [&](bool all) {
        blocks.take(ready, all);
        for (const WalkBlock& block : ready)
            result.rows->appendBlock(block, datePattern);
        ready.clear();
    };
    Row row;
    for (std::size_t read = 0; shown.next(row); ++read) {
        // Looked at every few rows, changed or not: a list that has not changed is read through too.
        if (read % 4096 == 0 && stop && stop->load(std::memory_order_relaxed)) {
            result.stopped = true;
            return result;
        }
        std::size_t savedRow = SavedList::npos;
        const RowChange change = compare.compare(row, savedRow);
        if (change == RowChange::None)
            continue;
        blocks.append(row.folder, row.name, row.values);
        result.changes.push_back(change);
        Before& before = result.before.emplace_back();
        if (change == RowChange::Changed) {
            ++result.changed;
            before = {saved.size(savedRow), saved.modified(savedRow), saved.sizeKnown(savedRow),
                      saved.modifiedKnown(savedRow)};
        } else {
            ++result.added;
        }
        if (blocks.waiting() >= 4096)
            flush(false);
    }
    JsonLineRow savedRow;
    compare.forEachRemoved([&](std::size_t index) {
        if (!saved.readRow(index, savedRow, result.error))
            return false;
        blocks.append(savedRow.folder, savedRow.name, savedRecord(savedRow));
        result.changes.push_back(RowChange::Removed);
        result.before.emplace_back();
        ++result.removed;
        if (blocks.waiting() >= 4096)
            flush(false);
        return !(stop && stop->load(std::memory_order_relaxed));
    });
    flush(true);
    result.stopped = stop && stop->load();
    return result;
}

CompareModel::CompareModel(const DateLocale& locale, QObject* parent) : QAbstractTableModel(parent), mTexts(locale) {}

void CompareModel::setComparison(Comparison comparison)
{
    beginResetModel();
    mComparison = std::move(comparison);
    endResetModel();
}

QString CompareModel::changeText(RowChange change)
{
    const std::string_view caption = DifferencesExporter::changeCaption(change);
    return tr(std::string(caption).c_str());
}

int CompareModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::min<std::size_t>(mComparison.rows->count(), INT_MAX));
}

int CompareModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 9;
}

QVariant CompareModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= mComparison.rows->count())
        return {};
    const auto at = std::size_t(index.row());
    const RowChange change = mComparison.changes[at];
    if (role == Qt::ToolTipRole && change == RowChange::Changed) {
        const Comparison::Before& before = mComparison.before[at];
        Row old = mComparison.rows->row(at, mFolder);
        old.values = {before.size, before.modified, before.modified, old.values.attributes, 0};
        std::string size, modified;
        if (before.sizeKnown)
            size = QLocale().toString(qlonglong(before.size)).toStdString();
        if (before.modifiedKnown)
            mTexts.appendColumn(modified, ColModified, old);
        return tr("Before: %1 bytes, modified %2")
            .arg(before.sizeKnown ? QString::fromStdString(size) : tr("unknown"),
                 before.modifiedKnown ? QString::fromUtf8(modified) : tr("unknown"));
    }
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == 0)
        return changeText(change);
    std::string text;
    mTexts.appendColumn(text, index.column(), mComparison.rows->row(at, mFolder));
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 9)
        return {};
    if (section == 0)
        return tr("Change");
    const std::string_view caption = kColumnCaptions[section - 1];
    return QString::fromLatin1(caption.data(), qsizetype(caption.size()));
}

} // namespace dirlix
