// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the model behind ListView1: the file list's eight columns for a Qt view.
#pragma once

#include "output/ColumnTexts.h"
#include "search/FileList.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace dirlix {

struct WalkBlock;

/**
 * Shows a FileList in eight columns ("File" .. "MYMD"). Texts are made when the view asks for
 * them; names and folders are decoded from UTF-8 with invalid bytes shown as replacement
 * characters, while the list itself keeps the bytes; control characters show as visible symbols.
 *
 * The rows show in walk order until a shown order is set (a sort, the find bar); then the view's
 * rows are the list rows that order names, and rows the search adds later go after them when the
 * order's filter takes them.
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

    /**
     * Shows a ninth column, Hash, and gives every output's rows their checksums: @p hashes[i] is
     * the checksum of list row i (empty: none; rows past its end have none), in @p algorithm
     * ("sha256" ...). An empty @p algorithm takes the column away again.
     */
    void setHashes(std::string algorithm, std::vector<std::string> hashes);
    /** The algorithm of the checksums shown; empty when none are. */
    const std::string& hashAlgorithm() const { return mHashes->algorithm; }
    /** The checksum of list row @p index; empty when it has none. */
    std::string_view hashOf(std::size_t index) const;

    /** Removes every row and checksum; a shown order in force stays in force, empty. */
    void clear();

    /** Which rows test a row the search adds while a shown order is in force. */
    using RowFilter = std::function<bool(const Row&)>;
    /**
     * Shows the list rows @p order names, in that order, and later rows that @p filter takes
     * (every one when it is empty). Indexes must be below list().count().
     */
    void setShownOrder(std::vector<std::uint32_t> order, RowFilter filter = {});
    /** Shows every row in walk order again. */
    void clearShownOrder();
    /** Whether a shown order is in force. */
    bool ordered() const { return mOrdered; }
    /** Adds the rows from list index @p first on that the order's filter takes, after the shown ones. */
    void appendShown(std::size_t first);
    /** The list index (from 0) of view row @p viewRow; SIZE_MAX for one out of range. */
    std::size_t listIndex(int viewRow) const;
    /** The rows the view shows, in order, for an output. Walk order: list().rows(). */
    std::unique_ptr<RowSource> shownRows() const;
    /** The text @p text as the list shows it: line feed, tab and other controls as visible symbols. */
    static QString visibleText(QString text);
    /** Appends the files of @p blocks in order, their dates in @p datePattern. */
    void appendBlocks(std::span<const WalkBlock> blocks, const std::string& datePattern);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    /** The list was emptied for a new search. */
    void listCleared();

private:
    struct Hashes {
        std::string algorithm;
        std::vector<std::string> byRow;
    };
    FileList mList;
    // Shared with the row snapshots outputs read on their own thread: replaced, never changed.
    std::shared_ptr<const Hashes> mHashes = std::make_shared<const Hashes>();
    bool mOrdered = false;
    std::vector<std::uint32_t> mShown; // the list indexes the view shows, while ordered
    RowFilter mFilter;
    mutable RowTexts mTexts;
    mutable std::string mFolder; // scratch for a row's folder text
};

} // namespace dirlix
