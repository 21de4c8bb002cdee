// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on several threads.
#include "search/ParallelWalk.h"

#include <algorithm>

namespace dirlix::walk {

// A folder handle shared by the subfolders that still have to be opened through it; closed when
// the last of them has done so.
struct ParallelWalk::SharedHandle {
    SharedHandle(fsys::FolderHandle h, std::atomic<std::size_t>& count) : handle(h), openHandles(count) {}
    ~SharedHandle()
    {
        fsys::closeFolder(handle);
        openHandles.fetch_sub(1, std::memory_order_relaxed);
    }
    fsys::FolderHandle handle;
    std::atomic<std::size_t>& openHandles;
};

// One folder of the tree. Written by the worker that reads it, then published through `done`;
// the calling thread reads it only after that.
struct ParallelWalk::Node {
    Node* parent = nullptr;
    std::string path;                     // the folder text: start text, names, separators
    std::size_t nameStart = 0;            // where its own name starts in path
    std::shared_ptr<SharedHandle> parentHandle; // to open it relative to its parent
    fsys::FileId id;
    WalkBlock block;                      // its own files
    std::vector<WalkBlock> subtreeBlocks; // everything below, for a subtree walked in one piece
    std::vector<WalkError> errors;        // its own failures and those of such a subtree, in order
    std::vector<std::unique_ptr<Node>> children;
    bool cutShort = false;                // the stop flag cut its listing short
    std::atomic<bool> done{false};
};

ParallelWalk::ParallelWalk(const WalkOptions& options, unsigned threads, WalkProgress& progress,
                           std::vector<WalkError>& errors, const Walker::BlockSink& sink, const std::atomic<bool>* stop)
    : mOptions(options), mThreads(threads), mProgress(progress), mErrors(errors), mSink(sink), mStop(stop),
      mBudget(folderHandleBudget()), mLongPath(fsys::pathLimit() / 2)
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
    std::vector<std::unique_ptr<Node>> pending;
    if (mRoot)
        pending.push_back(std::move(mRoot));
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
    int error = seamError(mOptions, start);
    if (error == 0)
        error = fsys::openFolder(start, handle);
    if (error != 0) {
        if (error == ENOENT || error == ENOTDIR) {
            startError = error;
            return false;
        }
        recordError(mErrors, WalkErrorKind::FolderUnreadable, start, error);
        return true;
    }
    fsys::closeFolder(handle); // the worker opens it again; the check above only tells missing from unreadable

    mRoot = std::make_unique<Node>();
    mRoot->path = start;
    mUnfinished = 1;
    mQueue.push_back(mRoot.get());
    for (unsigned i = 0; i < mThreads; ++i)
        mWorkers.emplace_back([this] { work(); });

    // Hand out the nodes in pre-order, each as soon as it is complete.
    std::vector<Node*> order{mRoot.get()};
    while (!order.empty()) {
        Node* node = order.back();
        order.pop_back();
        {
            std::unique_lock lock(mDoneMutex);
            mAwaited = node;
            mNodeDone.wait(lock, [&] { return node->done.load(std::memory_order_acquire) || stopping(); });
            mAwaited = nullptr;
        }
        if (!node->done.load(std::memory_order_acquire))
            break; // stopped while waiting: what was handed out is a prefix of the walk
        mErrors.insert(mErrors.end(), std::make_move_iterator(node->errors.begin()),
                       std::make_move_iterator(node->errors.end()));
        if (!node->block.entries.empty())
            mSink(std::move(node->block));
        for (WalkBlock& block : node->subtreeBlocks)
            mSink(std::move(block));
        node->block = {};
        node->subtreeBlocks.clear();
        if (node->cutShort || stopping())
            break;
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            order.push_back(it->get());
    }
    return true;
}

void ParallelWalk::work()
{
    fsys::FolderEntries scratch;
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

bool ParallelWalk::onPath(const Node& node, const fsys::FileId& id) const
{
    for (const Node* ancestor = node.parent; ancestor; ancestor = ancestor->parent)
        if (ancestor->id == id)
            return true;
    return false;
}

void ParallelWalk::process(Node& node, fsys::FolderEntries& scratch)
{
    int error = seamError(mOptions, node.path);
    fsys::FolderHandle handle = fsys::kNoFolder;
    if (error == 0) {
        if (node.parentHandle) {
            const std::string name = node.path.substr(node.nameStart, node.path.size() - node.nameStart - 1);
            error = fsys::openChildFolder(node.parentHandle->handle, name.c_str(), handle);
        } else {
            error = fsys::openFolder(node.path, handle);
        }
    }
    node.parentHandle.reset();
    if (error != 0) {
        if (error != ENOENT || node.parent == nullptr) // a folder that vanished since the listing is simply gone
            recordError(node.errors, WalkErrorKind::FolderUnreadable, node.path, error);
        return;
    }
    if ((error = fsys::folderIdentity(handle, node.id)) != 0) {
        recordError(node.errors, WalkErrorKind::FolderUnreadable, node.path, error);
        fsys::closeFolder(handle);
        return;
    }
    if (onPath(node, node.id)) {
        recordError(node.errors, WalkErrorKind::CycleSkipped, node.path, 0);
        fsys::closeFolder(handle);
        return;
    }

    if (node.path.size() > mLongPath) {
        std::vector<fsys::FileId> ancestors;
        for (const Node* ancestor = node.parent; ancestor; ancestor = ancestor->parent)
            ancestors.push_back(ancestor->id);
        const Walker::BlockSink collect = [&](WalkBlock&& block) { node.subtreeBlocks.push_back(std::move(block)); };
        SequentialWalk subtree(mOptions, mProgress, node.errors, collect, mStop);
        subtree.walkFrom(handle, &node.path, std::move(ancestors)); // takes over the handle
        node.cutShort = stopping();
        return;
    }

    SubfolderList subfolders;
    bool stopped = false;
    error = listFolder(handle, node.path, mOptions, mProgress, mStop, scratch, node.block, subfolders, node.errors,
                       stopped);
    if (error != 0)
        recordError(node.errors, WalkErrorKind::FolderUnreadable, node.path, error);
    node.cutShort = stopped;
    if (stopped || subfolders.size() == 0) {
        fsys::closeFolder(handle);
        return;
    }

    // The subfolders open relative to this folder while handles are plentiful; beyond the
    // budget this one is closed at once and they open by their full path.
    std::shared_ptr<SharedHandle> shared;
    if (mOpenHandles.fetch_add(1, std::memory_order_relaxed) < mBudget) {
        shared = std::make_shared<SharedHandle>(handle, mOpenHandles);
    } else {
        mOpenHandles.fetch_sub(1, std::memory_order_relaxed);
        fsys::closeFolder(handle);
    }
    node.children.reserve(subfolders.size());
    for (std::size_t i = 0; i < subfolders.size(); ++i) {
        auto child = std::make_unique<Node>();
        child->parent = &node;
        child->nameStart = node.path.size();
        child->path = node.path;
        child->path += subfolders.at(i);
        child->path += fsys::kSeparator;
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
