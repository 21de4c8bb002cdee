// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list as a workspace.
#include "app/ListWorkspace.h"

#include "app/FileListModel.h"
#include "app/FindBar.h"
#include "app/RowActions.h"
#include "app/SearchController.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace dirlix {

ListWorkspace::ListWorkspace(QMainWindow* window, QTableView* view, FileListModel* model, SearchController* search,
                             QLineEdit* directoryBox)
    : QObject(window), mView(view), mDirectoryBox(directoryBox), mModel(model)
{
    mPool.setMaxThreadCount(1);
    mRows = new RowActions(view, model, this);
    mFindBar = new FindBar(window);
    mRowsLabel = new QLabel(window);
    window->statusBar()->insertWidget(0, mFindBar);
    window->statusBar()->addPermanentWidget(mRowsLabel);
    findAction = new QAction(tr("&Find"), this);
    findAction->setShortcut(QKeySequence::Find);
    findAction->setShortcutContext(Qt::WindowShortcut);
    window->addAction(findAction);

    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionClicked, this, &ListWorkspace::headerClicked);
    connect(findAction, &QAction::triggered, mFindBar, &FindBar::open);
    connect(mFindBar, &FindBar::changed, this, &ListWorkspace::setFind);
    connect(mFindBar, &FindBar::closed, view, qOverload<>(&QWidget::setFocus));
    connect(model, &FileListModel::listCleared, this, &ListWorkspace::listCleared);
    connect(search, &SearchController::finished, this, &ListWorkspace::searchFinished);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListWorkspace::showRowCounts);

    // The selected rows' total is worked out once the selection rests, not on every mouse move.
    mSelectionTimer = new QTimer(this);
    mSelectionTimer->setSingleShot(true);
    mSelectionTimer->setInterval(100);
    followModel();
    connect(model, &QAbstractItemModel::modelReset, mSelectionTimer, qOverload<>(&QTimer::start));
    connect(mSelectionTimer, &QTimer::timeout, this, [this] {
        const std::vector<std::uint32_t> rows = mRows->selectedRows();
        std::uint64_t bytes = 0;
        auto source = mRows->shownList().rows(rows);
        for (Row row; source->next(row);)
            if (row.values.valuesKnown())
                bytes += std::uint64_t(row.values.size);
        const QLocale locale;
        mSelectionText = rows.empty() ? QString()
                                         : tr("%1 selected, %2").arg(locale.toString(qulonglong(rows.size())),
                                                                     locale.formattedDataSize(qint64(bytes)));
        showRowCounts();
    });

    window->setAcceptDrops(true);
    window->installEventFilter(this);
    directoryBox->installEventFilter(this);
}

ListWorkspace::~ListWorkspace()
{
    ++*mGeneration;
    mPool.waitForDone();
}

void ListWorkspace::followModel()
{
    // A view given another model has a new selection model: the total follows that one.
    connect(mView->selectionModel(), &QItemSelectionModel::selectionChanged, mSelectionTimer,
            qOverload<>(&QTimer::start), Qt::UniqueConnection);
    mSelectionTimer->start();
    const bool list = mView->model() == mModel;
    findAction->setEnabled(list);
    if (!list)
        mFindBar->dismiss();
}

void ListWorkspace::fillEditMenu(QMenu* menu)
{
    menu->addAction(findAction);
    menu->addSeparator();
    menu->addAction(mRows->copyRowsAction);
    menu->addAction(mRows->copyPathsAction);
    menu->addSeparator();
    menu->addAction(mRows->selectAllAction);
}

void ListWorkspace::headerClicked(int column)
{
    // Another model in the view (a comparison) has no sorting of its own: the list's stays as it was.
    if (mView->model() != mModel) {
        mView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    // The hidden key columns never sort; the others go up, down, then back to the walk order.
    if (column < 0 || column > 5)
        return;
    if (column != mSortColumn) {
        mSortColumn = column;
        mDescending = false;
    } else if (!mDescending) {
        mDescending = true;
    } else {
        mSortColumn = -1;
    }
    showIndicator();
    refresh(true);
}

void ListWorkspace::setFind(const QString& text, bool wholePath)
{
    if (text == mFind.text() && wholePath == mFind.wholePath())
        return;
    mFind = FindMatcher(text, wholePath);
    refresh(false);
}

void ListWorkspace::showIndicator()
{
    // The header flips its own arrow on a click; the state here is the one it must show.
    mView->horizontalHeader()->setSortIndicator(mSortColumn, mDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void ListWorkspace::refresh(bool resort)
{
    const unsigned generation = ++*mGeneration;
    if (mSortColumn < 0 && mFind.empty()) {
        mPending = false;
        mSorted.reset();
        mModel->clearShownOrder();
        showRowCounts();
        emit orderApplied();
        return;
    }
    mPending = true;
    const FileList& list = mModel->list();
    const std::size_t count = list.count();
    std::shared_ptr<const RowOrder> sorted;
    if (mSortColumn >= 0 && !resort && mSorted && mSortedCount == count)
        sorted = mSorted;
    // Snapshots: the worker reads rows that stay put while the search adds more.
    std::shared_ptr<RowSource> sortRows, findRows;
    if (mSortColumn >= 0 && !sorted)
        sortRows = list.rows(count);
    if (!mFind.empty())
        findRows = list.rows(count);
    mPool.start([this, generation, count, sorted, sortRows, findRows, column = mSortColumn,
                 descending = mDescending, matcher = mFind]() mutable {
        const Cancel cancel{mGeneration.get(), generation};
        if (sortRows) {
            auto order = sortedOrder(*sortRows, column, descending, cancel);
            if (!order)
                return;
            sorted = std::make_shared<const RowOrder>(std::move(*order));
        }
        auto shown = std::make_shared<RowOrder>();
        if (findRows) {
            const auto matched = matchingRows(*findRows, matcher, cancel);
            if (!matched)
                return;
            if (sorted) {
                for (std::uint32_t index : *sorted)
                    if ((*matched)[index])
                        shown->push_back(index);
            } else {
                for (std::size_t index = 0; index < matched->size(); ++index)
                    if ((*matched)[index])
                        shown->push_back(std::uint32_t(index));
            }
            shown->shrink_to_fit();
        } else if (sorted) {
            *shown = *sorted;
        }
        QMetaObject::invokeMethod(
            this, [this, generation, count, sorted, shown] { apply(generation, count, sorted, std::move(*shown)); },
            Qt::QueuedConnection);
    });
}

void ListWorkspace::apply(unsigned generation, std::size_t count, std::shared_ptr<const RowOrder> sorted,
                          RowOrder shown)
{
    if (generation != mGeneration->load())
        return; // a newer request is on its way
    mPending = false;
    mSorted = std::move(sorted);
    mSortedCount = count;
    FileListModel::RowFilter filter;
    if (!mFind.empty())
        filter = [matcher = mFind](const Row& row) mutable { return matcher.matches(row); };
    mModel->setShownOrder(std::move(shown), std::move(filter));
    // Rows the search added while the worker ran go after the others, as they will during the search.
    mModel->appendShown(count);
    showRowCounts();
    emit orderApplied();
}

void ListWorkspace::listCleared()
{
    // A new search shows its rows in walk order; what the find bar holds goes on narrowing them.
    ++*mGeneration;
    mPending = false;
    mSorted.reset();
    mSortColumn = -1;
    showIndicator();
    if (mFind.empty())
        mModel->clearShownOrder();
    else
        mModel->setShownOrder({}, [matcher = mFind](const Row& row) mutable { return matcher.matches(row); });
    showRowCounts();
}

void ListWorkspace::searchFinished()
{
    // Rows that came after a sort went to the end; now that all are in, they take their places.
    if (mSortColumn >= 0)
        refresh(true);
}

void ListWorkspace::showRowCounts()
{
    const QLocale locale;
    QStringList parts;
    if (!mFind.empty())
        parts << tr("%1 of %2 rows").arg(locale.toString(mModel->rowCount()),
                                         locale.toString(qulonglong(mModel->list().count())));
    if (!mSelectionText.isEmpty())
        parts << mSelectionText;
    mRowsLabel->setText(parts.join(QStringLiteral("; ")));
}

QString ListWorkspace::droppedFolder(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty() || !data->urls().first().isLocalFile())
        return {};
    const QFileInfo info(data->urls().first().toLocalFile());
    if (!info.exists())
        return {};
    QString folder = QDir::toNativeSeparators(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

bool ListWorkspace::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedFolder(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString folder = droppedFolder(drop->mimeData());
        if (folder.isEmpty())
            break;
        mDirectoryBox->setText(folder);
        drop->acceptProposedAction();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dirlix
