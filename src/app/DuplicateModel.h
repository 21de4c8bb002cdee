// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: groups of duplicate files as a table: Group, Size, Path, one row per file.
#pragma once

#include "content/DuplicateFinder.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace dirlix {

/**
 * Shows groups of duplicates in three columns, "Group" (numbered from 1), "Size" (bytes, in
 * digits) and "Path", one row per file: the groups in the order given, each group's files in its
 * order. Paths are decoded from UTF-8 for the eye, control characters shown as symbols; the edit
 * role gives the texts as they are, and RowFilePathRole / RowFolderRole the exact bytes of the file
 * and its folder, for the row commands. Every other group has the alternate background, so that
 * the groups stand apart.
 */
class DuplicateModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DuplicateModel(QObject* parent = nullptr);

    /** Shows @p groups instead of what was shown. */
    void setGroups(std::vector<DuplicateGroup> groups);
    const std::vector<DuplicateGroup>& groups() const { return mGroups; }
    /** The files of all groups. */
    std::uint64_t files() const { return mRows.size(); }
    /** The bytes that removing all files but one of each group would free. */
    std::uint64_t wasted() const { return mWasted; }
    /** The group (from 0) of row @p row; -1 for one out of range. */
    int groupOf(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Place {
        std::uint32_t group;
        std::uint32_t file; // in the group's paths
    };
    std::vector<DuplicateGroup> mGroups;
    std::vector<Place> mRows;
    std::uint64_t mWasted = 0;
};

} // namespace dirlix
