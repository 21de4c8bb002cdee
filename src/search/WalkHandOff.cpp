// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on a thread of its own and its hand-off.
#include "search/WalkHandOff.h"

namespace dirlix {

BackgroundWalk::BackgroundWalk(WalkOptions options) : mWalker(std::move(options)) {}

BackgroundWalk::~BackgroundWalk()
{
    stop();
    mNotFull.notify_all();
    if (mThread.joinable())
        mThread.join();
}

void BackgroundWalk::start(std::string directoryText)
{
    mThread = std::thread([this, directory = std::move(directoryText)] {
        const bool found = mWalker.run(
            directory,
            [this](WalkBlock&& block) {
                std::unique_lock lock(mMutex);
                // One block is always let in, so that a folder larger than the bound still passes.
                mNotFull.wait(lock, [&] { return mWaitingRows < kMaxWaitingRows || mWaiting.empty() || mStop.load(); });
                if (mStop.load())
                    return; // nobody will take it
                mWaitingRows += block.entries.size();
                const bool batchReady = mWaitingRows >= kBatchRows && mWaitingRows - block.entries.size() < kBatchRows;
                mWaiting.push_back(std::move(block));
                lock.unlock();
                if (batchReady)
                    mNotEmpty.notify_one();
            },
            &mStop);
        {
            std::lock_guard lock(mMutex);
            mFound = found;
            mEnded.store(true, std::memory_order_release);
        }
        mNotEmpty.notify_one();
    });
}

bool BackgroundWalk::take(std::vector<WalkBlock>& out, std::chrono::milliseconds maxWait)
{
    out.clear();
    std::unique_lock lock(mMutex);
    if (maxWait.count() > 0)
        mNotEmpty.wait_for(lock, maxWait, [&] { return mEnded.load() || mWaitingRows >= kBatchRows; });
    if (mWaiting.empty())
        return !mEnded.load();
    const bool wasFull = mWaitingRows >= kMaxWaitingRows;
    out.swap(mWaiting);
    mWaitingRows = 0;
    lock.unlock();
    if (wasFull)
        mNotFull.notify_one();
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
