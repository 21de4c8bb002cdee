// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the rows of a comparison in the text formats, each with its change first.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"
#include "output/ListCompare.h"
#include "output/TextFormats.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * What checksums add to the rows of a comparison with a saved list that carries them: each row's
 * checksum found now, and the old path of each renamed or moved row.
 */
struct ContentDifferences {
    std::string algorithm;                        ///< as hash_algorithm names it ("sha256" ...); empty: no checksums
    std::vector<std::string> hashes;              ///< by row; empty for a removed row or a file that could not be read
    std::map<std::size_t, std::string> oldPaths;  ///< renamed rows: their path in the saved list, as bytes

    /** The checksum of row @p row; empty for none. */
    std::string_view hashOf(std::size_t row) const
    {
        return row < hashes.size() ? std::string_view(hashes[row]) : std::string_view();
    }
    /** The old path of row @p row; null when it was not renamed. */
    const std::string* oldPathOf(std::size_t row) const
    {
        const auto found = oldPaths.find(row);
        return found == oldPaths.end() ? nullptr : &found->second;
    }
};

/**
 * Writes the rows of a comparison as @p format writes file rows, with the change of each row
 * first: a "Change" column (Added, Removed, Changed, Renamed, Corrupt) before the columns of CSV,
 * TSV and the columns format (and its caption before theirs in the header), the key "change"
 * (added, removed, changed, renamed, corrupt) first in JSON Lines. @p changes holds the change of
 * each row in the order the rows come; rows beyond it have an empty change.
 *
 * With @p content (a comparison with checksums; null or without an algorithm: none), CSV, TSV and
 * the columns format have two more columns, Hash and Old Path (the path a renamed row had), and
 * JSON Lines write each row found now with hash and hash_algorithm, and a renamed row as the
 * command line does: "change":"renamed" and old_path (old_path_b64 for bytes that are not UTF-8).
 */
class DifferencesExporter : public LineExporter {
public:
    DifferencesExporter(TextFormat format, const DateLocale& locale, std::vector<RowChange> changes, bool header = true,
                        std::shared_ptr<const ContentDifferences> content = {});

    /** "Added", "Removed", "Changed", "Renamed" or "Corrupt"; empty for None. */
    static std::string_view changeCaption(RowChange change);

protected:
    void appendHeader(std::string& out) override;
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    TextFormat mFormat;
    bool mHeader;
    RowTexts mTexts;
    std::vector<RowChange> mChanges;
    std::shared_ptr<const ContentDifferences> mContent; // null without checksums
    std::size_t mNext = 0;
    std::string mScratch;
};

} // namespace dirlix
