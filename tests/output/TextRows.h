// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: file list rows with chosen values, for the text output's tests.
#pragma once

#include "search/FileList.h"
#include "search/Walker.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>

namespace dirlix::test {

/** Appends one found file with the given values to @p list, its date texts in @p pattern. */
inline void addFile(FileList& list, const std::string& folder, const std::string& name, std::int64_t size,
                    std::int64_t created, std::int64_t modified, std::uint16_t attributes = 0,
                    const std::string& pattern = "dd/mm/yy HH:MM:SS")
{
    WalkBlock block;
    block.folder = folder;
    block.names = name;
    WalkEntry entry;
    entry.nameLength = static_cast<std::uint32_t>(name.size());
    entry.properties.size = size;
    entry.properties.created = created;
    entry.properties.modified = modified;
    entry.properties.attributes = attributes;
    block.entries.push_back(entry);
    list.appendBlock(block, pattern);
}

/** The row of the examples: Report.txt in /data/, 12345 bytes, read-only, made 7 and changed 8 March 2024. */
inline void addReport(FileList& list)
{
    addFile(list, "/data/", "Report.txt", 12345, localTime(2024, 3, 7, 14, 5, 9), localTime(2024, 3, 8, 9, 1, 2),
            AttrReadOnly);
}

} // namespace dirlix::test
