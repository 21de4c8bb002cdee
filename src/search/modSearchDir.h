// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: one search: the list emptied, the tree walked, one row per file appended.
#pragma once

#include "search/FileList.h"
#include "search/Walker.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix::modSearchDir {

/** What a search did. */
struct SearchResult {
    bool folderFound = false;     ///< false when the text names no existing folder
    std::size_t rowsAdded = 0;
    std::vector<WalkError> errors; ///< folders that could not be read, in walk order
};

/** Gives the date pattern in force now; asked again for every folder's files. */
using DatePatternSource = std::function<std::string()>;

/**
 * Empties @p list and walks @p directoryText (separator appended when missing), appending one
 * row per file in walk order, its date texts in the pattern @p datePattern gives at that moment.
 * Runs on the calling thread until the walk ends or @p stop becomes true.
 */
SearchResult SearchDir(std::string_view directoryText, FileList& list, const DatePatternSource& datePattern,
                       const WalkOptions& options = {}, const std::atomic<bool>* stop = nullptr);

} // namespace dirlix::modSearchDir
