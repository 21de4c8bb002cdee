// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: file lists with chosen values, the two exports over them, and a workbook read back.
#pragma once

#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "search/FileList.h"
#include "search/Walker.h"
#include "support/Command.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dirlix::test {

/** A file to put in a test list. */
struct TestFile {
    std::string name;
    std::int64_t size = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint16_t attributes = 0;
    std::uint8_t flags = 0;
};

/** Appends @p files as the rows of one folder @p folder, their date texts in @p pattern. */
inline void addFiles(FileList& list, const std::string& folder, const std::vector<TestFile>& files,
                     const std::string& pattern = "dd/mm/yy HH:MM:SS")
{
    WalkBlock block;
    block.folder = std::make_shared<const FolderPath>(nullptr, folder);
    for (const TestFile& f : files) {
        block.entries.push_back({std::uint32_t(block.names.size()), std::uint32_t(f.name.size()),
                                 {f.size, f.created, f.modified, f.attributes, f.flags}});
        block.names += f.name;
    }
    list.appendBlock(block, pattern);
}

/** The names in @p folder, sorted. */
inline std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

/** The row of the examples: Report.txt in /data/, 12345 bytes, read-only, made 7 and changed 8 March 2024. */
inline void addReport(FileList& list)
{
    addFiles(list, "/data/",
             {{"Report.txt", 12345, localTime(2024, 3, 7, 14, 5, 9), localTime(2024, 3, 8, 9, 1, 2), AttrReadOnly}});
}

/** The text export of every row of @p list to @p path, through @p lineTemplate. */
inline ExportResult exportText(const FileList& list, const std::string& path, modListToText::TemplateSource lineTemplate,
                               const DateLocale& locale = englishLocale(), const std::atomic<bool>* stop = nullptr)
{
    ExportProgress progress;
    return modListToText::ExportListToText(*list.rows(), path, lineTemplate, locale, progress, stop);
}

/** A fresh workbook of every row of @p list in @p folder. */
inline ExportResult exportBook(const FileList& list, const std::string& folder, std::size_t rowsPerSheet = 0,
                               const std::atomic<bool>* stop = nullptr)
{
    ExportProgress progress;
    return modListToExcel::ExportListToSpreadsheet(*list.rows(), folder, englishLocale(), progress, stop,
                                                   {rowsPerSheet});
}

#ifdef WORKBOOK_READER
/**
 * The workbook at @p path as read by openpyxl (Debian's, through /usr/bin/python3): a "sheet TITLE
 * DIMENSION" line per sheet, then a "CELL TYPE JSON-VALUE" line per filled cell; or why it could not.
 */
inline std::string readWorkbook(const std::string& path)
{
    const CommandResult run = runCommand("/usr/bin/python3 '" WORKBOOK_READER "' '" + path + "' 2>&1");
    return run.status == 0 ? run.out : "unreadable: " + run.out;
}
#endif

} // namespace dirlix::test
