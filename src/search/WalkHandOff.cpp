// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on a thread of its own and its hand-off.
#include "search/WalkHandOff.h"

namespace dirlix {

namespace {
// Abandoned walks whose threads still run. Never destroyed: such a thread may outlive main().
struct AbandonedWalks {
    std::mutex mutex;
    std::condition_variable allEnded;
    std::size_t running = 0;
};

AbandonedWalks& abandonedWalks()
{
    static auto* walks = new AbandonedWalks;
    return *walks;
}
} // namespace

BackgroundWalk::BackgroundWalk(WalkOptions options) : mState(std::make_shared<State>(std::move(options))) {}

BackgroundWalk::~BackgroundWalk()
{
    stop();
    if (mThread.joinable())
        mThread.join();
}

void BackgroundWalk::stop()
{
    mState->stop.store(true);
    {
        // Under the lock, so that a walk about to wait for room cannot miss the wake-up.
        std::lock_guard lock(mState->mutex);
    }
    mState->notFull.notify_all();
}

void BackgroundWalk::abandon()
{
    stop();
    if (!mThread.joinable())
        return;
    bool ended = false;
    {
        // Counted under the walk's lock, so that its thread, ending now, cannot count itself out first.
        std::lock_guard lock(mState->mutex);
        ended = mState->ended.load();
        if (!ended) {
            mState->abandoned = true;
            std::lock_guard count(abandonedWalks().mutex);
            ++abandonedWalks().running;
        }
    }
    if (ended)
        mThread.join();
    else
        mThread.detach();
}

bool BackgroundWalk::waitForAbandoned(std::chrono::milliseconds timeout)
{
    AbandonedWalks& walks = abandonedWalks();
    std::unique_lock lock(walks.mutex);
    return walks.allEnded.wait_for(lock, timeout, [&] { return walks.running == 0; });
}

void BackgroundWalk::start(std::string directoryText)
{
    mThread = std::thread([state = mState, directory = std::move(directoryText)]() mutable {
        run(state, directory);
        bool abandoned = false;
        {
            std::lock_guard lock(state->mutex);
            abandoned = state->abandoned;
        }
        // Whoever abandoned the walk has let go of it, so this releases it.
        state.reset();
        if (abandoned) {
            AbandonedWalks& walks = abandonedWalks();
            std::lock_guard lock(walks.mutex);
            if (--walks.running == 0)
                walks.allEnded.notify_all();
        }
    });
}

void BackgroundWalk::run(const std::shared_ptr<State>& state, const std::string& directory)
{
    State& s = *state;
    const bool found = s.walker.run(
        directory,
        [&s](WalkBlock&& block) {
            std::unique_lock lock(s.mutex);
            // One block is always let in, so that a folder larger than the bound still passes.
            s.notFull.wait(lock, [&] { return s.waitingRows < kMaxWaitingRows || s.waiting.empty() || s.stop.load(); });
            if (s.stop.load())
                return; // nobody will take it
            s.waitingRows += block.entries.size();
            const bool batchReady = s.waitingRows >= kBatchRows && s.waitingRows - block.entries.size() < kBatchRows;
            s.waiting.push_back(std::move(block));
            lock.unlock();
            if (batchReady)
                s.notEmpty.notify_one();
        },
        &s.stop);
    {
        std::lock_guard lock(s.mutex);
        s.found = found;
        s.ended.store(true, std::memory_order_release);
    }
    s.notEmpty.notify_one();
}

bool BackgroundWalk::take(std::vector<WalkBlock>& out, std::chrono::milliseconds maxWait)
{
    State& s = *mState;
    out.clear();
    std::unique_lock lock(s.mutex);
    if (maxWait.count() > 0)
        s.notEmpty.wait_for(lock, maxWait, [&] { return s.ended.load() || s.waitingRows >= kBatchRows; });
    if (s.waiting.empty())
        return !s.ended.load();
    const bool wasFull = s.waitingRows >= kMaxWaitingRows;
    out.swap(s.waiting);
    s.waitingRows = 0;
    lock.unlock();
    if (wasFull)
        s.notFull.notify_one();
    return true;
}

void BackgroundWalk::wait()
{
    std::vector<WalkBlock> dropped;
    while (take(dropped, std::chrono::milliseconds(50))) {
    }
    if (mThread.joinable())
        mThread.join();
}

bool WalkRows::next(Row& row)
{
    while (mBlock == mBlocks.size() || mEntry == mBlocks[mBlock].entries.size()) {
        if (mBlock < mBlocks.size()) {
            ++mBlock;
            mEntry = 0;
            continue;
        }
        if (!mWalk.take(mBlocks, std::chrono::milliseconds(50)))
            return false;
        mBlock = 0;
        mEntry = 0;
    }
    const WalkBlock& block = mBlocks[mBlock];
    if (mEntry == 0)
        mFolder = block.folder ? block.folder->text() : std::string();
    row = block.row(mEntry++, mFolder, mPattern);
    return true;
}

} // namespace dirlix
