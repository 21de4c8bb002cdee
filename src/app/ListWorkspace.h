// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list as a workspace: sorting by a header, the find bar, row commands, status and drops.
#pragma once

#include "app/ListOrder.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMimeData;
class QMenu;
class QTableView;
class QTimer;

namespace dirlix {

class FileListModel;
class FindBar;
class RowActions;
class SearchController;

/**
 * Everything the user does with the list beyond the described window. A click on a column
 * header sorts by that column, a second click sorts the other way, a third returns to the walk
 * order; the find bar narrows the rows. Both run on a worker thread, and a newer request makes an
 * older one give up, so the window never waits for them. The status bar gets a label for the
 * shown and selected rows, the window takes dropped folders into @p directoryBox.
 *
 * Until the user sorts or types in the find bar the model shows the walk order untouched.
 * The window's widgets and the model must outlive this object.
 */
class ListWorkspace : public QObject {
    Q_OBJECT
public:
    ListWorkspace(QMainWindow* window, QTableView* view, FileListModel* model, SearchController* search,
                  QLineEdit* directoryBox);
    ~ListWorkspace() override;

    /** Find (Ctrl+F): opens the find bar. */
    QAction* findAction;
    /** The row commands (Open, Copy Rows, …). */
    RowActions* rows() const { return mRows; }
    FindBar* findBar() const { return mFindBar; }
    /** The status bar label with the shown and selected rows. */
    QLabel* rowsLabel() const { return mRowsLabel; }

    /**
     * Follows the view's model: its selection, and whether it is the list (the find bar narrows the
     * list only, so it is closed and unavailable while another model, a comparison, is shown).
     * Called whenever the view is given another model.
     */
    void followModel();
    /** Puts the Edit menu's commands into @p menu. */
    void fillEditMenu(QMenu* menu);

    /** The column sorted by (-1: walk order) and whether it goes down. */
    int sortColumn() const { return mSortColumn; }
    bool descending() const { return mDescending; }
    /** Does what a click on header section @p column does. */
    void headerClicked(int column);
    /** Narrows the shown rows to those @p text finds (empty: all). */
    void setFind(const QString& text, bool wholePath);
    /** Whether sorting or narrowing is still running. */
    bool busy() const { return mPending; }

    /** Takes a folder dropped on the window or the directory box into the directory box. */
    bool eventFilter(QObject* watched, QEvent* event) override;
    /** The folder a drop of @p data names, with a trailing separator (a file gives its folder); empty for none. */
    static QString droppedFolder(const QMimeData* data);

signals:
    /** A requested sort or narrowing is now what the list shows. */
    void orderApplied();

private:
    void refresh(bool resort);
    void apply(unsigned generation, std::size_t count, std::shared_ptr<const RowOrder> sorted, RowOrder shown);
    void listCleared();
    void searchFinished();
    void showIndicator();
    void showRowCounts();

    QTableView* mView;
    QLineEdit* mDirectoryBox;
    FileListModel* mModel;
    RowActions* mRows;
    FindBar* mFindBar;
    QLabel* mRowsLabel;
    QTimer* mSelectionTimer;
    QString mSelectionText;

    int mSortColumn = -1;
    bool mDescending = false;
    FindMatcher mFind;
    bool mPending = false;
    bool mSearching = false;
    // The sorted order of the first mSortedCount rows, kept so that typing does not sort again.
    std::shared_ptr<const RowOrder> mSorted;
    std::size_t mSortedCount = 0;

    std::shared_ptr<std::atomic<unsigned>> mGeneration = std::make_shared<std::atomic<unsigned>>(0);
    QThreadPool mPool;
};

} // namespace dirlix
