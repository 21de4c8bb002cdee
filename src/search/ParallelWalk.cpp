// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on several threads.
#include "search/ParallelWalk.h"

#include <algorithm>

namespace dirlix::walk {

// A folder handle shared by the subfolders that still have to be opened through it; closed when
// the last of them has done so.
struct ParallelWalk::SharedHandle {
    SharedHandle(fsys::FolderHandle h, HandleBudget& b) : handle(h), budget(b) {}
    ~SharedHandle()
    {
        fsys::closeFolder(handle);
        budget.give();
    }
    fsys::FolderHandle handle;
    HandleBudget& budget;
};

// One folder of the tree. Written by the worker that reads it, then published through `done`;
// the calling thread reads it only after that.
struct ParallelWalk::Node {
    FolderPathPtr parentFolder;           // null for the start folder
    std::string part;                     // its name and the separator; the start text for the start
    FolderPathPtr folder;                 // its path, once opened and admitted
    std::shared_ptr<SharedHandle> parentHandle; // to open it relative to its parent
    WalkBlock block;                      // its own files
    std::vector<WalkBlock> subtreeBlocks; // everything below, for a subtree walked in one piece
    std::vector<WalkError> errors;        // its own failures and those of such a subtree, in order
    std::vector<std::unique_ptr<Node>> children;
    bool cutShort = false;                // the stop flag cut its listing short
    std::atomic<bool> done{false};
};

ParallelWalk::ParallelWalk(const WalkOptions& options, WalkShared& shared, unsigned threads, WalkProgress& progress,
                           std::vector<WalkError>& errors, const Walker::BlockSink& sink, const std::atomic<bool>* stop)
    : mOptions(options), mShared(shared), mThreads(threads), mProgress(progress), mErrors(errors), mSink(sink),
      mStop(stop), mLongPath(fsys::pathLimit() / 2)
{
}

ParallelWalk::~ParallelWalk()
{
    {
        std::lock_guard lock(mQueueMutex);
        mQuit = true;
    }
    mQueueReady.notify_all();
    for (std::thread& worker : mWorkers)
        worker.join();
    // Deep trees must not be freed by recursion through the nodes' destructors.
    std::vector<std::unique_ptr<Node>> pending = std::move(mPending);
    while (!pending.empty()) {
        std::unique_ptr<Node> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children)
            pending.push_back(std::move(child));
    }
}

bool ParallelWalk::stopping() const
{
    return stopRequested(mStop);
}

bool ParallelWalk::walk(const std::string& start, int& startError)
{
    fsys::FolderHandle handle = fsys::kNoFolder;
    int error = seamError(mOptions, nullptr, start);
    if (error == 0)
        error = openWaiting([&] { return fsys::openFolder(start, handle); });
    if (error != 0) {
        if (error == ENOENT || error == ENOTDIR) {
            startError = error;
            return false;
        }
        recordError(mErrors, WalkErrorKind::FolderUnreadable, start, error);
        return true;
    }
    fsys::closeFolder(handle); // the worker opens it again; the check above only tells missing from unreadable

    mPending.push_back(std::make_unique<Node>());
    mPending.back()->part = start;
    mUnfinished = 1;
    mQueue.push_back(mPending.back().get());
    for (unsigned i = 0; i < mThreads; ++i)
        mWorkers.emplace_back([this] { work(); });

    // Hand out the nodes in pre-order, each as soon as it is complete.
    while (!mPending.empty()) {
        Node* node = mPending.back().get();
        {
            std::unique_lock lock(mDoneMutex);
            mAwaited = node;
            mNodeDone.wait(lock, [&] { return node->done.load(std::memory_order_acquire) || stopping(); });
            mAwaited = nullptr;
        }
        if (!node->done.load(std::memory_order_acquire))
            break; // stopped while waiting: what was handed out is a prefix of the walk
        // Done: no worker touches it any more, but its children may be read right now, so they
        // stay owned here until the destructor has joined the workers.
        const std::unique_ptr<Node> owned = std::move(mPending.back());
        mPending.pop_back();
        for (auto it = owned->children.rbegin(); it != owned->children.rend(); ++it)
            mPending.push_back(std::move(*it));
        owned->children.clear();
        mErrors.insert(mErrors.end(), std::make_move_iterator(owned->errors.begin()),
                       std::make_move_iterator(owned->errors.end()));
        if (!owned->block.entries.empty())
            mSink(std::move(owned->block));
        for (WalkBlock& block : owned->subtreeBlocks)
            mSink(std::move(block));
        if (owned->cutShort || stopping())
            break;
    }
    return true;
}

void ParallelWalk::work()
{
    Scratch scratch;
    for (;;) {
        Node* node = nullptr;
        {
            std::unique_lock lock(mQueueMutex);
            ++mIdleWorkers;
            mQueueReady.wait(lock, [&] { return mQuit || !mQueue.empty() || mUnfinished == 0; });
            --mIdleWorkers;
            if (mQuit || mQueue.empty())
                return;
            node = mQueue.back();
            mQueue.pop_back();
        }
        if (!stopping())
            process(*node, scratch);
        node->parentHandle.reset();
        finish(*node);
    }
}

void ParallelWalk::finish(Node& node)
{
    // Only the node the calling thread waits for wakes it: one wake-up per folder would cost
    // more than reading the folder.
    bool awaited = false;
    {
        std::lock_guard lock(mDoneMutex);
        node.done.store(true, std::memory_order_release);
        awaited = mAwaited == &node;
    }
    if (awaited)
        mNodeDone.notify_one();
    bool allDone = false;
    {
        std::lock_guard lock(mQueueMutex);
        allDone = --mUnfinished == 0;
    }
    if (allDone)
        mQueueReady.notify_all();
}

void ParallelWalk::process(Node& node, Scratch& scratch)
{
    int error = seamError(mOptions, node.parentFolder.get(), node.part);
    fsys::FolderHandle handle = fsys::kNoFolder;
    if (error == 0) {
        if (node.parentHandle) {
            const std::string name = node.part.substr(0, node.part.size() - 1);
            error = openWaiting([&] {
                return fsys::openChildFolder(node.parentHandle->handle, name.c_str(), mOptions.followLinks, handle);
            });
        } else {
            const std::string path = folderText(node.parentFolder.get(), node.part);
            error = openWaiting([&] { return fsys::openFolder(path, handle); });
        }
    }
    node.parentHandle.reset();
    if (error != 0) {
        if (error != ENOENT || !node.parentFolder) // a folder that vanished since the listing is simply gone
            recordError(node.errors, WalkErrorKind::FolderUnreadable, folderText(node.parentFolder.get(), node.part),
                        error);
        return;
    }
    if (!admitFolder(handle, node.parentFolder, node.part, mOptions, mShared, node.errors, node.folder)) {
        fsys::closeFolder(handle);
        return;
    }
    node.parentFolder.reset();
    node.part = {};

    if (node.folder->length > mLongPath) {
        const Walker::BlockSink collect = [&](WalkBlock&& block) { node.subtreeBlocks.push_back(std::move(block)); };
        SequentialWalk subtree(mOptions, mShared, mProgress, node.errors, collect, mStop);
        subtree.walkFrom(handle, node.folder); // takes over the handle
        node.cutShort = stopping();
        return;
    }

    SubfolderList subfolders;
    bool stopped = false;
    error = listFolder(handle, node.folder, mOptions, mShared, mProgress, mStop, scratch, node.block, subfolders,
                       node.errors, stopped);
    if (error != 0)
        recordError(node.errors, WalkErrorKind::FolderUnreadable, node.folder->text(), error);
    node.cutShort = stopped;
    if (stopped || subfolders.size() == 0) {
        fsys::closeFolder(handle);
        return;
    }

    // The subfolders open relative to this folder while handles are plentiful; beyond the
    // budget this one is closed at once and they open by their full path.
    std::shared_ptr<SharedHandle> shared;
    if (mShared.budget.tryTake())
        shared = std::make_shared<SharedHandle>(handle, mShared.budget);
    else
        fsys::closeFolder(handle);
    node.children.reserve(subfolders.size());
    for (std::size_t i = 0; i < subfolders.size(); ++i) {
        auto child = std::make_unique<Node>();
        child->parentFolder = node.folder;
        child->part = subfolders.at(i);
        child->part += fsys::kSeparator;
        child->parentHandle = shared;
        node.children.push_back(std::move(child));
    }
    std::size_t idle = 0;
    {
        std::lock_guard lock(mQueueMutex);
        // The first subfolder is taken first, so the workers follow the walk order and the
        // calling thread can hand out results early.
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
            mQueue.push_back(it->get());
        mUnfinished += node.children.size();
        idle = mIdleWorkers;
    }
    for (std::size_t i = 0; i < std::min(idle, node.children.size()); ++i)
        mQueueReady.notify_one();
}

} // namespace dirlix::walk
