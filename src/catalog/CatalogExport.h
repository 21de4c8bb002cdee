// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the rows found in a catalog in each text format, with the Volume column first.
#pragma once

#include "catalog/CatalogFind.h"
#include "output/ColumnTexts.h"
#include "output/Exporter.h"
#include "output/LineTemplate.h"
#include "output/TextFormats.h"

#include <optional>
#include <string>

namespace dirlix::catalog {

/**
 * The found rows as the list's formats write them, each record led by the row's volume label:
 * columns and TSV a first field, CSV a first field under the caption "Volume", JSON Lines a first
 * member "volume", and a template's line after the label and a tab. Reads the label from @p rows,
 * which must be the source the export reads.
 */
class VolumeRowsExporter : public LineExporter {
public:
    /** @p lineTemplate, when given, writes each row's line from it instead of @p format's record. */
    VolumeRowsExporter(const CatalogRows& rows, TextFormat format, const DateLocale& locale, bool header,
                       std::optional<std::string> lineTemplate = std::nullopt);

protected:
    void appendHeader(std::string& out) override;
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    const CatalogRows& mRows;
    TextFormat mFormat;
    bool mHeader;
    RowTexts mTexts;
    std::optional<std::string> mTemplateText;
    LineTemplate mTemplate;
    std::string mScratch;
};

} // namespace dirlix::catalog
