// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Find Duplicates.
#include "app/DuplicateCommands.h"

#include "app/ChecksumCommands.h"
#include "app/DuplicateWindow.h"
#include "app/FileListModel.h"
#include "app/ListCommands.h"
#include "app/ListWorkspace.h"
#include "app/RowActions.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "content/DuplicateFinder.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>

namespace dirlix {

// What the finding thread shares with the window: the window owns it until the thread is joined.
struct DuplicateCommands::Job {
    std::unique_ptr<RowSource> rows; // a snapshot of the rows to look at: the search may go on adding
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    DuplicateProgress progress;
    std::vector<DuplicateGroup> groups; // filled by the thread
    std::uint64_t unread = 0;           // files that could not be read
};

DuplicateCommands::DuplicateCommands(frmMain* window) : QObject(window), mWindow(window)
{
    mAction = new QAction(tr("F&ind Duplicates"), window);
    window->mnuFile->insertAction(window->mnuFileExit, mAction);
    connect(mAction, &QAction::triggered, this, &DuplicateCommands::find);
    mTimer = new QTimer(this);
    mTimer->setInterval(100);
    connect(mTimer, &QTimer::timeout, this, &DuplicateCommands::poll);
    // A new search or list while finding: the groups would be of rows that are gone.
    connect(window->model(), &FileListModel::listCleared, this, &DuplicateCommands::stop);
}

DuplicateCommands::~DuplicateCommands()
{
    if (mJob)
        mJob->stop = true;
    if (mWorker.joinable())
        mWorker.join();
}

DuplicateWindow* DuplicateCommands::results() const
{
    return mResults;
}

bool DuplicateCommands::stop()
{
    if (!isRunning())
        return false;
    mJob->stop = true;
    return true;
}

void DuplicateCommands::find()
{
    FileListModel* model = mWindow->model();
    QString refusal;
    if (isRunning())
        refusal = tr("Duplicates are still being looked for; wait for them, or stop them, first.");
    else if (mWindow->search()->isRunning() || mWindow->lists()->isRunning())
        refusal = tr("Wait for the list to be complete, or stop it, first.");
    else if (mWindow->checksums()->isRunning())
        refusal = tr("Checksums are still being read; wait for them, or stop them, first.");
    else if (mWindow->lists()->comparing())
        refusal = tr("Duplicates are looked for in the file list, not in a comparison: open the list first.");
    else if (model->list().count() == 0)
        refusal = tr("There is no list to look in: search a folder, or open a list, first.");
    if (!refusal.isEmpty()) {
        mWindow->reportFailure(tr("Find Duplicates"), refusal);
        emit finished();
        return;
    }

    auto job = std::make_shared<Job>();
    if (std::vector<std::uint32_t> rows = mWindow->workspace()->rows()->selectedRows(); !rows.empty()) {
        // In walk order, as the list has them: a group's first file is the one met first.
        std::sort(rows.begin(), rows.end());
        job->rows = model->list().rows(std::move(rows));
    } else {
        job->rows = model->shownRows(); // the order shown, the find bar's rows only while it narrows
    }

    mJob = job;
    mWorker = std::thread([job] {
        DuplicateFinder finder;
        job->groups = finder.find(*job->rows, &job->stop, &job->progress);
        job->unread = finder.failures();
        job->done = true;
    });
    mWindow->stopButton()->show();
    mWindow->stopShortcut()->setEnabled(true);
    showProgress();
    mTimer->start();
}

void DuplicateCommands::showProgress()
{
    if (!mJob)
        return;
    const QLocale locale;
    const DuplicateProgress& progress = mJob->progress;
    const QString done = locale.toString(qulonglong(progress.filesRead));
    const QString all = locale.toString(qulonglong(progress.filesToRead));
    QString text;
    switch (progress.stage.load()) {
    case DuplicateStage::Listing:
        text = tr("Finding duplicates… %1 files looked at").arg(locale.toString(qulonglong(progress.filesSeen)));
        break;
    case DuplicateStage::Reading:
        text = tr("Finding duplicates… %1 of %2 files read").arg(done, all);
        break;
    case DuplicateStage::Comparing:
        text = tr("Finding duplicates… %1 of %2 pairs compared byte for byte").arg(done, all);
        break;
    }
    mWindow->statusText()->setText(text.toHtmlEscaped());
}

void DuplicateCommands::poll()
{
    if (!mJob || !mJob->done) {
        showProgress();
        return;
    }
    mTimer->stop();
    mWorker.join();
    const std::shared_ptr<Job> job = std::move(mJob);
    mWindow->hideStopUnlessBusy();
    if (job->stop) {
        mWindow->statusText()->setText(tr("Find Duplicates stopped; nothing is shown.").toHtmlEscaped());
        emit finished();
        return;
    }
    if (!mResults)
        mResults = new DuplicateWindow(mWindow);
    mResults->showGroups(std::move(job->groups), job->progress.filesSeen, job->unread);
    mWindow->statusText()->setText(mResults->statusText()->text().toHtmlEscaped());
    mResults->show();
    mResults->raise();
    mResults->activateWindow();
    emit finished();
}

} // namespace dirlix
