// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: Open List and Compare With List.
#include "app/ListCommands.h"

#include "app/FileListModel.h"
#include "app/ListWorkspace.h"
#include "app/OpenList.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/DifferencesExport.h"
#include "output/frmOptions.h"
#include "platform/PlainFile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <cerrno>

namespace dirlix {

namespace {
ListCommands::FileChooser gChooser;

// Why @p path cannot be read as a list at once, such as a FIFO whose opening could wait for ever
// for a writer; empty when it is a regular file, or when it is not there, which the reading reports.
// The reader's own check, asked before the window drops what it shows.
QString whyNotAList(const QString& path)
{
    fsys::FileHandle file = fsys::kNoFile;
    fsys::FileKind kind = fsys::FileKind::Regular;
    fsys::FileStamp stamp;
    const int error = fsys::openRegularFile(QFile::encodeName(path).toStdString(), file, kind, stamp);
    fsys::closeFile(file);
    if (error != EINVAL || kind == fsys::FileKind::Regular)
        return {};
    return ListCommands::tr("%1 is %2; a list is read from a file.")
        .arg(QDir::toNativeSeparators(path), QString::fromUtf8(fsys::fileKindText(kind)));
}

QString chooseFile(QWidget* parent, const QString& title)
{
    if (gChooser)
        return gChooser(parent, title);
    return QFileDialog::getOpenFileName(parent, title, QString(),
                                        ListCommands::tr("JSON Lines lists (*.jsonl *.json);;All files (*)"));
}
} // namespace

void ListCommands::setFileChooser(FileChooser chooser)
{
    gChooser = std::move(chooser);
}

ListCommands::ListCommands(frmMain* window) : QObject(window), mWindow(window)
{
    mOpen = new QAction(tr("&Open List…"), window);
    mOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mOpen->setShortcutContext(Qt::WindowShortcut);
    mCompare = new QAction(tr("Co&mpare With List…"), window);
    window->mnuFile->insertAction(window->mnuFileExit, mOpen);
    window->mnuFile->insertAction(window->mnuFileExit, mCompare);
    window->addAction(mOpen);
    connect(mOpen, &QAction::triggered, this, &ListCommands::chooseAndOpen);
    connect(mCompare, &QAction::triggered, this, &ListCommands::chooseAndCompare);

    mReading = new OpenList(
        window->model(), [window] { return window->options() ? window->options()->dateFormat().toStdString() : std::string(); },
        this);
    connect(mReading, &OpenList::finished, this, &ListCommands::readingFinished);
    connect(mReading, &OpenList::rowsDelivered, this, &ListCommands::fitColumns);
    mCompareModel = new CompareModel(window->model()->locale(), this);
    mProgress = new QTimer(this);
    mProgress->setInterval(250);
    connect(mProgress, &QTimer::timeout, this, &ListCommands::showProgress);
}

ListCommands::~ListCommands()
{
    mStopWorker = true;
    if (mWorker.joinable())
        mWorker.join();
}

bool ListCommands::comparing() const
{
    return mWindow->ListView1->model() == mCompareModel;
}

bool ListCommands::isRunning() const
{
    return mReading->isRunning() || mWorker.joinable();
}

std::unique_ptr<RowSource> ListCommands::shownRows() const
{
    return comparing() ? mCompareModel->comparison().rows->rows() : nullptr;
}

std::unique_ptr<Exporter> ListCommands::differencesExporter(TextFormat format, bool header) const
{
    if (!comparing())
        return nullptr;
    const Comparison& shown = mCompareModel->comparison();
    return std::make_unique<DifferencesExporter>(format, mCompareModel->locale(), shown.changes, header, shown.content);
}

void ListCommands::chooseAndOpen()
{
    const QString path = chooseFile(mWindow, tr("Open List"));
    if (!path.isEmpty())
        openList(path);
}

void ListCommands::chooseAndCompare()
{
    const QString path = chooseFile(mWindow, tr("Compare With List"));
    if (!path.isEmpty())
        compareWith(path);
}

QString ListCommands::listDescription(const QString& path)
{
    const QDateTime written = QFileInfo(path).lastModified();
    // The name alone keeps the status bar short; its tooltip gives the whole path.
    mWindow->statusText()->setToolTip(QDir::toNativeSeparators(path).toHtmlEscaped());
    return tr("%1 (written %2)").arg(QFileInfo(path).fileName(), QLocale().toString(written, QLocale::ShortFormat));
}

void ListCommands::openList(const QString& path)
{
    if (mWindow->search()->isRunning() || mWorker.joinable()) {
        mWindow->reportFailure(tr("Open List"), tr("The list is still being searched or compared; stop that first."));
        return;
    }
    if (const QString why = whyNotAList(path); !why.isEmpty()) {
        mWindow->reportFailure(tr("Open List"), why);
        return;
    }
    endComparison();
    mFitted = false;
    mShowingList = true;
    mReading->start(path);
    busyChanged(true);
}

void ListCommands::readingFinished()
{
    busyChanged(false);
    const OpenList::Summary& summary = mReading->lastSummary();
    const QString rows = QLocale().toString(qulonglong(summary.rows));
    if (!summary.error.isEmpty()) {
        mWindow->reportFailure(tr("Open List"),
                               tr("The list %1 could not be read: %2. The %3 rows before it are shown.")
                                   .arg(QDir::toNativeSeparators(summary.path), summary.error, rows));
        return;
    }
    const QString text = tr("%1 files from the list %2").arg(rows, listDescription(summary.path));
    mWindow->statusText()->setText((summary.stopped ? tr("Stopped: ") + text : text).toHtmlEscaped());
}

void ListCommands::compareWith(const QString& path)
{
    if (mWindow->search()->isRunning() || isRunning()) {
        mWindow->reportFailure(tr("Compare With List"),
                               tr("The list is still being searched or read; wait for it to finish, or stop it, first."));
        return;
    }
    if (const QString why = whyNotAList(path); !why.isEmpty()) {
        mWindow->reportFailure(tr("Compare With List"), why);
        return;
    }
    // What the window shows, unless a comparison is shown: then the rows it was made from. Saved
    // rows in folders the search could not read, or could not have found (outside its folder, in
    // folders it does not enter, left out by its filter), are not called removed.
    std::vector<std::string> unreadable;
    std::string startFolder;
    std::shared_ptr<const WalkFilter> filter;
    if (!mShowingList) {
        const SearchController::Summary& searched = mWindow->search()->lastSummary();
        for (const WalkError& error : searched.errors)
            if (error.kind != WalkErrorKind::ValuesUnreadable)
                unreadable.push_back(error.path);
        startFolder = searched.startFolder;
        filter = searched.filter;
    }
    const std::string pattern = mWindow->options() ? mWindow->options()->dateFormat().toStdString() : std::string();
    mComparedWith = path;
    mStopWorker = false;
    mResult = std::make_shared<Comparison>();
    mCompareProgress = std::make_shared<CompareProgress>();
    mCompareTotal = mWindow->model()->list().count();
    mWorker = std::thread([this, result = mResult, rows = std::shared_ptr<RowSource>(mWindow->model()->list().rows()),
                           file = QFile::encodeName(path).toStdString(), unreadable, pattern, startFolder, filter,
                           progress = mCompareProgress] {
        *result = Comparison::make(*rows, file, unreadable, pattern, &mStopWorker, startFolder, filter, progress.get());
        QMetaObject::invokeMethod(this, [this, result] {
            if (result == mResult)
                comparisonFinished();
        }, Qt::QueuedConnection);
    });
    busyChanged(true);
}

void ListCommands::comparisonFinished()
{
    mWorker.join();
    busyChanged(false);
    Comparison result = std::move(*mResult);
    mResult.reset();
    if (result.stopped) {
        mWindow->statusText()->setText(tr("Compare With List stopped; the list is shown as it was."));
        emit compared();
        return;
    }
    if (!result.error.empty()) {
        mWindow->reportFailure(tr("Compare With List"), tr("The list %1 could not be read: %2")
                                                            .arg(QDir::toNativeSeparators(mComparedWith),
                                                                 QString::fromStdString(result.error)));
        emit compared();
        return;
    }
    const QLocale locale;
    QString counts = tr("%1 added, %2 removed, %3 changed")
                         .arg(locale.toString(qulonglong(result.added)), locale.toString(qulonglong(result.removed)),
                              locale.toString(qulonglong(result.changed)));
    // Checksums add their own changes; without them the text is as it always was.
    if (!result.content->algorithm.empty())
        counts += tr(", %1 renamed or moved, %2 corrupt (%3)")
                      .arg(locale.toString(qulonglong(result.renamed)), locale.toString(qulonglong(result.corrupt)),
                           QString::fromStdString(result.content->algorithm));
    counts += tr(" since %1").arg(listDescription(mComparedWith));
    if (result.unhashed != 0)
        counts += tr("; %1 files could not be read for their checksums, so a rename or change of theirs is not told "
                     "(first: %2)")
                      .arg(locale.toString(qulonglong(result.unhashed)), QString::fromStdString(result.firstUnhashed));
    mCompareModel->setComparison(std::move(result));
    QTableView* view = mWindow->ListView1;
    view->setModel(mCompareModel);
    mWindow->workspace()->followModel();
    // The sort-key columns stay hidden, as in the list, so that Directory (one further right here,
    // where the list hides its keys) is the last column shown and stretches; the others fit their texts.
    view->setColumnHidden(6, false);
    view->setColumnHidden(7, true);
    view->setColumnHidden(8, true);
    const int widest = std::max(120, view->viewport()->width() / 3);
    for (int column = 0; column < 7; ++column) {
        view->resizeColumnToContents(column);
        view->setColumnWidth(column, std::min(view->columnWidth(column), widest));
    }
    QString status = tr("Differences: ") + counts;
    if (!mCompareModel->comparison().savedRowsInScope)
        status += tr(" (no file of the list lies in the folder searched as it is written: search it as it was "
                     "written when the list was made)");
    mWindow->statusText()->setText(status.toHtmlEscaped());
    emit compared();
}

void ListCommands::endComparison()
{
    if (!comparing())
        return;
    QTableView* view = mWindow->ListView1;
    view->setModel(mWindow->model());
    mWindow->workspace()->followModel();
    view->setColumnHidden(6, true);
    view->setColumnHidden(7, true);
    view->setColumnHidden(8, false); // the list's Hash column, when it has checksums
    mCompareModel->setComparison({});
}

void ListCommands::leave()
{
    mShowingList = false;
    mReading->cancel();
    if (mWorker.joinable()) {
        mStopWorker = true;
        mWorker.join();
        mResult.reset();
        busyChanged(false);
    }
    endComparison();
}

bool ListCommands::stop()
{
    if (mReading->isRunning()) {
        mReading->stop();
        return true;
    }
    if (mWorker.joinable()) {
        mStopWorker = true;
        return true;
    }
    return false;
}

void ListCommands::busyChanged(bool busy)
{
    if (busy) {
        mWindow->stopButton()->show();
        mWindow->stopShortcut()->setEnabled(true);
        showProgress();
        mProgress->start();
    } else {
        mProgress->stop();
        if (!mWindow->search()->isRunning() && !mWindow->exporter()->isRunning()) {
            mWindow->stopButton()->hide();
            mWindow->stopShortcut()->setEnabled(false);
        }
    }
}

void ListCommands::showProgress()
{
    QString text;
    if (mReading->isRunning())
        text = tr("Reading the list %1… %2 rows so far")
                   .arg(QDir::toNativeSeparators(mReading->lastSummary().path),
                        QLocale().toString(qulonglong(mReading->rowsRead())));
    else if (mWorker.joinable() && mCompareProgress && mCompareProgress->checksums)
        text = tr("Comparing with %1, reading checksums… %2 of %3 files")
                   .arg(QDir::toNativeSeparators(mComparedWith),
                        QLocale().toString(qulonglong(mCompareProgress->rows.load(std::memory_order_relaxed))),
                        QLocale().toString(qulonglong(mCompareTotal)));
    else if (mWorker.joinable())
        text = tr("Comparing with %1…").arg(QDir::toNativeSeparators(mComparedWith));
    else
        return;
    mWindow->statusText()->setText(text.toHtmlEscaped());
}

void ListCommands::fitColumns()
{
    if (mFitted)
        return;
    mFitted = true;
    QTableView* view = mWindow->ListView1;
    const int widest = std::max(120, view->viewport()->width() / 3);
    for (int column = 0; column < 6; ++column) {
        view->resizeColumnToContents(column);
        view->setColumnWidth(column, std::min(view->columnWidth(column), widest));
    }
}

} // namespace dirlix
