// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: building folder trees and walking them into plain rows.
#pragma once

#include "search/FileList.h"
#include "search/modSearchDir.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace dirlix::test {

/** The eight texts of every row of @p list, in order. */
inline std::vector<std::vector<std::string>> rowsOf(const FileList& list)
{
    std::vector<std::vector<std::string>> rows;
    for (std::size_t row = 1; row <= list.count(); ++row) {
        std::vector<std::string> texts{list.mainText(row)};
        for (int sub = 1; sub <= 7; ++sub)
            texts.push_back(list.subItem(row, sub));
        rows.push_back(std::move(texts));
    }
    return rows;
}

/** Directory + name of every row, in order. */
inline std::vector<std::string> pathsOf(const FileList& list)
{
    std::vector<std::string> paths;
    for (std::size_t row = 1; row <= list.count(); ++row)
        paths.push_back(list.subItem(row, 5) + list.mainText(row));
    return paths;
}

/** Searches @p directory into a new list with the pattern @p pattern. */
inline modSearchDir::SearchResult search(const std::string& directory, FileList& list,
                                         const std::string& pattern = "dd/mm/yy HH:MM:SS",
                                         const WalkOptions& options = {})
{
    return modSearchDir::SearchDir(directory, list, [&] { return pattern; }, options);
}

} // namespace dirlix::test
