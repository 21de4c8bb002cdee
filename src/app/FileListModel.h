// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the model behind ListView1: the file list's eight columns for a Qt view.
#pragma once

#include "output/ColumnTexts.h"
#include "search/FileList.h"

#include <QAbstractTableModel>

namespace dirlix {

struct WalkBlock;

/**
 * Shows a FileList in eight columns ("File" .. "MYMD"). Texts are made when the view asks for
 * them; names and folders are decoded from UTF-8 with invalid bytes shown as replacement
 * characters, while the list itself keeps the bytes. Rows are not sortable.
 */
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    /** The rows behind the model; change them only through the model's own operations. */
    const FileList& list() const { return mList; }
    /** The locale for date texts; English until set. */
    void setLocale(const DateLocale& locale) { mTexts = RowTexts(locale); }
    const DateLocale& locale() const { return mTexts.locale(); }

    /** Removes every row. */
    void clear();
    /** Appends the files of @p blocks in order, their dates in @p datePattern. */
    void appendBlocks(const std::vector<WalkBlock>& blocks, const std::string& datePattern);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    FileList mList;
    mutable RowTexts mTexts;
    mutable std::string mFolder; // scratch for a row's folder text
};

} // namespace dirlix
