// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text formats by name.
#include "output/TextFormats.h"

#include "output/DelimitedExport.h"
#include "output/JsonLines.h"
#include "output/modListToText.h"

namespace dirlix {

std::optional<TextFormat> textFormatNamed(std::string_view name)
{
    if (name == "columns")
        return TextFormat::Columns;
    if (name == "csv")
        return TextFormat::Csv;
    if (name == "tsv")
        return TextFormat::Tsv;
    if (name == "jsonl")
        return TextFormat::JsonLines;
    return std::nullopt;
}

std::unique_ptr<Exporter> makeRowExporter(TextFormat format, const DateLocale& locale, bool header,
                                          CsvFormulas formulas, bool hashColumn)
{
    switch (format) {
    case TextFormat::Csv:
        return std::make_unique<CsvExporter>(locale, header, formulas, hashColumn);
    case TextFormat::Tsv:
        return std::make_unique<TsvExporter>(locale, header, hashColumn);
    case TextFormat::JsonLines:
        return std::make_unique<JsonLinesExporter>(locale);
    case TextFormat::Columns:
        break;
    }
    return std::make_unique<modListToText::ColumnsExporter>(locale);
}

} // namespace dirlix
