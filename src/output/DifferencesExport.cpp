// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison's rows with their change first.
#include "output/DifferencesExport.h"

#include "output/DelimitedExport.h"
#include "output/JsonLines.h"

#include <array>

namespace dirlix {

DifferencesExporter::DifferencesExporter(TextFormat format, const DateLocale& locale, std::vector<RowChange> changes,
                                         bool header)
    : mFormat(format), mHeader(header), mTexts(locale), mChanges(std::move(changes))
{
}

std::string_view DifferencesExporter::changeCaption(RowChange change)
{
    switch (change) {
    case RowChange::Added: return "Added";
    case RowChange::Removed: return "Removed";
    case RowChange::Changed: return "Changed";
    case RowChange::None: break;
    }
    return {};
}

void DifferencesExporter::appendHeader(std::string& out)
{
    mNext = 0; // a new export starts
    if (!mHeader || (mFormat != TextFormat::Csv && mFormat != TextFormat::Tsv))
        return;
    std::array<std::string_view, 9> captions{"Change"};
    std::copy(std::begin(kColumnCaptions), std::end(kColumnCaptions), captions.begin() + 1);
    appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, captions);
}

bool DifferencesExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    const RowChange change = mNext < mChanges.size() ? mChanges[mNext] : RowChange::None;
    ++mNext;
    switch (mFormat) {
    case TextFormat::JsonLines: {
        const JsonTextMember leading[] = {{"change", changeKey(change)}};
        appendJsonLine(out, row, mTexts, leading);
        break;
    }
    case TextFormat::Csv:
    case TextFormat::Tsv: {
        mScratch.clear();
        std::array<std::size_t, 9> bounds{};
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            mTexts.appendColumn(mScratch, column, row);
            bounds[std::size_t(column)] = mScratch.size();
        }
        std::array<std::string_view, 9> fields{changeCaption(change)};
        for (std::size_t i = 0; i < 8; ++i)
            fields[i + 1] = std::string_view(mScratch).substr(bounds[i], bounds[i + 1] - bounds[i]);
        appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, fields);
        break;
    }
    case TextFormat::Columns:
        out += changeCaption(change);
        out += '\t';
        mTexts.appendRow(out, row, '\t', '\n');
        break;
    }
    return true;
}

} // namespace dirlix
