// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: what the user can do with the list's rows: open them, show them in their folder, copy them.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QTableView;

namespace dirlix {

class FileList;
class FileListModel;

/**
 * The row commands of the list: Open (also double-click and Enter), Open Containing Folder, Copy
 * Full Path, Copy Rows and Select All, offered in the list's context menu and as actions for the
 * window's menus; tooltips with the whole text of a cell that is cut off. Files reach the desktop
 * through desktopOpener() only. The view and the model must outlive this object.
 */
class RowActions : public QObject {
    Q_OBJECT
public:
    RowActions(QTableView* view, FileListModel* model, QObject* parent = nullptr);

    QAction* openAction;
    QAction* openFolderAction;
    QAction* copyPathsAction;
    QAction* copyRowsAction;
    QAction* selectAllAction;

    /** The list the view's rows come from: the file list, or the differences while a comparison is shown. */
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

    QTableView* mView;
    FileListModel* mModel;
};

} // namespace dirlix
