// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list --xlsx: the listing written as a workbook.
#pragma once

#include "cli/ListCommand.h"

#include <string>

namespace dirlix::cli {

/**
 * Walks options.directory into a file list, its date texts in @p datePattern, and writes the list
 * as a workbook to *options.workbookFile (which must be set). The file is made only when the
 * folder exists. Messages go to standard error. Returns the exit status, as runList does.
 */
int listToWorkbook(const ListOptions& options, const std::string& datePattern, const WalkOptions& walkOptions);

} // namespace dirlix::cli
