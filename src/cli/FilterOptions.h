// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the filter options of dirlix-list (-i, -e, --case-sensitive, sizes, dates, --dot-folders).
#pragma once

#include "search/FilterRules.h"

#include <string>
#include <vector>

namespace dirlix::cli {

/** What readFilterOption() made of an argument. */
enum class FilterOptionRead { NotFilter, Taken, Failed };

/**
 * Reads the filter option at @p args[@p i] into @p rules, with its value from the same argument
 * (--min-size=1M, -i*.jpg) or the next one (then @p i moves past it). Returns NotFilter for any
 * other argument, Failed with a message naming the option in @p error for a bad or missing value.
 */
FilterOptionRead readFilterOption(const std::vector<std::string>& args, std::size_t& i, FilterRules& rules,
                                  std::string& error);

/** Checks the ranges of @p rules once every option is read: false, with a message naming the options, when one holds nothing. */
bool checkFilterRanges(const FilterRules& rules, std::string& error);

/** The lines of --help that describe the filter options. */
std::string filterUsageText();

} // namespace dirlix::cli
