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

/** The filter of @p options: its own, or the plain rule. Never null. */
const WalkFilter& filterOf(const WalkOptions& options);

/** How many folder handles one walk may hold at once, from the process's descriptor limit. */
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
 * Lists the open folder @p handle whose path text is @p path: the files the filter keeps, with
 * their values, into @p block (folder set, in listing order) and the subfolders it enters into
 * @p subfolders. Files whose values cannot be read go to @p errors. Counts progress. Returns 0,
 * or the errno of a listing that failed part-way. @p stopped tells whether the stop flag cut the
 * listing short.
 */
int listFolder(fsys::FolderHandle handle, const std::string& path, const WalkOptions& options, WalkProgress& progress,
               const std::atomic<bool>* stop, fsys::FolderEntries& scratch, WalkBlock& block,
               SubfolderList& subfolders, std::vector<WalkError>& errors, bool& stopped);

} // namespace dirlix::walk
