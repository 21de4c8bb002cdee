// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the window that shows the groups of duplicate files that File, Find Duplicates found.
#pragma once

#include "content/DuplicateFinder.h"

#include <QMainWindow>

#include <cstdint>
#include <vector>

class QLabel;
class QTableView;

namespace dirlix {

class DuplicateModel;
class RowActions;

/**
 * A window of its own, beside the main window and not modal: the groups in a table of Group, Size
 * and Path, one row per file, with the row commands of the list (Open, Open Containing Folder, Copy
 * Full Path, Copy Rows, Select All) in its Edit menu and context menu; its status bar tells the
 * groups, the files and the bytes that could be freed. Closing it hides it; it is shown again with
 * the next groups.
 */
class DuplicateWindow : public QMainWindow {
    Q_OBJECT
public:
    /** A window for @p parent, which owns it; it stays above its parent. */
    explicit DuplicateWindow(QWidget* parent);

    /**
     * Shows @p groups, found among @p filesLookedAt listed files of which @p unread could not be
     * read, and tells them in the status bar.
     */
    void showGroups(std::vector<DuplicateGroup> groups, std::uint64_t filesLookedAt, std::uint64_t unread);
    /**
     * The words of the status bar: the groups, their files and the bytes that could be freed, in
     * the locale's numbers; or that none were found among @p filesLookedAt.
     */
    static QString summary(std::uint64_t groups, std::uint64_t files, std::uint64_t wasted, std::uint64_t filesLookedAt,
                           std::uint64_t unread);

    QTableView* view() const { return mView; }
    DuplicateModel* model() const { return mModel; }
    /** The row commands of the table. */
    RowActions* rows() const { return mRows; }
    /** The status bar's message. */
    QLabel* statusText() const { return mStatus; }

private:
    void reportFailure(const QString& message);

    QTableView* mView;
    DuplicateModel* mModel;
    RowActions* mRows;
    QLabel* mStatus;
};

} // namespace dirlix
