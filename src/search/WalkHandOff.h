// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a walk on a thread of its own, handing its blocks to one consumer in batches.
#pragma once

#include "search/RowSource.h"
#include "search/Walker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dirlix {

/**
 * Runs a Walker on a thread of its own. Its blocks wait in a bounded queue until the consumer
 * takes them, all at once: the consumer is woken for a batch, or by a short delay for whatever
 * has come, and the walk only when the queue was full, since a wake-up per folder would cost more
 * than reading the folder. Memory stays flat however far the walk could run ahead.
 * Stopping (stop(), or destroying the object) ends the walk between two entries.
 */
class BackgroundWalk {
public:
    explicit BackgroundWalk(WalkOptions options);
    /** Stops the walk and waits for its thread. */
    ~BackgroundWalk();
    BackgroundWalk(const BackgroundWalk&) = delete;
    BackgroundWalk& operator=(const BackgroundWalk&) = delete;

    /** Starts walking @p directoryText (bytes as given). Call once. */
    void start(std::string directoryText);
    /** Asks the walk to stop; what it delivered stays takeable. Any thread may call it. */
    void stop() { mStop.store(true); }
    bool stopRequested() const { return mStop.load(); }

    /**
     * Moves the waiting blocks into @p out (emptied first), waiting up to @p maxWait for a batch to
     * gather. Returns false once the walk has ended and nothing waits any more.
     */
    bool take(std::vector<WalkBlock>& out, std::chrono::milliseconds maxWait);
    /** Waits for the walk to end, dropping what it still delivers. */
    void wait();
    /** True once the walk has ended (finished or stopped); the last blocks may still wait. */
    bool ended() const { return mEnded.load(std::memory_order_acquire); }

    /** The walk, for its progress at any time and its errors once ended() is true. */
    const Walker& walker() const { return mWalker; }
    /** Whether the start folder was found; valid once ended() is true. */
    bool folderFound() const { return mFound; }

private:
    static constexpr std::size_t kMaxWaitingRows = std::size_t(1) << 18;
    static constexpr std::size_t kBatchRows = 4096;

    Walker mWalker;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mEnded{false};
    bool mFound = false;
    std::mutex mMutex;
    std::condition_variable mNotEmpty, mNotFull;
    std::vector<WalkBlock> mWaiting;
    std::size_t mWaitingRows = 0;
    std::thread mThread;
};

/** The rows of a walk as it goes, each with the same date pattern: a RowSource over a BackgroundWalk. */
class WalkRows : public RowSource {
public:
    /** Reads @p walk, which must be started and outlive this; rows get @p datePattern. */
    WalkRows(BackgroundWalk& walk, std::string datePattern) : mWalk(walk), mPattern(std::move(datePattern)) {}
    bool next(Row& row) override;

private:
    BackgroundWalk& mWalk;
    std::string mPattern;
    std::vector<WalkBlock> mBlocks;
    std::size_t mBlock = 0;
    std::size_t mEntry = 0;
    std::string mFolder; // the text of the current block's folder, made once per block
};

} // namespace dirlix
