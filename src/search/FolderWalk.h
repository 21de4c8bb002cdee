// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk's own parts, shared by its sequential and parallel forms (not a public header).
#pragma once

#include "search/Walker.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace dirlix::walk {

inline bool stopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

/** The error the test seam gives for the folder @p part below @p parent (null: the start), or 0. */
inline int seamError(const WalkOptions& options, const FolderPath* parent, const std::string& part)
{
    return options.failFolder ? options.failFolder(parent ? parent->text() + part : part) : 0;
}

/** The text of the folder @p part below @p parent (null: @p part is the start text). */
inline std::string folderText(const FolderPath* parent, const std::string& part)
{
    return parent ? parent->text() + part : part;
}

/**
 * Runs @p open (returning 0 or an errno) again while it fails for want of descriptors: the other
 * threads give theirs back soon, and a folder is not left out for that. Gives up after a while,
 * so that a process whose descriptors are held elsewhere still ends.
 */
template <typename Open>
int openWaiting(Open&& open)
{
    int error = open();
    auto pause = std::chrono::milliseconds(1);
    for (auto waited = std::chrono::milliseconds(0);
         (error == EMFILE || error == ENFILE) && waited < std::chrono::seconds(20); waited += pause) {
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
        error = open();
    }
    return error;
}

/** The folder handles of one walk, counted against one limit across all its threads. */
class HandleBudget {
public:
    explicit HandleBudget(std::size_t limit) : mLimit(limit) {}
    /** Takes a handle when the budget still has one. */
    bool tryTake()
    {
        if (mUsed.fetch_add(1, std::memory_order_relaxed) < mLimit)
            return true;
        mUsed.fetch_sub(1, std::memory_order_relaxed);
        return false;
    }
    /** Takes a handle even beyond the limit, for one the walk cannot go on without; over() then says so. */
    void take() { mUsed.fetch_add(1, std::memory_order_relaxed); }
    void give() { mUsed.fetch_sub(1, std::memory_order_relaxed); }
    bool over() const { return mUsed.load(std::memory_order_relaxed) > mLimit; }

private:
    const std::size_t mLimit;
    std::atomic<std::size_t> mUsed{0};
};

/** Devices and inodes seen by any of the walk's threads. */
class IdentitySet {
public:
    /** Adds @p id; false when it was there already. */
    bool insert(const fsys::FileId& id)
    {
        std::lock_guard lock(mMutex);
        return mIds.insert(id).second;
    }

private:
    struct Hash {
        std::size_t operator()(const fsys::FileId& id) const
        {
            return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
        }
    };
    std::mutex mMutex;
    std::unordered_set<fsys::FileId, Hash> mIds;
};

/** What all the threads of one walk share. */
struct WalkShared {
    explicit WalkShared(std::size_t handles) : budget(handles) {}
    HandleBudget budget;
    IdentitySet enteredFolders; ///< with followLinks: every folder entered
    IdentitySet linkedFiles;    ///< files with several hard links whose size was counted
    std::uint64_t startDevice = 0;
};

/** The filter of @p options: its own, or the plain rule. Never null. */
const WalkFilter& filterOf(const WalkOptions& options);

/** How many folder handles one walk may hold at once, across its threads, from the process's descriptor limit. */
std::size_t folderHandleBudget();

/** The subfolders of one folder that the walk will enter, zero-terminated names in listing order. */
struct SubfolderList {
    std::string names;
    std::vector<std::uint32_t> starts;

    std::size_t size() const { return starts.size(); }
    const char* at(std::size_t i) const { return names.data() + starts[i]; }
    void add(const char* name, std::size_t length)
    {
        starts.push_back(std::uint32_t(names.size()));
        names.append(name, length + 1);
    }
};

/** Records something the walk could not do. */
inline void recordError(std::vector<WalkError>& errors, WalkErrorKind kind, std::string path, int error)
{
    errors.push_back({kind, std::move(path), error});
}

/**
 * Whether the folder just opened as @p handle, the part @p part below @p parent (null for the
 * start folder), is entered: not when it is on its own path (reported), on a virtual file system
 * reached from outside (reported), off the start device with oneFileSystem, or already entered
 * through another link with followLinks. When it is, @p folder receives its path with its identity.
 */
bool admitFolder(fsys::FolderHandle handle, const FolderPathPtr& parent, const std::string& part,
                 const WalkOptions& options, WalkShared& shared, std::vector<WalkError>& errors,
                 FolderPathPtr& folder);

/**
 * What one thread of a walk reuses from one folder to the next: the listing's storage and the
 * filter's. Owned by the thread, never shared.
 */
struct Scratch {
    fsys::FolderEntries entries;
    WalkFilter::Scratch filter;
};

/**
 * Lists the open folder @p handle whose path is @p folder: the files the filter keeps, with
 * their values, into @p block (folder set, in listing order) and the subfolders it enters into
 * @p subfolders. Files whose values cannot be read go to @p errors. Counts the folder and the
 * filtered files; the block's bytes count each hard-linked file once across the walk. Returns 0,
 * or the errno of a listing that failed part-way. @p stopped tells whether the stop flag cut the
 * listing short.
 */
int listFolder(fsys::FolderHandle handle, const FolderPathPtr& folder, const WalkOptions& options,
               WalkShared& shared, WalkProgress& progress, const std::atomic<bool>* stop,
               Scratch& scratch, WalkBlock& block, SubfolderList& subfolders,
               std::vector<WalkError>& errors, bool& stopped);

} // namespace dirlix::walk
