// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list --compare: what changed in a folder since a saved list of it.
#pragma once

#include "cli/ListCommand.h"
#include "output/DateLocale.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dirlix::cli {

/** Exit statuses of a comparison, as diff(1) gives them. */
enum CompareStatus : int {
    CompareSame = 0,
    CompareDiffers = 1,
    CompareTrouble = 2, ///< the saved list or a folder could not be read, or the output not written
};

/**
 * Reads @p args[@p i] when it is --compare=OLD or --compare OLD, moving @p i past a separate value,
 * into @p into. Returns false for any other argument; true with @p error set for a missing OLD.
 */
bool parseCompareOption(const std::vector<std::string>& args, std::size_t& i, std::optional<std::string>& into,
                        std::string& error);

/** Why the options given cannot go with --compare; empty when they can or no comparison is asked for. */
std::string compareConflict(const ListOptions& options);

/**
 * Walks options.directory with @p walk and writes how it differs from the saved list
 * options.compareWith: "A", "M" and "D" lines (or JSON objects with --format=jsonl), added and
 * changed rows in walk order, then the removed ones in the list's order. Messages go to standard
 * error. Returns a CompareStatus.
 */
int runCompare(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
               const DateLocale& locale);

} // namespace dirlix::cli
