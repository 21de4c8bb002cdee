// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the rows of a comparison in the text formats, each with its change first.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"
#include "output/ListCompare.h"
#include "output/TextFormats.h"

#include <string>
#include <vector>

namespace dirlix {

/**
 * Writes the rows of a comparison as @p format writes file rows, with the change of each row
 * first: a "Change" column (Added, Removed, Changed) before the columns of CSV, TSV and the
 * columns format (and its caption before theirs in the header), the key "change" (added, removed,
 * changed) first in JSON Lines. @p changes holds the change of each row in the order the rows
 * come; rows beyond it have an empty change.
 */
class DifferencesExporter : public LineExporter {
public:
    DifferencesExporter(TextFormat format, const DateLocale& locale, std::vector<RowChange> changes, bool header = true);

    /** "Added", "Removed" or "Changed"; empty for None. */
    static std::string_view changeCaption(RowChange change);

protected:
    void appendHeader(std::string& out) override;
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    TextFormat mFormat;
    bool mHeader;
    RowTexts mTexts;
    std::vector<RowChange> mChanges;
    std::size_t mNext = 0;
    std::string mScratch;
};

} // namespace dirlix
