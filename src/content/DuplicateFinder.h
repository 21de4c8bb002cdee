// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: groups of files with identical content, most of them never read whole.
#pragma once

#include "search/RowSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dirlix {

/** Files of one content: two or more, none of them hard links to another. */
struct DuplicateGroup {
    std::int64_t size = 0;          ///< each file's size in bytes; never 0
    std::vector<std::string> paths; ///< in walk order; the first is the one to keep

    /** The bytes that removing all files but one would free. */
    std::uint64_t wasted() const { return std::uint64_t(size) * (paths.size() - 1); }
};

/** What a search for duplicates is doing. */
enum class DuplicateStage {
    Listing,   ///< taking the rows from the source
    Reading,   ///< looking at the candidates and reading them for checksums
    Comparing, ///< comparing files byte for byte: filesToRead and filesRead count pairs
};

/** Progress counters of a search for duplicates; any thread may read them. */
struct DuplicateProgress {
    std::atomic<DuplicateStage> stage{DuplicateStage::Listing};
    std::atomic<std::uint64_t> filesSeen{0};    ///< rows taken from the source
    std::atomic<std::uint64_t> filesToRead{0};  ///< files that must be read, at the current stage
    std::atomic<std::uint64_t> filesRead{0};    ///< of those, read so far
};

/**
 * Finds the files of a list that hold the same bytes. Files are candidates only when another has
 * their size; of those, the first and last blocks are compared by checksum, and only files still
 * alike are read whole; files that still agree are compared byte for byte, so no group ever holds
 * two different files. Hard links to one file count once, under their first path in the list's
 * order; empty files, links and special files are left out. Memory: the paths of the list plus a
 * few dozen bytes per file.
 */
class DuplicateFinder {
public:
    /** Called for a file that could not be read: its path and why, in words for the user. */
    using FailureCallback = std::function<void(const std::string& path, const std::string& reason)>;

    /** Reads files on @p threads threads (0: a few, by the cores). @p failed may be empty. */
    explicit DuplicateFinder(unsigned threads = 0, FailureCallback failed = {});

    /**
     * Reads every row of @p rows, then the candidates' content, and returns the groups: the largest
     * waste (size × (files − 1)) first, ties by the list order of their first file. A set @p stop
     * ends it soon, also in the middle of a large file, with an empty result; what was given up for
     * it is no failure.
     */
    std::vector<DuplicateGroup> find(RowSource& rows, const std::atomic<bool>* stop = nullptr,
                                     DuplicateProgress* progress = nullptr);

    /** Files that could not be read (each told to the callback once). */
    std::uint64_t failures() const { return mFailures; }

    /** The bytes read at each end of a file in the first comparison. */
    static constexpr std::size_t kEndBlock = 4096;

private:
    unsigned mThreads;
    FailureCallback mFailed;
    std::uint64_t mFailures = 0;
};

} // namespace dirlix
