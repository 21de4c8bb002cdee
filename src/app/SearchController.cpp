// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the background search.
#include "app/SearchController.h"
#include "app/FileListModel.h"

#include <QDateTime>

namespace dirlix {

namespace {
// The first batch comes quickly so that rows show at once; later ones less often, so that a
// large search does not spend its time in the view.
constexpr int kFirstDeliveryMs = 50;
constexpr int kDeliveryMs = 200;
} // namespace

SearchController::SearchController(FileListModel* model, std::function<std::string()> datePattern, QObject* parent)
    : QObject(parent), mModel(model), mDatePattern(std::move(datePattern))
{
    connect(&mTimer, &QTimer::timeout, this, &SearchController::deliver);
}

SearchController::~SearchController()
{
    if (mSession)
        mSession->stop();
    for (auto& session : mRetired)
        session->stop();
    // The walks end between two entries; their destructors wait for that.
}

void SearchController::start(const std::string& directoryText)
{
    if (mSession)
        retire(std::move(mSession));
    mModel->clear();
    mSummary = {};
    mClock.start();
    WalkOptions options = mOptions;
    mFilterCounts = mFilter.applyTo(options, QDateTime::currentSecsSinceEpoch());
    mSession = std::make_unique<BackgroundWalk>(options);
    mSession->start(directoryText);
    mTimer.start(kFirstDeliveryMs);
}

void SearchController::stop()
{
    if (mSession)
        mSession->stop();
}

void SearchController::retire(std::unique_ptr<BackgroundWalk> session)
{
    session->stop();
    // Released when it has ended, so that pressing Search again never waits for a slow folder.
    mRetired.push_back(std::move(session));
    std::erase_if(mRetired, [](const std::unique_ptr<BackgroundWalk>& old) { return old->ended(); });
}

std::uint64_t SearchController::filesFound() const
{
    return mModel->list().count();
}

QString SearchController::currentFolder() const
{
    return mSession ? QString::fromUtf8(mSession->walker().progress().currentFolder()) : QString();
}

void SearchController::deliver()
{
    if (!mSession)
        return;
    mTimer.setInterval(kDeliveryMs);
    std::vector<WalkBlock> batch;
    const bool more = mSession->take(batch, std::chrono::milliseconds(0));
    if (!batch.empty()) {
        mModel->appendBlocks(batch, mDatePattern());
        emit rowsDelivered();
    }
    if (more)
        return;

    mTimer.stop();
    std::unique_ptr<BackgroundWalk> session = std::move(mSession);
    session->wait();
    const WalkProgress& progress = session->walker().progress();
    mSummary.folderFound = session->folderFound();
    mSummary.stopped = session->stopRequested();
    mSummary.files = mModel->list().count();
    mSummary.bytes = progress.bytes.load();
    mSummary.sharedRows = progress.sharedRows.load();
    mSummary.filteredOut = progress.filteredOut.load();
    mSummary.foldersLeftOut = mFilterCounts ? mFilterCounts->foldersLeftOut.load() : 0;
    mSummary.elapsedMs = mClock.elapsed();
    mSummary.errors = session->walker().errors();
    emit finished();
}

} // namespace dirlix
