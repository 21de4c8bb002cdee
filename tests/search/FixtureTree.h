// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: searching folder trees into a file list and reading its rows back as plain texts.
#pragma once

#include "output/ColumnTexts.h"
#include "search/FileList.h"
#include "search/modSearchDir.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace dirlix::test {

/** The eight column texts of every row of @p list, in order. */
inline std::vector<std::vector<std::string>> rowsOf(const FileList& list)
{
    std::vector<std::vector<std::string>> rows;
    RowTexts texts;
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Row row = list.row(i, folder);
        auto& out = rows.emplace_back(8);
        for (int column = 1; column <= 8; ++column)
            texts.appendColumn(out[std::size_t(column - 1)], column, row);
    }
    return rows;
}

/** Folder + name of every row, in order. */
inline std::vector<std::string> pathsOf(const FileList& list)
{
    std::vector<std::string> paths;
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Row row = list.row(i, folder);
        paths.push_back(std::string(row.folder) + std::string(row.name));
    }
    return paths;
}

/** Searches @p directory into @p list (emptied first) with the date pattern @p pattern. */
inline modSearchDir::SearchResult search(const std::string& directory, FileList& list,
                                         const std::string& pattern = "dd/mm/yy HH:MM:SS",
                                         const WalkOptions& options = {})
{
    return modSearchDir::SearchDir(directory, list, [&] { return pattern; }, options);
}

} // namespace dirlix::test
