// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk's own parts, shared by its sequential and parallel forms (not a public header).
#pragma once

#include "search/Walker.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace dirlix::walk {

inline bool stopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

/** The error the test seam gives for @p path, or 0. */
inline int seamError(const WalkOptions& options, const std::string& path)
{
    return options.failFolder ? options.failFolder(path) : 0;
}

/** How many folder handles one walk may hold at once, from the process's descriptor limit. */
std::size_t folderHandleBudget();

/** The subfolders of one folder that the walk will enter, zero-terminated names in listing order. */
struct SubfolderList {
    std::string names;
    std::vector<std::uint32_t> starts;

    std::size_t size() const { return starts.size(); }
    const char* at(std::size_t i) const { return names.data() + starts[i]; }
    /** Adds @p name unless it begins with "." (dot-folders below the start are not walked). */
    void add(const char* name, std::size_t length)
    {
        if (name[0] == '.')
            return;
        starts.push_back(std::uint32_t(names.size()));
        names.append(name, length + 1);
    }
};

/**
 * Lists the open folder @p handle whose path text is @p path: its files, with their properties,
 * into @p block (folder set, in listing order) and its subfolders into @p subfolders. Counts
 * progress. Returns 0, or the errno of a listing that failed part-way. @p stopped tells whether
 * the stop flag cut the listing short.
 */
int listFolder(fsys::FolderHandle handle, const std::string& path, const WalkOptions& options, WalkProgress& progress,
               const std::atomic<bool>* stop, fsys::FolderEntries& scratch, WalkBlock& block,
               SubfolderList& subfolders, bool& stopped);

/** Records an unreadable folder. */
inline void recordFailure(std::vector<WalkError>& errors, WalkProgress& progress, const std::string& path, int error)
{
    errors.push_back({path, error});
    progress.unreadableFolders.fetch_add(1, std::memory_order_relaxed);
}

// One folder on the walk's own stack: the path from the start folder is a prefix of one shared
// path text, so a 5,000-level tree costs no more than its own path.
struct Frame {
    fsys::FolderHandle handle = fsys::kNoFolder;
    fsys::FolderId id;
    std::size_t nameStart = 0;  // where this folder's own name starts in the path text
    std::size_t pathLength = 0; // length of this folder's path text, separator included
    SubfolderList subfolders;
    std::size_t nextSubfolder = 0;

    bool finished() const { return nextSubfolder == subfolders.size(); }
};

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

    // Returns false when the start folder is missing or no folder; @p startError then says why.
    bool walk(const std::string& start, int& startError)
    {
        mPath = start;
        int error = seamError(mOptions, mPath);
        fsys::FolderHandle handle = error ? fsys::kNoFolder : fsys::openFolder(mPath, error);
        if (handle == fsys::kNoFolder) {
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
                  std::vector<fsys::FolderId> ancestors = {})
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
            error = seamError(mOptions, mPath);
            handle = error ? fsys::kNoFolder : fsys::openChildFolder(parent.handle, name, error);
            if (handle == fsys::kNoFolder) {
                if (error != ENOENT) // a folder that vanished since the listing is simply gone
                    fail(mPath, error);
                continue;
            }
            enter(handle, nameStart);
        }
    }

private:
    void fail(const std::string& path, int error) { recordFailure(mErrors, mProgress, path, error); }

    bool onPath(const fsys::FolderId& id) const
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
        if (!fsys::folderIdentity(handle, frame.id)) {
            fsys::closeFolder(handle);
            fail(mPath, errno);
            return false;
        }
        if (onPath(frame.id)) {
            fsys::closeFolder(handle);
            mProgress.cyclesSkipped.fetch_add(1, std::memory_order_relaxed);
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
                                           frame.subfolders, stopped);
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
                frame.handle = fsys::openFolder(mStartText, error);
            } else {
                const std::string name = mPath.substr(frame.nameStart, frame.pathLength - frame.nameStart - 1);
                frame.handle = fsys::openChildFolder(mStack[i - 1].handle, name.c_str(), error);
            }
            fsys::FolderId id;
            if (frame.handle != fsys::kNoFolder && !(fsys::folderIdentity(frame.handle, id) && id == frame.id)) {
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
    std::vector<fsys::FolderId> mAncestors;
    std::string mPath;
    std::vector<Frame> mStack;
    fsys::FolderEntries mEntries;
};

} // namespace dirlix::walk
