// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the workbook that Save List As writes: a header, typed cells, fitted columns, folder totals.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dirlix {

/** The most list rows one worksheet holds below its header row. */
inline constexpr std::size_t kListSheetRows = 1048575;

/** How a list workbook is written. */
struct ListWorkbookOptions {
    /**
     * List rows per worksheet below the header. Values outside 1..kListSheetRows count as
     * kListSheetRows. A seam for tests: only they set anything else.
     */
    std::size_t rowsPerSheet = kListSheetRows;
    /** A seventh column Hash after Directory: each row's checksum (Row::hash), empty where it has none. */
    bool hashColumn = false;
};

/**
 * The spreadsheet number format that shows a date as @p pattern (the list's date pattern
 * language, DatePattern) shows it, with the separators of @p locale; month and day names come from
 * the spreadsheet's own language. Empty when the pattern cannot be expressed as one: the day of
 * the year, minutes where a spreadsheet would read a month (or the other way round), lower-case
 * or mixed-case AM/PM markers, two fields of one letter side by side, or a text a format cannot
 * carry.
 */
std::string dateNumberFormat(std::string_view pattern, const DateLocale& locale = englishLocale());

/**
 * The list as a workbook for people to work in. Sheet "Files" has a bold, frozen header row of the
 * six visible captions with an autofilter, then one row per list row: File, Attrib and Directory
 * as text, Size as a number shown with thousands separators, Created and Modified as date cells
 * in the row's own date pattern where dateNumberFormat() can express it (otherwise, and for dates
 * a spreadsheet cannot hold, the list's text). Columns are as wide as their longest text (within
 * limits). Rows beyond one sheet continue on "Files (2)", "Files (3)" ..., each with the header.
 * Sheet "Folders" follows, with the same kind of header: Directory, Files, Size, AllFiles and
 * AllSize for every folder that holds a row or has one below it, in the order the rows first reach
 * it, starting at the deepest folder that holds every row. Memory grows with the number of
 * folders, not of rows. The target must be a file (stagingPath() not empty).
 */
class ListWorkbook : public Exporter {
public:
    explicit ListWorkbook(const DateLocale& locale, ListWorkbookOptions options = {})
        : mTexts(locale), mOptions(options)
    {
    }
    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

private:
    RowTexts mTexts;
    ListWorkbookOptions mOptions;
};

} // namespace dirlix
