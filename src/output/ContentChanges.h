// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: renamed, moved and silently changed files, told apart by the checksums of a saved list.
#pragma once

#include "output/ListCompare.h"
#include "output/SavedList.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dirlix {

/**
 * What checksums add to a comparison with a saved list that carries them (saved with --hash): a
 * file found at a new path with the size and checksum of a saved file whose path is gone was
 * renamed or moved; a file whose size and modified time are unchanged but whose checksum is not
 * changed without its time (corruption, or a time set back). The saved checksums are read again
 * from the list's file when needed, so the list's memory does not grow with them.
 *
 * Both the command line and the window tell these changes through this one class, so that they
 * pair the same files: refine() each row as ListCompare::compare() gives it, note the added rows
 * with addCandidate(), and once every row is compared, pairRenames(); then renamedFrom() gives each
 * candidate's old row and paired() the gone rows no longer removed.
 */
class ContentChanges {
public:
    /** Works with @p saved, which must outlive this. */
    explicit ContentChanges(const SavedList& saved) : mSaved(saved) {}

    /**
     * The checksum algorithm of the saved list (hash_algorithm of its first row that has one);
     * empty when no row has checksums. Returns false with @p error set when the list no longer reads.
     */
    static bool algorithmOf(const SavedList& saved, std::string& algorithm, std::string& error);

    /**
     * Turns @p change, what ListCompare::compare() gave @p row against @p savedRow, into Corrupt
     * when it is None and the file's checksum (Row::hash) differs from the saved one; leaves it
     * otherwise. A side without a checksum is never corrupt. Returns false with @p error set when
     * the list no longer reads.
     */
    bool refine(const Row& row, std::size_t savedRow, RowChange& change, std::string& error) const;

    /**
     * Notes @p row, found Added, as one that may have been renamed or moved. Returns its number
     * (0, 1, ... in the order of these calls), or npos when it cannot have been: no checksum, or
     * values that could not be read.
     */
    std::size_t addCandidate(const Row& row);

    /**
     * Pairs each candidate, in the order noted, with the first gone row of its size and checksum,
     * the gone rows taken in the order @p compare's forEachRemoved() gives them; each gone row
     * pairs once. Call once, after every row was compared and @p compare's scope and unreadable
     * folders are set. Returns false with @p error set when the list no longer reads, or with
     * @p error empty when *@p stop turned true.
     */
    bool pairRenames(const ListCompare& compare, std::string& error, const std::atomic<bool>* stop = nullptr);

    /** The saved row candidate @p candidate was renamed or moved from; SavedList::npos for none or npos. */
    std::size_t renamedFrom(std::size_t candidate) const
    {
        return candidate < mFrom.size() ? mFrom[candidate] : SavedList::npos;
    }

    /** Whether saved row @p savedRow was paired with a new path by pairRenames(). */
    bool paired(std::size_t savedRow) const { return mPaired.count(savedRow) != 0; }

    static constexpr std::size_t npos = SavedList::npos;

private:
    const SavedList& mSaved;
    std::vector<std::pair<std::int64_t, std::string>> mCandidates; // size and checksum; emptied by pairRenames()
    std::vector<std::size_t> mFrom;                                 // by candidate, after pairRenames()
    std::set<std::size_t> mPaired;
    mutable JsonLineRow mScratch;
    mutable JsonLineReader mReader;
};

/** Appends the line of a renamed or moved file: "R", a tab, the old path, a tab, the new path and a line feed. */
void appendRenamedLine(std::string& out, std::string_view oldPath, std::string_view newPath);

/**
 * Appends the JSON object of a renamed or moved file: "change":"renamed", old_path (and
 * old_path_b64 with its exact bytes when it is not valid UTF-8), then the members of @p rowObject,
 * the file's own object as appendJsonLine() writes it, line feed included.
 */
void appendRenamedJson(std::string& out, std::string_view oldPath, std::string_view rowObject);

} // namespace dirlix
