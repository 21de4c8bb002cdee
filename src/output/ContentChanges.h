// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: renamed, moved and silently changed files, told apart by the checksums of a saved list.
#pragma once

#include "output/SavedList.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace dirlix {

/**
 * What checksums add to a comparison with a saved list that carries them (saved with --hash): a
 * file found at a new path with the size and checksum of a saved file whose path is gone was
 * renamed or moved; a file whose size and modified time are unchanged but whose checksum is not
 * changed without its time (corruption, or a time set back). The saved checksums are read again
 * from the list's file when needed, so the list's memory does not grow with them.
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
     * Whether the file of @p hash, unchanged in size and modified time since saved row
     * @p savedRow, now has another checksum. False when either side has none. Returns false with
     * @p error set when the list no longer reads.
     */
    bool corrupt(std::string_view hash, std::size_t savedRow, bool& changed, std::string& error) const;

    /** Offers saved row @p savedRow, found gone, to pair with new paths; call in the list's order. */
    bool addGone(std::size_t savedRow, std::string& error);

    /**
     * The gone saved row that a new file of @p size and @p hash was renamed or moved from, the
     * first offered of those that have that content; SavedList::npos for none. Each gone row
     * pairs once.
     */
    std::size_t renamedFrom(std::int64_t size, std::string_view hash);

    /** Whether saved row @p savedRow was paired with a new path by renamedFrom(). */
    bool paired(std::size_t savedRow) const { return mPaired.count(savedRow) != 0; }

private:
    const SavedList& mSaved;
    std::map<std::pair<std::int64_t, std::string>, std::deque<std::size_t>> mGone;
    std::set<std::size_t> mPaired;
    mutable JsonLineRow mScratch;
};

} // namespace dirlix
