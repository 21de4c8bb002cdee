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
// Rows added to the list in one turn of the event loop: a large batch goes in slices, so that the
// window never waits long for the list.
constexpr std::size_t kSliceRows = 32768;
// How long a stopped walk may take to end before it is left behind: a walk ends between two
// entries, so only one held in the kernel by a file system that does not answer takes longer.
constexpr qint64 kStopGraceMs = 150;
constexpr int kStopPollMs = 20;
} // namespace

SearchController::SearchController(FileListModel* model, std::function<std::string()> datePattern, QObject* parent)
    : QObject(parent), mModel(model), mDatePattern(std::move(datePattern))
{
    connect(&mTimer, &QTimer::timeout, this, &SearchController::deliver);
}

SearchController::~SearchController()
{
    if (mSession)
        mSession->abandon();
}

void SearchController::start(const std::string& directoryText)
{
    // Never waits for the old walk, which may be held by a folder that does not answer.
    if (mSession) {
        mSession->abandon();
        mSession.reset();
    }
    mModel->clear();
    mPending.clear();
    mPendingAt = 0;
    mSummary = {};
    mClock.start();
    WalkOptions options = mOptions;
    mFilterCounts = mFilter.applyTo(options, QDateTime::currentSecsSinceEpoch());
    mStartFolder = Walker::startFolderText(directoryText);
    mWalkFilter = options.filter;
    mSession = std::make_unique<BackgroundWalk>(options);
    mSession->start(directoryText);
    mTimer.start(kFirstDeliveryMs);
}

void SearchController::stop()
{
    if (!mSession || mSession->stopRequested())
        return;
    mSession->stop();
    mSinceStop.start();
    mTimer.start(kStopPollMs);
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
    bool more = true;
    if (mPendingAt == mPending.size()) {
        more = mSession->take(mPending, std::chrono::milliseconds(0));
        mPendingAt = 0;
        mBatchRows = 0;
        for (const WalkBlock& block : mPending)
            mBatchRows += block.entries.size();
    }
    if (mPendingAt < mPending.size()) {
        std::size_t end = mPendingAt;
        for (std::size_t rows = 0; end < mPending.size() && rows < kSliceRows; ++end)
            rows += mPending[end].entries.size();
        mModel->appendBlocks(std::span(mPending).subspan(mPendingAt, end - mPendingAt), mDatePattern());
        for (; mPendingAt < end; ++mPendingAt)
            mPending[mPendingAt] = {}; // the list has its own copy now
        emit rowsDelivered();
    }
    // The rest of a batch follows as soon as the window has nothing else to do; after a large
    // batch the next comes sooner, so that the walk never waits long on a full queue.
    const bool stopping = mSession->stopRequested();
    mTimer.setInterval(mPendingAt < mPending.size() ? 0
                       : stopping                   ? kStopPollMs
                       : mBatchRows >= kSliceRows   ? kFirstDeliveryMs
                                                    : kDeliveryMs);
    if (mPendingAt < mPending.size())
        return;
    if (more) {
        if (stopping && mSinceStop.elapsed() >= kStopGraceMs)
            finish(true);
        return;
    }
    finish(false);
}

void SearchController::finish(bool abandoned)
{
    mTimer.stop();
    std::unique_ptr<BackgroundWalk> session = std::move(mSession);
    if (abandoned)
        session->abandon();
    else
        session->wait();
    const WalkProgress& progress = session->walker().progress();
    // Unknown for a walk left behind, perhaps at its start folder: its search shows as stopped,
    // never as a folder that does not exist.
    mSummary.folderFound = abandoned || session->folderFound();
    mSummary.stopped = session->stopRequested();
    mSummary.abandoned = abandoned;
    mSummary.files = mModel->list().count();
    mSummary.bytes = progress.bytes.load();
    mSummary.sharedRows = progress.sharedRows.load();
    mSummary.filteredOut = progress.filteredOut.load();
    mSummary.foldersLeftOut = mFilterCounts ? mFilterCounts->foldersLeftOut.load() : 0;
    mSummary.elapsedMs = mClock.elapsed();
    if (!abandoned) // still the walk's own until it ends
        mSummary.errors = session->walker().errors();
    mSummary.startFolder = mStartFolder;
    mSummary.filter = mWalkFilter;
    emit finished();
}

} // namespace dirlix
