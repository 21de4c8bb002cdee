// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on the calling thread, with its own stack (not a public header).
#pragma once

#include "search/FolderWalk.h"

namespace dirlix::walk {

// One folder on the walk's own stack. Its path is a chain shared with its parent's, so a
// 5,000-level tree costs one name per level.
struct Frame {
    fsys::FolderHandle handle = fsys::kNoFolder;
    FolderPathPtr folder;
    SubfolderList subfolders;
    std::size_t nextSubfolder = 0;

    bool finished() const { return nextSubfolder == subfolders.size(); }
};

/**
 * The walk on the calling thread. It keeps its own stack of folders rather than recursing, so
 * the depth of a tree is limited by memory only, and its folder handles count in the walk's
 * shared budget: while the budget is exceeded the shallowest give theirs back and are opened
 * again from an open ancestor when the walk returns to them. Blocks go to the sink as each
 * folder is read.
 */
class SequentialWalk {
public:
    SequentialWalk(const WalkOptions& options, WalkShared& shared, WalkProgress& progress,
                   std::vector<WalkError>& errors, const Walker::BlockSink& sink, const std::atomic<bool>* stop)
        : mOptions(options), mShared(shared), mProgress(progress), mErrors(errors), mSink(sink), mStop(stop)
    {
    }

    ~SequentialWalk()
    {
        for (Frame& frame : mStack)
            closeHandle(frame);
    }

    /** Walks @p start. Returns false when it is missing or no folder; @p startError then says why. */
    bool walk(const std::string& start, int& startError)
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
            fail(start, error);
            return true;
        }
        FolderPathPtr folder;
        if (!admitFolder(handle, nullptr, start, mOptions, mShared, mErrors, folder)) {
            fsys::closeFolder(handle);
            return true;
        }
        walkFrom(handle, std::move(folder), false);
        return true;
    }

    /**
     * Walks the admitted folder @p folder, open as @p handle (taken over). With @p keepRoot its
     * handle is never given back, so it need not be reopened by a path that may be too long to open.
     */
    void walkFrom(fsys::FolderHandle handle, FolderPathPtr folder, bool keepRoot = true)
    {
        mKeepRoot = keepRoot;
        push(handle, std::move(folder));
        while (!mStack.empty() && !stopRequested(mStop)) {
            Frame& top = mStack.back();
            if (top.finished()) {
                closeHandle(top);
                mStack.pop_back();
                continue;
            }
            const char* name = top.subfolders.at(top.nextSubfolder++);
            if (top.handle == fsys::kNoFolder && !reopen(mStack.size() - 1))
                continue;
            Frame& parent = mStack.back();
            std::string part = name;
            part += fsys::kSeparator;
            handle = fsys::kNoFolder;
            int error = seamError(mOptions, parent.folder.get(), part);
            if (error == 0)
                error = openWaiting(
                    [&] { return fsys::openChildFolder(parent.handle, name, mOptions.followLinks, handle); });
            if (error != 0) {
                if (error != ENOENT) // a folder that vanished since the listing is simply gone
                    fail(folderText(parent.folder.get(), part), error);
                continue;
            }
            FolderPathPtr child;
            if (!admitFolder(handle, parent.folder, part, mOptions, mShared, mErrors, child)) {
                fsys::closeFolder(handle);
                continue;
            }
            push(handle, std::move(child));
        }
    }

private:
    void fail(const std::string& path, int error)
    {
        recordError(mErrors, WalkErrorKind::FolderUnreadable, path, error);
    }

    void closeHandle(Frame& frame)
    {
        if (frame.handle == fsys::kNoFolder)
            return;
        fsys::closeFolder(frame.handle);
        frame.handle = fsys::kNoFolder;
        mShared.budget.give();
    }

    // Takes over @p handle for @p folder, lists its files and pushes it.
    void push(fsys::FolderHandle handle, FolderPathPtr folder)
    {
        Frame frame;
        frame.handle = handle;
        frame.folder = std::move(folder);
        mShared.budget.take();
        WalkBlock block;
        bool stopped = false;
        const int error = walk::listFolder(frame.handle, frame.folder, mOptions, mShared, mProgress, mStop, mScratch,
                                           block, frame.subfolders, mErrors, stopped);
        if (error != 0)
            fail(frame.folder->text(), error);
        if (!block.entries.empty())
            mSink(std::move(block));
        mStack.push_back(std::move(frame));
        while (mShared.budget.over() && releaseShallowestHandle()) {
        }
    }

    // Gives back one folder handle: first of a folder that has no subfolders left to open (it
    // will never need it again), else of the shallowest folder, which is the last to be needed.
    // The newest folder keeps its handle. Returns false when there was nothing to give back.
    bool releaseShallowestHandle()
    {
        if (mStack.size() < 2)
            return false;
        const std::size_t last = mStack.size() - 1;
        const std::size_t first = mKeepRoot ? 1 : 0;
        for (std::size_t i = first; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder && mStack[i].finished()) {
                closeHandle(mStack[i]);
                return true;
            }
        for (std::size_t i = first; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder) {
                closeHandle(mStack[i]);
                return true;
            }
        return false;
    }

    // Opens frame @p index again, from its nearest open ancestor down, checking at each step that
    // the same folder is reached. On failure its remaining subfolders are reported and dropped.
    bool reopen(std::size_t index)
    {
        std::size_t from = index;
        while (from > 0 && mStack[from - 1].handle == fsys::kNoFolder)
            --from;
        for (std::size_t i = from; i <= index; ++i) {
            Frame& frame = mStack[i];
            int error = 0;
            if (i == 0) {
                const std::string text = frame.folder->text();
                error = openWaiting([&] { return fsys::openFolder(text, frame.handle); });
            } else {
                const std::string name = frame.folder->name();
                error = openWaiting([&] {
                    return fsys::openChildFolder(mStack[i - 1].handle, name.c_str(), mOptions.followLinks,
                                                 frame.handle);
                });
            }
            fsys::FileId id;
            if (frame.handle != fsys::kNoFolder &&
                !(fsys::folderIdentity(frame.handle, id) == 0 && id == frame.folder->id)) {
                fsys::closeFolder(frame.handle);
                frame.handle = fsys::kNoFolder;
                error = fsys::kFolderReplaced;
            }
            if (frame.handle == fsys::kNoFolder) {
                Frame& target = mStack[index];
                fail(target.folder->text(), error);
                target.nextSubfolder = target.subfolders.size();
                return false;
            }
            mShared.budget.take();
        }
        while (mShared.budget.over() && releaseShallowestHandle()) {
        }
        return true;
    }

    const WalkOptions& mOptions;
    WalkShared& mShared;
    WalkProgress& mProgress;
    std::vector<WalkError>& mErrors;
    const Walker::BlockSink& mSink;
    const std::atomic<bool>* mStop;
    bool mKeepRoot = false;
    std::vector<Frame> mStack;
    walk::Scratch mScratch;
};

} // namespace dirlix::walk
