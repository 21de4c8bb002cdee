// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text formats of the list by name, and the exporter of each.
#pragma once

#include "output/DateLocale.h"
#include "output/DelimitedExport.h"
#include "output/Exporter.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dirlix {

/** The text formats a list can be written in. */
enum class TextFormat {
    Columns,   ///< the eight texts separated by tabs, ended by LF, not escaped (dirlix-list's default)
    Csv,       ///< CsvExporter
    Tsv,       ///< TsvExporter
    JsonLines, ///< JsonLinesExporter
};

/** The format named @p name: "columns", "csv", "tsv" or "jsonl"; nothing for another text. */
std::optional<TextFormat> textFormatNamed(std::string_view name);

/**
 * A new exporter of the file rows in @p format. @p header applies to CSV and TSV: false leaves
 * their header line out; @p formulas applies to CSV; @p hashColumn gives them the Hash column (the
 * columns and JSON Lines carry checksums whenever the rows do).
 */
std::unique_ptr<Exporter> makeRowExporter(TextFormat format, const DateLocale& locale, bool header = true,
                                          CsvFormulas formulas = CsvFormulas::Quote, bool hashColumn = false);

} // namespace dirlix
