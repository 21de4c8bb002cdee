// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the differences between the list and a saved list, as ListView1 shows them.
#pragma once

#include "output/ColumnTexts.h"
#include "output/DifferencesExport.h"
#include "output/ListCompare.h"
#include "search/FileList.h"

#include <QAbstractTableModel>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace dirlix {

/** How far a comparison has gone, for its progress: written by the comparing thread, read by any. */
struct CompareProgress {
    std::atomic<std::uint64_t> rows{0};  ///< rows of the list compared so far
    std::atomic<bool> checksums{false};  ///< whether the files' checksums are read (the saved list has them)
};

/** The differences of one comparison: rows, their changes and the saved values of changed rows. */
struct Comparison {
    /** The saved size and modified time of a changed row. */
    struct Before {
        std::int64_t size = 0;
        std::int64_t modified = 0;
        bool sizeKnown = false;
        bool modifiedKnown = false;
    };
    std::unique_ptr<FileList> rows = std::make_unique<FileList>();
    std::vector<RowChange> changes; ///< one per row
    std::vector<Before> before;     ///< one per row; set for changed rows
    std::uint64_t added = 0, removed = 0, changed = 0;
    std::uint64_t renamed = 0, corrupt = 0; ///< found by checksums, when the saved list has them
    /** The checksums and old paths of the rows; never null; its algorithm empty without checksums. */
    std::shared_ptr<ContentDifferences> content = std::make_shared<ContentDifferences>();
    std::uint64_t unhashed = 0;     ///< files whose checksum could not be read (a change they hide is not told)
    std::string firstUnhashed;      ///< the first of them and why, in words for the user
    std::string error;              ///< why the saved list could not be read; empty when it was
    bool stopped = false;
    bool savedRowsInScope = true;   ///< false when no saved row lies in the folder searched (ListCompare::savedRowsInScope())

    /**
     * Compares the rows of @p shown with the saved list in the file @p savedPath: the added and
     * changed rows in the order of @p shown, with their values now, then the removed ones in the
     * saved order, with their saved values; every row's dates in @p datePattern. Saved rows at or
     * below @p unreadableFolders (folder texts) are not removed, nor, when @p startFolder is given,
     * those a search of it under @p filter could not have found. When the saved list carries
     * checksums, the files of @p shown are read for theirs (the same algorithm), and a file found
     * at a new path with the content of a gone one is Renamed (content->oldPaths), one whose size
     * and time are unchanged but whose checksum is not is Corrupt, paired as dirlix-list
     * --compare pairs them (ContentChanges). Runs on any thread; stops early once @p stop becomes
     * true, also in the middle of a large file; @p progress (may be null) follows it.
     */
    static Comparison make(RowSource& shown, const std::string& savedPath, const std::vector<std::string>& unreadableFolders,
                           const std::string& datePattern, const std::atomic<bool>* stop = nullptr,
                           const std::string& startFolder = {}, std::shared_ptr<const WalkFilter> filter = {},
                           CompareProgress* progress = nullptr);
};

/**
 * Shows a comparison in nine columns: "Change" (Added, Removed, Changed, Renamed, Corrupt), then
 * the file list's eight. A changed row's tooltip gives its saved size and modified time; a renamed
 * row shows its old path with its change ("Renamed from ..."), and a corrupt row's tooltip says why.
 */
class CompareModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CompareModel(const DateLocale& locale, QObject* parent = nullptr);

    /** Shows @p comparison instead of what was shown. */
    void setComparison(Comparison comparison);
    const Comparison& comparison() const { return mComparison; }
    const DateLocale& locale() const { return mTexts.locale(); }
    /** The caption of @p change: "Added", "Removed", "Changed", "Renamed" or "Corrupt". */
    static QString changeText(RowChange change);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Comparison mComparison;
    mutable RowTexts mTexts;
    mutable std::string mFolder;
};

} // namespace dirlix
