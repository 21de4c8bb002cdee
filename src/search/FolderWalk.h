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

} // namespace dirlix::walk
