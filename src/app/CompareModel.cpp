// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison model.
#include "app/CompareModel.h"

#include "app/FileListModel.h"
#include "app/RowBlocks.h"
#include "content/HashingRows.h"
#include "output/ContentChanges.h"
#include "output/DifferencesExport.h"

#include <QLocale>

#include <climits>
#include <optional>

namespace dirlix {

Comparison Comparison::make(RowSource& shown, const std::string& savedPath,
                            const std::vector<std::string>& unreadableFolders, const std::string& datePattern,
                            const std::atomic<bool>* stop, const std::string& startFolder,
                            std::shared_ptr<const WalkFilter> filter, CompareProgress* progress)
{
    Comparison result;
    SavedList saved;
    if (!saved.load(savedPath, result.error, stop)) {
        result.stopped = result.error.empty();
        return result;
    }
    // A list saved with checksums: the files get theirs too, in the same algorithm, so that
    // renamed and moved files and content changed without its time are told.
    std::string algorithmName;
    if (!ContentChanges::algorithmOf(saved, algorithmName, result.error))
        return result;
    std::optional<HashAlgorithm> algorithm;
    if (!algorithmName.empty() && !(algorithm = hashAlgorithmNamed(algorithmName))) {
        result.error = "its checksums are of an unknown kind: " + algorithmName;
        return result;
    }
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    std::optional<HashingRows> hashing;
    if (algorithm) {
        result.content->algorithm = algorithmName;
        // Called on this thread, in row order.
        hashing.emplace(shown, *algorithm, 0, [&result, &stopped](const std::string& path, const std::string& reason) {
            if (stopped())
                return; // given up because of Stop, not unreadable
            if (result.unhashed++ == 0)
                result.firstUnhashed = path + ": " + reason;
        }, stop);
        if (progress)
            progress->checksums = true;
    }
    RowSource& source = hashing ? static_cast<RowSource&>(*hashing) : shown;

    ListCompare compare(saved);
    ContentChanges content(saved);
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
    std::vector<std::pair<std::size_t, std::size_t>> candidates; // row, candidate number with ContentChanges
    Row row;
    for (std::size_t read = 0; source.next(row); ++read) {
        // Looked at every few rows, changed or not: a list that has not changed is read through
        // too; at every row while files are read, each of which may take long.
        if ((hashing || read % 4096 == 0) && stopped()) {
            result.stopped = true;
            return result;
        }
        if (progress)
            progress->rows.store(read + 1, std::memory_order_relaxed);
        std::size_t savedRow = SavedList::npos;
        RowChange change = compare.compare(row, savedRow);
        if (algorithm && !content.refine(row, savedRow, change, result.error))
            return result;
        if (change == RowChange::None)
            continue;
        const std::size_t index = result.changes.size();
        blocks.append(row.folder, row.name, row.values);
        result.changes.push_back(change);
        if (algorithm)
            result.content->hashes.emplace_back(row.hash);
        Before& before = result.before.emplace_back();
        if (change == RowChange::Changed) {
            ++result.changed;
            before = {saved.size(savedRow), saved.modified(savedRow), saved.sizeKnown(savedRow),
                      saved.modifiedKnown(savedRow)};
        } else if (change == RowChange::Corrupt) {
            ++result.corrupt;
        } else {
            ++result.added;
            if (algorithm)
                if (const std::size_t candidate = content.addCandidate(row); candidate != ContentChanges::npos)
                    candidates.emplace_back(index, candidate);
        }
        if (blocks.waiting() >= 4096)
            flush(false);
    }
    hashing.reset(); // its threads end here
    if (stopped()) {
        result.stopped = true;
        return result;
    }
    if (algorithm) {
        if (!content.pairRenames(compare, result.error, stop)) {
            result.stopped = result.error.empty();
            return result;
        }
        for (const auto& [index, candidate] : candidates) {
            const std::size_t from = content.renamedFrom(candidate);
            if (from == SavedList::npos)
                continue;
            result.changes[index] = RowChange::Renamed;
            std::string oldPath(saved.folder(from));
            oldPath += saved.name(from);
            result.content->oldPaths.emplace(index, std::move(oldPath));
            --result.added;
            ++result.renamed;
        }
    }
    JsonLineRow savedRow;
    JsonLineReader reader;
    compare.forEachRemoved([&](std::size_t index) {
        if (content.paired(index))
            return true; // told as renamed
        if (!saved.readRow(index, savedRow, result.error, reader))
            return false;
        blocks.append(savedRow.folder, savedRow.name, savedRecord(savedRow));
        result.changes.push_back(RowChange::Removed);
        result.before.emplace_back();
        if (algorithm)
            result.content->hashes.emplace_back();
        ++result.removed;
        if (blocks.waiting() >= 4096)
            flush(false);
        return !stopped();
    });
    flush(true);
    result.stopped = stopped();
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
        old.values = {before.size, before.modified, before.modified, old.values.attributes, 0, 0};
        std::string size, modified;
        if (before.sizeKnown)
            size = QLocale().toString(qlonglong(before.size)).toStdString();
        if (before.modifiedKnown)
            mTexts.appendColumn(modified, ColModified, old);
        return tr("Before: %1 bytes, modified %2")
            .arg(before.sizeKnown ? QString::fromStdString(size) : tr("unknown"),
                 before.modifiedKnown ? QString::fromUtf8(modified) : tr("unknown"));
    }
    const std::string* oldPath = mComparison.content->oldPathOf(at);
    if (role == Qt::ToolTipRole && change == RowChange::Renamed && oldPath)
        return tr("Renamed or moved from %1, with the same size and checksum")
            .arg(FileListModel::visibleText(QString::fromUtf8(oldPath->data(), qsizetype(oldPath->size()))));
    if (role == Qt::ToolTipRole && change == RowChange::Corrupt)
        return tr("The same size and modified time as in the list, but another %1 checksum: the content changed "
                  "without its time (corruption, or a time set back)")
            .arg(QString::fromStdString(mComparison.content->algorithm));
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == 0 && change == RowChange::Renamed && oldPath)
        return tr("Renamed from %1")
            .arg(FileListModel::visibleText(QString::fromUtf8(oldPath->data(), qsizetype(oldPath->size()))));
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
