// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: what the user can do with the list's rows: open them, show them in their folder, copy them.
#pragma once

#include <QObject>
#include <QString>
#include <Qt>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QTableView;

namespace dirlix {

class FileList;
class FileListModel;

/**
 * The item-data roles through which a model other than the file list tells the row commands which
 * file a row names: its full path and its folder (ending in the separator), each as the bytes of
 * the name (a QByteArray). A row that answers neither names no file.
 */
enum RowFileRole {
    RowFilePathRole = Qt::UserRole + 0x100,
    RowFolderRole,
};

/**
 * The row commands of the list: Open (also double-click and Enter), Open Containing Folder, Copy
 * Full Path, Copy Rows and Select All, offered in the list's context menu and as actions for the
 * window's menus; tooltips with the whole text of a cell that is cut off. Files reach the desktop
 * through desktopOpener() only. The view and the model must outlive this object.
 *
 * Made with the file list's model, the commands work on the list (or the comparison it shows).
 * Made with the view alone, they work on whatever model the view shows: the files come from its
 * RowFilePathRole and RowFolderRole, Copy Rows copies each visible cell's Qt::EditRole text
 * (Qt::DisplayRole where it has none), and the list indexes below are the view's rows.
 */
class RowActions : public QObject {
    Q_OBJECT
public:
    RowActions(QTableView* view, FileListModel* model, QObject* parent = nullptr);
    /** Row commands for any model the view shows, through RowFilePathRole and RowFolderRole. */
    explicit RowActions(QTableView* view, QObject* parent = nullptr);

    QAction* openAction;
    QAction* openFolderAction;
    QAction* copyPathsAction;
    QAction* copyRowsAction;
    QAction* selectAllAction;

    /**
     * The list the view's rows come from: the file list, or the differences while a comparison is
     * shown. Only for commands made with the file list's model.
     */
    const FileList& shownList() const;
    /** The index in shownList() (from 0) of view row @p viewRow; SIZE_MAX for one out of range. */
    std::size_t listIndex(int viewRow) const;
    /** The shownList() indexes (from 0) of the selected rows, in the order shown. */
    std::vector<std::uint32_t> selectedRows() const;
    /** The visible columns' captions and the texts of @p rows, tab-separated, one line each. */
    QString rowsText(const std::vector<std::uint32_t>& rows) const;
    /** The full paths of @p rows, one a line. */
    QString pathsText(const std::vector<std::uint32_t>& rows) const;
    /** A file URL that names the path @p path (bytes) exactly, whatever bytes it holds. */
    static QString fileUrl(std::string_view path);

    /** Opens the file of view row @p viewRow with the desktop's program for it. */
    void openRow(int viewRow);
    /** Shows the file of view row @p viewRow in a file manager, else opens its folder. */
    void openContainingFolder(int viewRow);
    /** The list's context menu, as it shows for the current rows; the caller owns it. */
    QMenu* contextMenu(QWidget* parent) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    /** The desktop could not take a file or folder. */
    void failed(const QString& message);

private:
    int currentRow() const;
    void copyToClipboard(bool paths);
    /** The file of view row @p viewRow: its full path and folder; false for a row that names none. */
    bool fileOf(int viewRow, std::string& path, std::string& folder) const;

    QTableView* mView;
    FileListModel* mModel;
};

} // namespace dirlix
