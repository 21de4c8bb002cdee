// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list's row commands.
#include "app/RowActions.h"
#include "platform/FileUrl.h"

#include "app/CompareModel.h"
#include "app/FileListModel.h"
#include "output/ColumnTexts.h"
#include "product/DesktopOpener.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QStringList>
#include <QTableView>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace dirlix {

namespace {
std::string fullPath(const Row& row)
{
    std::string path(row.folder);
    path.append(row.name);
    return path;
}

// While a comparison is shown, the view's rows are the differences, not the list's rows.
const CompareModel* comparisonShown(const QTableView* view)
{
    return qobject_cast<const CompareModel*>(view->model());
}
} // namespace

const FileList& RowActions::shownList() const
{
    if (const CompareModel* compare = comparisonShown(mView))
        return *compare->comparison().rows;
    return mModel->list();
}

std::size_t RowActions::listIndex(int viewRow) const
{
    if (!mModel)
        return viewRow >= 0 && viewRow < mView->model()->rowCount() ? std::size_t(viewRow) : SIZE_MAX;
    if (const CompareModel* compare = comparisonShown(mView))
        return viewRow >= 0 && std::size_t(viewRow) < compare->comparison().rows->count() ? std::size_t(viewRow)
                                                                                         : SIZE_MAX;
    return mModel->listIndex(viewRow);
}

RowActions::RowActions(QTableView* view, FileListModel* model, QObject* parent)
    : QObject(parent), mView(view), mModel(model)
{
    openAction = new QAction(tr("&Open"), this);
    openFolderAction = new QAction(tr("Open Containing &Folder"), this);
    copyPathsAction = new QAction(tr("Copy Full &Path"), this);
    copyRowsAction = new QAction(tr("&Copy Rows"), this);
    selectAllAction = new QAction(tr("Select &All"), this);
    copyRowsAction->setShortcut(QKeySequence::Copy);
    copyPathsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    // The keys copy rows while the list has the focus; in a text box they keep their own meaning.
    for (QAction* action : {copyRowsAction, copyPathsAction, selectAllAction}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        mView->addAction(action);
    }

    connect(openAction, &QAction::triggered, this, [this] { openRow(currentRow()); });
    connect(openFolderAction, &QAction::triggered, this, [this] { openContainingFolder(currentRow()); });
    connect(copyPathsAction, &QAction::triggered, this, [this] { copyToClipboard(true); });
    connect(copyRowsAction, &QAction::triggered, this, [this] { copyToClipboard(false); });
    connect(selectAllAction, &QAction::triggered, mView, &QAbstractItemView::selectAll);
    // Double-click and Enter.
    connect(mView, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { openRow(index.row()); });

    mView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = mView->indexAt(at);
        if (!index.isValid())
            return;
        // A right-click on a row outside the selection acts on that row alone.
        if (!mView->selectionModel()->isRowSelected(index.row(), {}))
            mView->selectRow(index.row());
        mView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        QMenu* menu = contextMenu(mView);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(mView->viewport()->mapToGlobal(at));
    });
    mView->viewport()->installEventFilter(this);
}

RowActions::RowActions(QTableView* view, QObject* parent) : RowActions(view, nullptr, parent)
{
}

QMenu* RowActions::contextMenu(QWidget* parent) const
{
    auto* menu = new QMenu(parent);
    menu->addAction(openAction);
    menu->addAction(openFolderAction);
    menu->addSeparator();
    menu->addAction(copyPathsAction);
    menu->addAction(copyRowsAction);
    menu->addSeparator();
    menu->addAction(selectAllAction);
    return menu;
}

int RowActions::currentRow() const
{
    return mView->currentIndex().isValid() ? mView->currentIndex().row() : -1;
}

std::vector<std::uint32_t> RowActions::selectedRows() const
{
    std::vector<int> viewRows;
    for (const QItemSelectionRange& range : mView->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            viewRows.push_back(row);
    std::sort(viewRows.begin(), viewRows.end());
    viewRows.erase(std::unique(viewRows.begin(), viewRows.end()), viewRows.end());
    std::vector<std::uint32_t> rows;
    rows.reserve(viewRows.size());
    for (int row : viewRows)
        if (const std::size_t index = listIndex(row); index != SIZE_MAX)
            rows.push_back(std::uint32_t(index));
    return rows;
}

QString RowActions::rowsText(const std::vector<std::uint32_t>& rows) const
{
    if (!mModel) {
        // Any model: its captions and each cell's text as it is (the edit role), else as shown.
        const QAbstractItemModel* model = mView->model();
        std::vector<int> columns;
        for (int column = 0; column < model->columnCount(); ++column)
            if (!mView->isColumnHidden(column))
                columns.push_back(column);
        QStringList lines;
        QStringList cells;
        for (int column : columns)
            cells << model->headerData(column, Qt::Horizontal).toString();
        lines << cells.join(QLatin1Char('\t'));
        for (const std::uint32_t row : rows) {
            cells.clear();
            for (int column : columns) {
                const QModelIndex index = model->index(int(row), column);
                const QVariant text = index.data(Qt::EditRole);
                cells << (text.isValid() ? text : index.data()).toString();
            }
            lines << cells.join(QLatin1Char('\t'));
        }
        return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    // A comparison's first column is the change of each row; its others are the list's.
    const CompareModel* compare = comparisonShown(mView);
    const int shift = compare ? 0 : 1;
    std::vector<int> columns; // list columns (from 1), 0 for the change
    for (int column = 0; column < mView->model()->columnCount(); ++column)
        if (!mView->isColumnHidden(column))
            columns.push_back(column + shift);
    std::string text;
    for (int column : columns) {
        if (column != columns.front())
            text += '\t';
        text += column == 0 ? compare->headerData(0, Qt::Horizontal).toString().toStdString()
                            : std::string(kColumnCaptions[column - 1]);
    }
    text += '\n';
    RowTexts texts(mModel->locale());
    auto source = shownList().rows(rows);
    std::size_t at = 0;
    for (Row row; source->next(row); ++at) {
        for (int column : columns) {
            if (column != columns.front())
                text += '\t';
            if (column == 0)
                text += CompareModel::changeText(compare->comparison().changes[rows[at]]).toStdString();
            else
                texts.appendColumn(text, column, row);
        }
        text += '\n';
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString RowActions::pathsText(const std::vector<std::uint32_t>& rows) const
{
    std::string text;
    if (!mModel) {
        std::string path, folder;
        for (const std::uint32_t row : rows)
            if (fileOf(int(row), path, folder))
                text.append(path).append(1, '\n');
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    auto source = shownList().rows(rows);
    for (Row row; source->next(row);) {
        text += fullPath(row);
        text += '\n';
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString RowActions::fileUrl(std::string_view path)
{
    return platform::fileUrlOf(path);
}

void RowActions::copyToClipboard(bool paths)
{
    const std::vector<std::uint32_t> rows = selectedRows();
    if (rows.empty())
        return;
    auto* data = new QMimeData;
    data->setText(paths ? pathsText(rows) : rowsText(rows));
    if (paths) {
        // File managers paste the files themselves from their URLs.
        QList<QUrl> urls;
        if (mModel) {
            auto source = shownList().rows(rows);
            for (Row row; source->next(row) && urls.size() < 100000;)
                urls.append(QUrl(fileUrl(fullPath(row)), QUrl::StrictMode));
        } else {
            std::string path, folder;
            for (std::size_t i = 0; i < rows.size() && urls.size() < 100000; ++i)
                if (fileOf(int(rows[i]), path, folder))
                    urls.append(QUrl(fileUrl(path), QUrl::StrictMode));
        }
        data->setUrls(urls);
    }
    QApplication::clipboard()->setMimeData(data);
}

bool RowActions::fileOf(int viewRow, std::string& path, std::string& folder) const
{
    const std::size_t index = listIndex(viewRow);
    if (index == SIZE_MAX)
        return false;
    if (!mModel) {
        const QModelIndex cell = mView->model()->index(viewRow, 0);
        path = cell.data(RowFilePathRole).toByteArray().toStdString();
        folder = cell.data(RowFolderRole).toByteArray().toStdString();
        return !path.empty() && !folder.empty();
    }
    std::string scratch;
    const Row row = shownList().row(index, scratch);
    if (row.folder.empty())
        return false; // a row of texts names no file
    path = fullPath(row);
    folder = row.folder;
    return true;
}

void RowActions::openRow(int viewRow)
{
    std::string path, folder;
    if (!fileOf(viewRow, path, folder))
        return;
    if (!desktopOpener().open(fileUrl(path)))
        emit failed(tr("No program could be started to open %1.").arg(QString::fromUtf8(path)));
}

void RowActions::openContainingFolder(int viewRow)
{
    std::string path, folder;
    if (!fileOf(viewRow, path, folder))
        return;
    if (!desktopOpener().showInFolder(fileUrl(path), fileUrl(folder)))
        emit failed(tr("No program could be started to show %1.").arg(QString::fromUtf8(folder)));
}

bool RowActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || watched != mView->viewport())
        return QObject::eventFilter(watched, event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = mView->indexAt(help->pos());
    const QString text = index.isValid() ? index.data().toString() : QString();
    const QRect cell = mView->visualRect(index);
    // The style's text margins on both sides, with a pixel to spare.
    const int margin = 2 * (mView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, mView) + 1) + 1;
    if (!text.isEmpty() && mView->fontMetrics().horizontalAdvance(text) + margin > cell.width())
        QToolTip::showText(help->globalPos(), text, mView->viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

} // namespace dirlix
