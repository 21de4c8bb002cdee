// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list's choice of text format: --format, --no-header and --folders.
#pragma once

#include "output/Exporter.h"
#include "output/TextFormats.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dirlix::cli {

/** The text format options as given. */
struct FormatOptions {
    std::optional<TextFormat> format; ///< --format; empty when not given (the columns)
    bool header = true;               ///< --no-header clears it: CSV and TSV without their header line
    bool folderTotals = false;        ///< --folders: one record per folder instead of one per file
    /** --csv-formulas: quote (the default) or keep a CSV text that a spreadsheet would run as a formula. */
    std::optional<CsvFormulas> csvFormulas;
    bool html = false;                ///< --format=html: the web page (HtmlExporter); format stays empty
};

/**
 * Reads @p args[@p i] when it is a format option (--format=FORMAT, --format FORMAT, --no-header,
 * --folders, --csv-formulas=keep|quote), moving @p i past a separate value. Returns false for any other argument. Returns
 * true with @p error set for a missing or unknown FORMAT.
 */
bool parseFormatOption(const std::vector<std::string>& args, std::size_t& i, FormatOptions& into, std::string& error);

/**
 * Why @p options cannot be used with a template (@p lineTemplate) or a workbook (@p workbook)
 * output, why --no-header has no header to leave out, or why --csv-formulas has no CSV; empty
 * when they can.
 */
std::string formatConflict(const FormatOptions& options, bool lineTemplate, bool workbook);

/**
 * The exporter that @p options ask for: file rows in the chosen format (the columns when none is
 * chosen), the web page with the tree from @p startFolder, or folder totals of the folders at and below @p startFolder (the walk's start folder text).
 * @p hashColumn gives CSV and TSV the Hash column.
 */
std::unique_ptr<Exporter> makeFormatExporter(const FormatOptions& options, const DateLocale& locale,
                                             const std::string& startFolder, bool hashColumn = false);

} // namespace dirlix::cli
