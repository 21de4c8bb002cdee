// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: what narrows a search (name masks, size and date ranges, which folders are entered),
// the readers of its values, and the walk filter made from it.
#pragma once

#include "search/Walker.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * Reads a size: a whole number of bytes, optionally followed by K, M, G or T (either case) for
 * 1024, 1024², 1024³ or 1024⁴. Returns nothing, with the reason in @p error, for anything else or
 * a size beyond 2⁶³ - 1 bytes.
 */
std::optional<std::int64_t> parseSize(std::string_view text, std::string& error);

/** @p bytes in the largest of K, M, G, T that divides it exactly ("1536" is "1536", "1048576" is "1M"). */
std::string sizeText(std::int64_t bytes);

/** A point in time as the user gave it: a local date and time, or an age before the moment of the search. */
struct TimeBound {
    std::int64_t seconds = 0; ///< since the epoch, or the age in seconds
    bool isAge = false;

    /** The point in seconds since the epoch, for a search starting at @p now. */
    std::int64_t at(std::int64_t now) const { return isAge ? now - seconds : seconds; }
    bool operator==(const TimeBound&) const = default;
};

/**
 * Reads a point in time: YYYY-MM-DD (local midnight), YYYY-MM-DD HH:MM, YYYY-MM-DD HH:MM:SS (local
 * time), or an age: a whole number followed by d, h or m (days, hours, minutes before the search).
 * Returns nothing, with the reason in @p error, for anything else or a date that does not exist.
 */
std::optional<TimeBound> parseTime(std::string_view text, std::string& error);

/** What a filter counted while its walk ran. */
struct FilterCounts {
    std::atomic<std::uint64_t> foldersLeftOut{0}; ///< folders not entered because an exclude mask matched their name
};

/**
 * Everything that narrows a search. Empty members mean no rule: a default FilterRules walks as a
 * search without filters does. Masks are kept as given, each a list separated by ";".
 */
struct FilterRules {
    std::vector<std::string> include;       ///< a file is kept only when one of these masks matches its name
    std::vector<std::string> exclude;       ///< files and folders whose name matches are left out
    bool caseSensitive = false;             ///< masks tell upper from lower case
    std::optional<std::int64_t> minSize;    ///< files of at least these bytes
    std::optional<std::int64_t> maxSize;    ///< files of at most these bytes
    std::optional<TimeBound> newer;         ///< files modified at or after this
    std::optional<TimeBound> older;         ///< files modified strictly before this
    bool followLinks = false;               ///< enter links to folders
    bool oneFileSystem = false;             ///< stay on the start folder's file system
    bool dotFolders = false;                ///< enter folders whose name begins with "."

    /** True when any rule is set. */
    bool active() const;

    /**
     * Why these rules cannot be used, in words for the user, or empty: a malformed mask, or a
     * range that holds nothing (the smallest size above the largest, or the older bound not after
     * the newer one, as of @p now).
     */
    std::string problem(std::int64_t now) const;

    /**
     * Sets the filter and the link and file-system flags of @p options for a search starting at
     * @p now. Leaves @p options as they are when no rule is set. The rules must have no problem().
     * Returns what the filter set counts as the walk runs; null when no filter was set.
     */
    std::shared_ptr<const FilterCounts> applyTo(WalkOptions& options, std::int64_t now) const;

    bool operator==(const FilterRules&) const = default;
};

} // namespace dirlix
