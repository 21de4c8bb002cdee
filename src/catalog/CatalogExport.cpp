// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: found rows with their volume, in each text format.
#include "catalog/CatalogExport.h"

#include "output/DelimitedExport.h"
#include "output/JsonLines.h"

#include <array>
#include <iterator>

namespace dirlix::catalog {

VolumeRowsExporter::VolumeRowsExporter(const CatalogRows& rows, TextFormat format, const DateLocale& locale,
                                       bool header, std::optional<std::string> lineTemplate)
    : mRows(rows), mFormat(format), mHeader(header), mTexts(locale), mTemplateText(std::move(lineTemplate))
{
    if (mTemplateText)
        mTemplate.compile(*mTemplateText);
}

void VolumeRowsExporter::appendHeader(std::string& out)
{
    if (mTemplateText || !mHeader || (mFormat != TextFormat::Csv && mFormat != TextFormat::Tsv))
        return;
    std::array<std::string_view, 9> captions{"Volume"};
    for (std::size_t i = 0; i < std::size(kColumnCaptions); ++i)
        captions[i + 1] = kColumnCaptions[i];
    appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, captions);
}

bool VolumeRowsExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    const std::string& volume = mRows.volume();
    if (mTemplateText) {
        out += volume;
        out += '\t';
        mTemplate.ExpandTemplate(out, row, mTexts);
        out += "\r\n";
        return true;
    }
    switch (mFormat) {
    case TextFormat::JsonLines: {
        const JsonTextMember leading[] = {{"volume", volume}};
        appendJsonLine(out, row, mTexts, leading);
        return true;
    }
    case TextFormat::Csv:
    case TextFormat::Tsv: {
        mScratch.clear();
        std::array<std::size_t, 9> bounds{};
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            mTexts.appendColumn(mScratch, column, row);
            bounds[std::size_t(column)] = mScratch.size();
        }
        std::array<std::string_view, 9> fields{volume};
        for (std::size_t i = 0; i < 8; ++i)
            fields[i + 1] = std::string_view(mScratch).substr(bounds[i], bounds[i + 1] - bounds[i]);
        appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, fields);
        return true;
    }
    case TextFormat::Columns:
        break;
    }
    out += volume;
    out += '\t';
    mTexts.appendRow(out, row, '\t', '\n');
    return true;
}

} // namespace dirlix::catalog
