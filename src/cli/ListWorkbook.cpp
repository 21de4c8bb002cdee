// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list --xlsx.
#include "cli/ListWorkbook.h"

#include "output/SystemLocale.h"
#include "output/modListToExcel.h"
#include "search/FileList.h"

#include <cstdio>
#include <cstring>

namespace dirlix::cli {

int listToWorkbook(const ListOptions& options, const std::string& datePattern, const WalkOptions& walkOptions)
{
    // The workbook is written after the walk: rows stay in the compact list until then.
    FileList list;
    list.setLocale(systemDateLocale());
    WalkOptions walk = walkOptions;
    walk.threads = options.threads;
    Walker walker(walk);
    const bool found = walker.run(options.directory, [&](WalkBlock&& block) { list.appendBlock(block, datePattern); });
    const int status = reportWalk(walker, found, options.directory);
    if (status == ExitUsage)
        return status;

    const auto result = modListToExcel::WriteListWorkbook(list, *options.workbookFile);
    if (!result.ok) {
        std::fprintf(stderr, "dirlix-list: %s\n", result.error.c_str());
        return ExitSomeUnreadable;
    }
    if (result.truncatedCells != 0)
        std::fprintf(stderr, "dirlix-list: %zu cells were longer than a workbook cell holds and were cut\n",
                     result.truncatedCells);
    return status;
}

} // namespace dirlix::cli
