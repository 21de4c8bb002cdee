// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the workbook output: the file list written as a new .xlsx workbook.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dirlix::modListToExcel {

/** The most rows one worksheet can hold. */
inline constexpr std::size_t kSheetRowLimit = 1048576;

/** The most characters one cell can hold; longer texts are cut at this length. */
inline constexpr std::size_t kCellTextLimit = 32767;

/** How a workbook is written. */
struct ExportOptions {
    /**
     * Rows per worksheet before the list continues on the next sheet. Values outside
     * 1..kSheetRowLimit count as kSheetRowLimit. A seam for tests: only they set anything else.
     */
    std::size_t rowsPerSheet = kSheetRowLimit;
};

/**
 * The workbook output as an exporter. Row i goes to sheet row i, columns A to F: File, Size (a
 * number), Attrib, Created, Modified, Directory (the texts the list shows, as UTF-8 text); no
 * heading, formats or column widths. Rows beyond one sheet continue on further sheets; an empty
 * source still gives one empty sheet. Memory does not grow with the number of rows: rows are
 * streamed to temporary files in the target's folder. The target must be a file
 * (stagingPath() not empty).
 */
class WorkbookExporter : public Exporter {
public:
    explicit WorkbookExporter(const DateLocale& locale, ExportOptions options = {})
        : mTexts(locale), mOptions(options)
    {
    }
    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

private:
    RowTexts mTexts;
    ExportOptions mOptions;
};

/** The base of a fresh workbook's name: "filelist-<date>-<time>", local time, to the second. */
std::string freshBaseName();

/**
 * Writes every row of @p rows to a new workbook with a fresh name ("filelist-<date>-<time>.xlsx",
 * then "-2", "-3" ... when taken) in @p tempFolder (with or without a trailing separator). The name
 * is reserved by creating the file exclusively, so an earlier workbook, or anything else at a
 * taken name, is never touched. A stopped or failed export removes the new file.
 */
ExportResult ExportListToSpreadsheet(RowSource& rows, const std::string& tempFolder, const DateLocale& locale,
                                     ExportProgress& progress, const std::atomic<bool>* stop = nullptr,
                                     const ExportOptions& options = {});

/**
 * Appends @p bytes to @p out as the text of one cell: invalid UTF-8 becomes U+FFFD (one per
 * maximal invalid sequence), as do U+FFFE and U+FFFF; control characters other than tab and line
 * feed, which XML cannot carry, become the workbook escape "_xHHHH_", and a literal "_xHHHH_"
 * in the text has its underscore escaped ("_x005F_") so that it reads back as written.
 * At most kCellTextLimit characters are appended, never a part of a character or escape.
 * Returns false when the text had to be cut.
 */
bool appendCellText(std::string& out, std::string_view bytes);

} // namespace dirlix::modListToExcel
