// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: reading a written workbook back with openpyxl, and building lists of chosen files.
#pragma once

#include "search/FileList.h"
#include "search/Walker.h"
#include "support/Command.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix::test {

/** What the reader printed, and how it ended (0 when the workbook was read). */
struct WorkbookText {
    int status = -1;
    std::string text;
};

/**
 * Reads the workbook at @p path with openpyxl (Debian's, through /usr/bin/python3). The text has
 * a "sheet TITLE DIMENSION" line per sheet, then a "CELL TYPE JSON-VALUE" line per filled cell.
 */
inline WorkbookText readWorkbook(const std::string& path)
{
    const CommandResult run = runCommand("/usr/bin/python3 '" WORKBOOK_READER "' '" + path + "' 2>&1");
    return {run.status, run.out};
}

/** A file to put in a test list. */
struct TestFile {
    std::string name;
    std::int64_t size = 0;
    std::int64_t modified = 0; ///< seconds since the epoch; created is one minute earlier
    std::uint16_t attributes = 0;
};

/** Appends @p files as the rows of one folder @p folder, dates in @p pattern. */
inline void appendFiles(FileList& list, const std::string& folder, const std::vector<TestFile>& files,
                        std::string_view pattern = "yyyy-mm-dd HH:MM:SS")
{
    WalkBlock block;
    block.folder = folder;
    for (const TestFile& file : files) {
        WalkEntry entry;
        entry.nameOffset = std::uint32_t(block.names.size());
        entry.nameLength = std::uint32_t(file.name.size());
        block.names += file.name;
        entry.properties.size = file.size;
        entry.properties.created = file.modified - 60;
        entry.properties.modified = file.modified;
        entry.properties.attributes = file.attributes;
        block.entries.push_back(entry);
    }
    list.appendBlock(block, pattern);
}

} // namespace dirlix::test
