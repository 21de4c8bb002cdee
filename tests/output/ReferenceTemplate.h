// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a plain, step-by-step expansion of the line template to check the compiled one against.
#pragma once

#include "output/DateLocale.h"
#include "output/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dirlix::test {

/** Everything a row gives the template, already worked out. */
struct ReferenceRow {
    std::string texts[8]; ///< File, then sub-items 1 to 7
    int subItems = 7;
    std::int64_t size = 0;
    DateTime created;
    DateTime modified;
    bool valuesKnown = true; ///< false: every size and date value is empty
    DateLocale locale;
};

/**
 * The line of @p row for @p lineTemplate, made the slow and obvious way: the line is a list of
 * pieces, each either template text or an inserted value; every step searches only the template
 * pieces, one after another, and splits a piece around each match it replaces.
 */
std::string referenceExpand(std::string_view lineTemplate, const ReferenceRow& row);

} // namespace dirlix::test
