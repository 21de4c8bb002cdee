// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk on the calling thread, with its own stack (not a public header).
#pragma once

#include "search/FolderWalk.h"

namespace dirlix::walk {

// One folder on the walk's own stack: the path from the start folder is a prefix of one shared
// path text, so a 5,000-level tree costs no more than its own path.
struct Frame {
    fsys::FolderHandle handle = fsys::kNoFolder;
    fsys::FileId id;
    std::size_t nameStart = 0;  // where this folder's own name starts in the path text
    std::size_t pathLength = 0; // length of this folder's path text, separator included
    SubfolderList subfolders;
    std::size_t nextSubfolder = 0;

    bool finished() const { return nextSubfolder == subfolders.size(); }
};

/**
 * The walk on the calling thread. It keeps its own stack of folders rather than recursing, so
 * the depth of a tree is limited by memory only, and it holds at most folderHandleBudget()
 * folder handles: the shallowest give theirs back and are opened again from an open ancestor
 * when the walk returns to them. Blocks go to the sink as each folder is read.
 */
class SequentialWalk {
public:
    SequentialWalk(const WalkOptions& options, WalkProgress& progress, std::vector<WalkError>& errors,
                   const Walker::BlockSink& sink, const std::atomic<bool>* stop)
        : mOptions(options), mProgress(progress), mErrors(errors), mSink(sink), mStop(stop),
          mBudget(folderHandleBudget())
    {
    }

    ~SequentialWalk()
    {
        for (Frame& frame : mStack)
            fsys::closeFolder(frame.handle);
    }

    /** Walks @p start. Returns false when it is missing or no folder; @p startError then says why. */
    bool walk(const std::string& start, int& startError)
    {
        mPath = start;
        fsys::FolderHandle handle = fsys::kNoFolder;
        int error = seamError(mOptions, mPath);
        if (error == 0)
            error = fsys::openFolder(mPath, handle);
        if (error != 0) {
            if (error == ENOENT || error == ENOTDIR) {
                startError = error;
                return false;
            }
            fail(mPath, error);
            return true;
        }
        mStartText = start;
        walkFrom(handle);
        return true;
    }

    /**
     * Walks the folder open as @p handle, whose path text is mPath (or @p path when given), below
     * the folders @p ancestors (for cycle detection). The handle of this first folder is never
     * given back, so it need not be reopened by a path that may be too long to open.
     */
    void walkFrom(fsys::FolderHandle handle, const std::string* path = nullptr,
                  std::vector<fsys::FileId> ancestors = {})
    {
        if (path) {
            mPath = *path;
            mKeepRoot = true;
        }
        mAncestors = std::move(ancestors);
        int error = 0;
        if (!enter(handle, 0))
            return;
        while (!mStack.empty() && !stopRequested(mStop)) {
            Frame& top = mStack.back();
            if (top.finished()) {
                fsys::closeFolder(top.handle);
                if (top.handle != fsys::kNoFolder)
                    --mOpenHandles;
                mStack.pop_back();
                continue;
            }
            const char* name = top.subfolders.at(top.nextSubfolder++);
            if (top.handle == fsys::kNoFolder && !reopen(mStack.size() - 1))
                continue;
            Frame& parent = mStack.back();
            mPath.resize(parent.pathLength);
            const std::size_t nameStart = mPath.size();
            mPath += name;
            mPath += fsys::kSeparator;
            handle = fsys::kNoFolder;
            error = seamError(mOptions, mPath);
            if (error == 0)
                error = fsys::openChildFolder(parent.handle, name, handle);
            if (error != 0) {
                if (error != ENOENT) // a folder that vanished since the listing is simply gone
                    fail(mPath, error);
                continue;
            }
            enter(handle, nameStart);
        }
    }

private:
    void fail(const std::string& path, int error)
    {
        recordError(mErrors, WalkErrorKind::FolderUnreadable, path, error);
    }

    bool onPath(const fsys::FileId& id) const
    {
        return std::any_of(mStack.begin(), mStack.end(), [&](const Frame& f) { return f.id == id; }) ||
               std::find(mAncestors.begin(), mAncestors.end(), id) != mAncestors.end();
    }

    // Takes over @p handle for the folder whose path is mPath, lists its files and pushes it.
    bool enter(fsys::FolderHandle handle, std::size_t nameStart)
    {
        Frame frame;
        frame.handle = handle;
        frame.nameStart = nameStart;
        frame.pathLength = mPath.size();
        if (const int error = fsys::folderIdentity(handle, frame.id); error != 0) {
            fsys::closeFolder(handle);
            fail(mPath, error);
            return false;
        }
        if (onPath(frame.id)) {
            fsys::closeFolder(handle);
            recordError(mErrors, WalkErrorKind::CycleSkipped, mPath, 0);
            return false;
        }
        listFolder(frame);
        mStack.push_back(std::move(frame));
        if (++mOpenHandles > mBudget)
            releaseShallowestHandle();
        return true;
    }

    void listFolder(Frame& frame)
    {
        WalkBlock block;
        bool stopped = false;
        const int error = walk::listFolder(frame.handle, mPath, mOptions, mProgress, mStop, mEntries, block,
                                           frame.subfolders, mErrors, stopped);
        if (error != 0)
            fail(mPath, error);
        if (!block.entries.empty())
            mSink(std::move(block));
    }

    // Gives back one folder handle: first of a folder that has no subfolders left to open (it
    // will never need it again), else of the shallowest folder, which is the last to be needed.
    // The newest folder keeps its handle. Returns false when there was nothing to give back.
    bool releaseShallowestHandle()
    {
        if (mStack.size() < 2)
            return false;
        const std::size_t last = mStack.size() - 1;
        auto release = [&](Frame& frame) {
            fsys::closeFolder(frame.handle);
            frame.handle = fsys::kNoFolder;
            --mOpenHandles;
            return true;
        };
        const std::size_t first = mKeepRoot ? 1 : 0;
        for (std::size_t i = first; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder && mStack[i].finished())
                return release(mStack[i]);
        for (std::size_t i = first; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder)
                return release(mStack[i]);
        return false;
    }

    // Opens frame @p index again, from its nearest open ancestor down, checking at each step that
    // the same folder is reached. On failure its remaining subfolders are reported and dropped.
    bool reopen(std::size_t index)
    {
        std::size_t from = index;
        while (from > 0 && mStack[from - 1].handle == fsys::kNoFolder)
            --from;
        int error = 0;
        for (std::size_t i = from; i <= index; ++i) {
            Frame& frame = mStack[i];
            if (i == 0) {
                error = fsys::openFolder(mStartText, frame.handle);
            } else {
                const std::string name = mPath.substr(frame.nameStart, frame.pathLength - frame.nameStart - 1);
                error = fsys::openChildFolder(mStack[i - 1].handle, name.c_str(), frame.handle);
            }
            fsys::FileId id;
            if (frame.handle != fsys::kNoFolder && !(fsys::folderIdentity(frame.handle, id) == 0 && id == frame.id)) {
                fsys::closeFolder(frame.handle);
                frame.handle = fsys::kNoFolder;
                error = ESTALE;
            }
            if (frame.handle == fsys::kNoFolder) {
                Frame& target = mStack[index];
                fail(mPath.substr(0, target.pathLength), error);
                target.nextSubfolder = target.subfolders.size();
                return false;
            }
            ++mOpenHandles;
        }
        while (mOpenHandles > mBudget && releaseShallowestHandle()) {
        }
        return true;
    }

    const WalkOptions& mOptions;
    WalkProgress& mProgress;
    std::vector<WalkError>& mErrors;
    const Walker::BlockSink& mSink;
    const std::atomic<bool>* mStop;
    const std::size_t mBudget;
    std::size_t mOpenHandles = 0;
    std::string mStartText;
    bool mKeepRoot = false;
    std::vector<fsys::FileId> mAncestors;
    std::string mPath;
    std::vector<Frame> mStack;
    fsys::FolderEntries mEntries;
};

} // namespace dirlix::walk
