// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the background search.
#include "app/SearchController.h"
#include "app/FileListModel.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace dirlix {

// One walk and what it has found but not yet delivered. Shared between the worker thread and
// the controller, so a stopped walk can finish on its own while a new one starts.
struct SearchController::Session {
    explicit Session(WalkOptions options) : walker(std::move(options)) {}

    Walker walker;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    bool folderFound = true;
    std::mutex mutex;
    std::vector<WalkBlock> pending;
    std::thread thread;
};

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
        retire(std::move(mSession));
    for (auto& session : mRetired)
        if (session->thread.joinable())
            session->thread.join();
}

void SearchController::start(const std::string& directoryText)
{
    if (mSession) {
        retire(std::move(mSession));
        mSession.reset();
    }
    mModel->clear();
    mSummary = {};
    mClock.start();

    auto session = std::make_shared<Session>(mOptions);
    mSession = session;
    session->thread = std::thread([session, directoryText] {
        session->folderFound = session->walker.run(
            directoryText,
            [&](WalkBlock&& block) {
                std::lock_guard lock(session->mutex);
                session->pending.push_back(std::move(block));
            },
            &session->stop);
        session->done.store(true, std::memory_order_release);
    });
    mTimer.start(kFirstDeliveryMs);
}

void SearchController::stop()
{
    if (mSession)
        mSession->stop.store(true);
}

void SearchController::retire(std::shared_ptr<Session> session)
{
    session->stop.store(true);
    // Joined when it has ended, so that pressing Search again never waits for a slow folder.
    mRetired.push_back(std::move(session));
    std::erase_if(mRetired, [](const std::shared_ptr<Session>& old) {
        if (!old->done.load(std::memory_order_acquire))
            return false;
        old->thread.join();
        return true;
    });
}

std::uint64_t SearchController::filesFound() const
{
    return mSession ? mSession->walker.progress().files.load(std::memory_order_relaxed) : mSummary.files;
}

QString SearchController::currentFolder() const
{
    return mSession ? QString::fromUtf8(mSession->walker.progress().currentFolder()) : QString();
}

void SearchController::deliver()
{
    if (!mSession)
        return;
    mTimer.setInterval(kDeliveryMs);
    const bool done = mSession->done.load(std::memory_order_acquire);
    std::vector<WalkBlock> batch;
    {
        std::lock_guard lock(mSession->mutex);
        batch.swap(mSession->pending);
    }
    if (!batch.empty()) {
        mModel->appendBlocks(batch, mDatePattern());
        emit rowsDelivered();
    }
    if (!done)
        return;

    mTimer.stop();
    std::shared_ptr<Session> session = std::move(mSession);
    mSession.reset();
    session->thread.join();
    const WalkProgress& progress = session->walker.progress();
    mSummary.folderFound = session->folderFound;
    mSummary.stopped = session->stop.load();
    mSummary.files = mModel->list().count();
    mSummary.bytes = progress.bytes.load();
    mSummary.elapsedMs = mClock.elapsed();
    mSummary.errors = session->walker.errors();
    emit finished();
}

} // namespace dirlix
