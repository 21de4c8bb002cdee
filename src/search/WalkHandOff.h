// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a walk on a thread of its own, handing its blocks to one consumer in batches.
#pragma once

#include "search/RowSource.h"
#include "search/Walker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
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
 * A file system that stops answering can hold a walk's thread in the kernel for ever: abandon()
 * lets go of such a walk without waiting, the thread keeping alive all it uses until it ends.
 */
class BackgroundWalk {
public:
    explicit BackgroundWalk(WalkOptions options);
    /** Stops the walk and waits for its thread, unless abandon() let it go. */
    ~BackgroundWalk();
    BackgroundWalk(const BackgroundWalk&) = delete;
    BackgroundWalk& operator=(const BackgroundWalk&) = delete;

    /** Starts walking @p directoryText (bytes as given). Call once. */
    void start(std::string directoryText);
    /** Asks the walk to stop; what it delivered stays takeable. Any thread may call it. */
    void stop();
    bool stopRequested() const { return mState->stop.load(); }
    /**
     * Stops the walk and no longer waits for it: its thread ends on its own, once the file system
     * answers, and what it still delivers is dropped. After this only destruction is allowed, and
     * it never waits. A walk that has ended already is simply joined.
     */
    void abandon();
    /**
     * Waits up to @p timeout for the threads of abandoned walks to end; true when none runs any
     * more. The program asks this before it ends: a thread still blocked in the kernel is left to
     * it rather than waited for.
     */
    static bool waitForAbandoned(std::chrono::milliseconds timeout);

    /**
     * Moves the waiting blocks into @p out (emptied first), waiting up to @p maxWait for a batch to
     * gather. Returns false once the walk has ended and nothing waits any more.
     */
    bool take(std::vector<WalkBlock>& out, std::chrono::milliseconds maxWait);
    /** Waits for the walk to end, dropping what it still delivers. */
    void wait();
    /** True once the walk has ended (finished or stopped); the last blocks may still wait. */
    bool ended() const { return mState->ended.load(std::memory_order_acquire); }

    /** The walk, for its progress at any time and its errors once ended() is true. */
    const Walker& walker() const { return mState->walker; }
    /** Whether the start folder was found; valid once ended() is true. */
    bool folderFound() const { return mState->found; }

private:
    static constexpr std::size_t kMaxWaitingRows = std::size_t(1) << 18;
    static constexpr std::size_t kBatchRows = 4096;

    // Everything the walk's thread touches; the thread holds it too, so that an abandoned walk
    // never reaches freed memory, however late it wakes.
    struct State {
        explicit State(WalkOptions options) : walker(std::move(options)) {}
        Walker walker;
        std::atomic<bool> stop{false};
        std::atomic<bool> ended{false};
        bool found = false;
        bool abandoned = false; // guarded by mutex, as is the end of the walk
        std::mutex mutex;
        std::condition_variable notEmpty, notFull;
        std::vector<WalkBlock> waiting;
        std::size_t waitingRows = 0;
    };

    static void run(const std::shared_ptr<State>& state, const std::string& directory);

    std::shared_ptr<State> mState;
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
