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
 * What a CSV field does with a text that a spreadsheet would run as a formula: one that begins with
 * '=', '+', '-', '@', a tab or a carriage return (a file's name is whatever its creator chose, and
 * "=HYPERLINK(...)" is a valid name).
 */
enum class CsvFormulas {
    Quote, ///< the field is written as "'text": a leading apostrophe, in double quotes, so it stays text
    Keep,  ///< the text is written exactly, for a program that reads the names back
};

/** Whether @p text would start a formula in a spreadsheet (see CsvFormulas). */
bool startsFormula(std::string_view text);

/**
 * Appends @p text as one CSV field: enclosed in double quotes, each '"' doubled, when it holds
 * ',', '"', a carriage return or a line feed; otherwise as it is. With CsvFormulas::Quote a text
 * that would start a formula is written after an apostrophe, in double quotes.
 */
void appendCsvField(std::string& out, std::string_view text, CsvFormulas formulas = CsvFormulas::Keep);

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

/**
 * Appends @p fields as one record of @p form, with its line end. A CSV field that would start a
 * formula is quoted unless @p formulas says to keep it; TSV fields are always exact.
 */
void appendDelimitedRecord(std::string& out, Delimited form, std::span<const std::string_view> fields,
                           CsvFormulas formulas = CsvFormulas::Quote);

/**
 * The eight column texts of each row (what dirlix-list prints: dates in the row's pattern, CYMD
 * and MYMD in the fixed one), as a delimited record; first, unless left out, a header record of
 * the eight captions. Names and folders are written as their bytes; no byte-order mark. In CSV a
 * text that would start a formula is quoted unless @p formulas says to keep it.
 */
class DelimitedExporter : public LineExporter {
public:
    /** @p hashColumn adds a ninth column, Hash: the row's checksum, empty when it has none. */
    DelimitedExporter(Delimited form, const DateLocale& locale, bool header = true,
                      CsvFormulas formulas = CsvFormulas::Quote, bool hashColumn = false)
        : mForm(form), mHeader(header), mFormulas(form == Delimited::Csv ? formulas : CsvFormulas::Keep),
          mHashColumn(hashColumn), mTexts(locale)
    {
    }

protected:
    void appendHeader(std::string& out) override;
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    Delimited mForm;
    bool mHeader;
    CsvFormulas mFormulas;
    bool mHashColumn;
    RowTexts mTexts;
    std::string mScratch;
};

/** The list as CSV: RFC 4180, a header of the captions unless @p header is false, formulas as @p formulas says. */
class CsvExporter : public DelimitedExporter {
public:
    explicit CsvExporter(const DateLocale& locale, bool header = true, CsvFormulas formulas = CsvFormulas::Quote,
                         bool hashColumn = false)
        : DelimitedExporter(Delimited::Csv, locale, header, formulas, hashColumn)
    {
    }
};

/** The list as TSV: one row per line, escaped fields, a header of the captions unless @p header is false. */
class TsvExporter : public DelimitedExporter {
public:
    explicit TsvExporter(const DateLocale& locale, bool header = true, bool hashColumn = false)
        : DelimitedExporter(Delimited::Tsv, locale, header, CsvFormulas::Keep, hashColumn)
    {
    }
};

} // namespace dirlix
