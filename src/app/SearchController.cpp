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
    mTimer.setInterval(mPendingAt < mPending.size() ? 0 : mBatchRows >= kSliceRows ? kFirstDeliveryMs : kDeliveryMs);
    if (more || mPendingAt < mPending.size())
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
    mSummary.startFolder = mStartFolder;
    mSummary.filter = mWalkFilter;
    emit finished();
}

} // namespace dirlix
