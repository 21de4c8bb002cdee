// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison's rows with their change first.
#include "output/DifferencesExport.h"

#include "output/ContentChanges.h"
#include "output/DelimitedExport.h"
#include "output/JsonLines.h"

#include <array>

namespace dirlix {

namespace {
constexpr std::string_view kOldPathCaption = "Old Path";
}

DifferencesExporter::DifferencesExporter(TextFormat format, const DateLocale& locale, std::vector<RowChange> changes,
                                         bool header, std::shared_ptr<const ContentDifferences> content)
    : mFormat(format), mHeader(header), mTexts(locale), mChanges(std::move(changes))
{
    // Without an algorithm the comparison knows no content: the rows stay as they always were.
    if (content && !content->algorithm.empty())
        mContent = std::move(content);
}

std::string_view DifferencesExporter::changeCaption(RowChange change)
{
    switch (change) {
    case RowChange::Added: return "Added";
    case RowChange::Removed: return "Removed";
    case RowChange::Changed: return "Changed";
    case RowChange::Renamed: return "Renamed";
    case RowChange::Corrupt: return "Corrupt";
    case RowChange::None: break;
    }
    return {};
}

void DifferencesExporter::appendHeader(std::string& out)
{
    mNext = 0; // a new export starts
    if (!mHeader || (mFormat != TextFormat::Csv && mFormat != TextFormat::Tsv))
        return;
    std::array<std::string_view, 11> captions{"Change"};
    std::copy(std::begin(kColumnCaptions), std::end(kColumnCaptions), captions.begin() + 1);
    captions[9] = kHashCaption;
    captions[10] = kOldPathCaption;
    appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv,
                          std::span<const std::string_view>(captions.data(), mContent ? 11 : 9));
}

bool DifferencesExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    const std::size_t at = mNext++;
    const RowChange change = at < mChanges.size() ? mChanges[at] : RowChange::None;
    const std::string* oldPath = mContent ? mContent->oldPathOf(at) : nullptr;
    std::string_view hash;
    if (mContent)
        hash = mContent->hashOf(at);
    switch (mFormat) {
    case TextFormat::JsonLines: {
        if (!mContent) {
            const JsonTextMember leading[] = {{"change", changeKey(change)}};
            appendJsonLine(out, row, mTexts, leading);
            break;
        }
        // The rows found now carry their checksums, as the command line writes them; a removed
        // row is the saved one and carries none.
        Row withHash = row;
        if (change != RowChange::Removed) {
            withHash.hash = hash;
            withHash.hashAlgorithm = mContent->algorithm;
        }
        if (change == RowChange::Renamed && oldPath) {
            mScratch.clear();
            appendJsonLine(mScratch, withHash, mTexts);
            appendRenamedJson(out, *oldPath, mScratch);
        } else {
            const JsonTextMember leading[] = {{"change", changeKey(change)}};
            appendJsonLine(out, withHash, mTexts, leading);
        }
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
        std::array<std::string_view, 11> fields{changeCaption(change)};
        for (std::size_t i = 0; i < 8; ++i)
            fields[i + 1] = std::string_view(mScratch).substr(bounds[i], bounds[i + 1] - bounds[i]);
        if (mContent) {
            fields[9] = hash;
            fields[10] = oldPath ? std::string_view(*oldPath) : std::string_view();
        }
        appendDelimitedRecord(out, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv,
                              std::span<const std::string_view>(fields.data(), mContent ? 11 : 9));
        break;
    }
    case TextFormat::Columns:
        out += changeCaption(change);
        out += '\t';
        mTexts.appendRow(out, row, '\t', '\n');
        if (mContent) {
            out.pop_back(); // the line feed, after the two more columns
            out += '\t';
            out += hash;
            out += '\t';
            if (oldPath)
                out += *oldPath;
            out += '\n';
        }
        break;
    }
    return true;
}

} // namespace dirlix
