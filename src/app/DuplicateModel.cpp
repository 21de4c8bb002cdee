// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the duplicate groups' table.
#include "app/DuplicateModel.h"

#include "app/FileListModel.h"
#include "app/RowActions.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QPalette>

#include <climits>

namespace dirlix {

DuplicateModel::DuplicateModel(QObject* parent) : QAbstractTableModel(parent) {}

void DuplicateModel::setGroups(std::vector<DuplicateGroup> groups)
{
    beginResetModel();
    mGroups = std::move(groups);
    mRows.clear();
    mWasted = 0;
    for (std::size_t g = 0; g < mGroups.size(); ++g) {
        mWasted += mGroups[g].wasted();
        for (std::size_t f = 0; f < mGroups[g].paths.size(); ++f)
            mRows.push_back({std::uint32_t(g), std::uint32_t(f)});
    }
    endResetModel();
}

int DuplicateModel::groupOf(int row) const
{
    return row >= 0 && std::size_t(row) < mRows.size() ? int(mRows[std::size_t(row)].group) : -1;
}

int DuplicateModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::min<std::size_t>(mRows.size(), INT_MAX));
}

int DuplicateModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant DuplicateModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= mRows.size())
        return {};
    const Place place = mRows[std::size_t(index.row())];
    const DuplicateGroup& group = mGroups[place.group];
    const std::string& path = group.paths[place.file];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == 0)
            return QString::number(place.group + 1);
        if (index.column() == 1)
            return QString::number(group.size);
        if (role == Qt::EditRole)
            return QString::fromUtf8(path.data(), qsizetype(path.size()));
        return FileListModel::visibleText(QString::fromUtf8(path.data(), qsizetype(path.size())));
    case Qt::TextAlignmentRole:
        return int(index.column() == 2 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (place.group % 2 == 1)
            return QApplication::palette().alternateBase();
        return {};
    case RowFilePathRole:
        return QByteArray(path.data(), qsizetype(path.size()));
    case RowFolderRole: {
        const std::size_t separator = path.find_last_of(fsys::kSeparators);
        return separator == std::string::npos ? QVariant() : QByteArray(path.data(), qsizetype(separator + 1));
    }
    default:
        return {};
    }
}

QVariant DuplicateModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return tr("Group");
    case 1:
        return tr("Size");
    case 2:
        return tr("Path");
    default:
        return {};
    }
}

} // namespace dirlix
