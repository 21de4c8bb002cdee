// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list's columns as CSV (RFC 4180) and as TSV with escapes, one row per record.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"

#include <span>
#include <string>
#include <string_view>

namespace dirlix {

/**
 * Appends @p text as one CSV field: enclosed in double quotes, each '"' doubled, when it holds
 * ',', '"', a carriage return or a line feed; otherwise as it is.
 */
void appendCsvField(std::string& out, std::string_view text);

/**
 * Appends @p text as one TSV field: a backslash as "\\", a tab as "\t", a line feed as "\n" and a
 * carriage return as "\r", every other byte as it is; so a field never holds a tab or a line end.
 */
void appendTsvField(std::string& out, std::string_view text);

/** The two delimited forms. */
enum class Delimited {
    Csv, ///< RFC 4180: ',' between fields, quoted fields, lines ended by CR LF
    Tsv, ///< one tab between fields, escaped fields, lines ended by LF
};

/** Appends @p fields as one record of @p form, with its line end. */
void appendDelimitedRecord(std::string& out, Delimited form, std::span<const std::string_view> fields);

/**
 * The eight column texts of each row (what dirlix-list prints: dates in the row's pattern, CYMD
 * and MYMD in the fixed one), as a delimited record; first, unless left out, a header record of
 * the eight captions. Names and folders are written as their bytes; no byte-order mark.
 */
class DelimitedExporter : public LineExporter {
public:
    /** @p hashColumn adds a ninth column, Hash: the row's checksum, empty when it has none. */
    DelimitedExporter(Delimited form, const DateLocale& locale, bool header = true, bool hashColumn = false)
        : mForm(form), mHeader(header), mHashColumn(hashColumn), mTexts(locale)
    {
    }

protected:
    void appendHeader(std::string& out) override;
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    Delimited mForm;
    bool mHeader;
    bool mHashColumn;
    RowTexts mTexts;
    std::string mScratch;
};

/** The list as CSV: RFC 4180, a header of the captions unless @p header is false. */
class CsvExporter : public DelimitedExporter {
public:
    explicit CsvExporter(const DateLocale& locale, bool header = true, bool hashColumn = false)
        : DelimitedExporter(Delimited::Csv, locale, header, hashColumn)
    {
    }
};

/** The list as TSV: one row per line, escaped fields, a header of the captions unless @p header is false. */
class TsvExporter : public DelimitedExporter {
public:
    explicit TsvExporter(const DateLocale& locale, bool header = true, bool hashColumn = false)
        : DelimitedExporter(Delimited::Tsv, locale, header, hashColumn)
    {
    }
};

} // namespace dirlix
