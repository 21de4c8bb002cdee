// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on several threads, its results handed out in the exact walk order (not a public header).
#pragma once

#include "search/SequentialWalk.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace dirlix::walk {

/**
 * Reads folders on a pool of threads and hands their blocks to the sink on the calling thread in
 * the walk order of the sequential walk: each folder is a node of a tree that the workers fill;
 * the calling thread visits the nodes in pre-order and hands out each one's files as soon as it
 * and every node before it are complete, then lets the node go. Nothing waits for the whole tree.
 */
class ParallelWalk {
public:
    ParallelWalk(const WalkOptions& options, WalkShared& shared, unsigned threads, WalkProgress& progress,
                 std::vector<WalkError>& errors, const Walker::BlockSink& sink, const std::atomic<bool>* stop);
    ~ParallelWalk();

    /** As SequentialWalk::walk. */
    bool walk(const std::string& start, int& startError);

private:
    struct Node;
    struct SharedHandle;

    void work();
    void process(Node& node, Scratch& scratch);
    void finish(Node& node);
    bool stopping() const;

    const WalkOptions& mOptions;
    WalkShared& mShared;
    const unsigned mThreads;
    WalkProgress& mProgress;
    std::vector<WalkError>& mErrors;
    const Walker::BlockSink& mSink;
    const std::atomic<bool>* mStop;
    const std::size_t mLongPath; // beyond this a path may not open whole: such a subtree is walked in one piece

    // The nodes the calling thread has still to hand out, the next last. A node handed out is
    // freed at once, its children moving here, so memory follows the folders still pending.
    std::vector<std::unique_ptr<Node>> mPending;
    std::vector<std::thread> mWorkers;

    std::mutex mQueueMutex;
    std::condition_variable mQueueReady;
    std::vector<Node*> mQueue;      // folders waiting to be read; the last is taken first
    std::size_t mUnfinished = 0;    // folders queued or being read
    bool mQuit = false;
    std::size_t mIdleWorkers = 0;   // workers waiting for a folder

    std::mutex mDoneMutex;
    std::condition_variable mNodeDone;
    const Node* mAwaited = nullptr; // the node the calling thread waits for
};

} // namespace dirlix::walk
