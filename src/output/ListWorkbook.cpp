// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list workbook, on libxlsxwriter.
#include "output/ListWorkbook.h"

#include "output/DateTime.h"
#include "output/FolderTotals.h"
#include "platform/ReplacingFile.h"
#include "output/WorkbookFile.h"
#include "output/modListToExcel.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

namespace dirlix {

namespace {

using modListToExcel::appendCellText;

// Zip entries above 4 GiB need ZIP64, which some readers handle less well: asked for only when a
// sheet could come near that size.
// Column widths, in characters: room for the filter button, and a limit so that one long path
// does not push every other column off the screen.
constexpr double kWidthPadding = 3;
constexpr double kWidestColumn = 80;
// A list whose rows bring more date patterns than this gets the rest as text.
constexpr std::size_t kMostDateFormats = 256;

constexpr const char* kFileCaptions[] = {"File", "Size", "Attrib", "Created", "Modified", "Directory"};
constexpr const char* kFolderCaptions[] = {"Directory", "Files", "Size", "AllFiles", "AllSize"};

// The captions of the Files sheets: with checksums, Hash after the six.
std::vector<const char*> fileCaptions(bool hashColumn)
{
    std::vector<const char*> captions(std::begin(kFileCaptions), std::end(kFileCaptions));
    if (hashColumn)
        captions.push_back("Hash");
    return captions;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Characters of UTF-8 text, as a column width counts them.
std::size_t characters(std::string_view text)
{
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

double numberWidth(double value)
{
    const double digits = value < 10 ? 1 : std::floor(std::log10(value)) + 1;
    return digits + std::floor((digits - 1) / 3); // and its thousands separators
}

// A spreadsheet holds dates from 1 March 1900 on (earlier serial numbers are read differently by
// different programs) up to the end of 9999.
bool spreadsheetDate(const DateTime& when)
{
    return (when.year > 1900 || (when.year == 1900 && when.month >= 3)) && when.year <= 9999;
}

// The sheets of one kind: a header on each, a new sheet when one is full, and the finishing
// touches (filter range, column widths) when a sheet is done.
class SheetSeries {
public:
    SheetSeries(lxw_workbook* book, const char* name, std::vector<const char*> captions, lxw_format* header,
                std::size_t rowsPerSheet)
        : mBook(book), mName(name), mCaptions(std::move(captions)), mHeader(header), mRowsPerSheet(rowsPerSheet)
    {
    }

    /** The sheet and row for the next row, starting a sheet when needed; null with @p failure set when none. */
    lxw_worksheet* next(lxw_row_t& row, std::string& failure)
    {
        if (!mSheet || mRows == mRowsPerSheet) {
            finish();
            if (!start(failure))
                return nullptr;
        }
        row = lxw_row_t(++mRows);
        return mSheet;
    }

    /** Finishes the last sheet; an empty series still gets one sheet with its header. */
    bool close(std::string& failure)
    {
        if (!mSheet && !start(failure))
            return false;
        finish();
        return true;
    }

    void widen(lxw_col_t column, double width) { mWidths[column] = std::max(mWidths[column], width); }
    std::uint64_t sheets() const { return mNumber; }

private:
    bool start(std::string& failure)
    {
        ++mNumber;
        const std::string name = mNumber == 1 ? mName : mName + " (" + std::to_string(mNumber) + ")";
        errno = 0;
        mSheet = workbook_add_worksheet(mBook, name.c_str());
        if (!mSheet) {
            failure = "cannot add the worksheet " + name;
            if (errno != 0)
                failure += std::string(" (") + std::strerror(errno) + ")";
            return false;
        }
        mRows = 0;
        mWidths.assign(mCaptions.size(), 0);
        for (std::size_t c = 0; c < mCaptions.size(); ++c) {
            worksheet_write_string(mSheet, 0, lxw_col_t(c), mCaptions[c], mHeader);
            widen(lxw_col_t(c), double(std::strlen(mCaptions[c])));
        }
        worksheet_freeze_panes(mSheet, 1, 0);
        return true;
    }

    // Widths and the filter range are kept with the sheet and written when the workbook closes,
    // so they can follow the rows even though the rows themselves are streamed out.
    void finish()
    {
        if (!mSheet)
            return;
        worksheet_autofilter(mSheet, 0, 0, lxw_row_t(mRows), lxw_col_t(mCaptions.size() - 1));
        for (std::size_t c = 0; c < mWidths.size(); ++c)
            worksheet_set_column(mSheet, lxw_col_t(c), lxw_col_t(c),
                                 std::min(kWidestColumn, mWidths[c] + kWidthPadding), nullptr);
        mSheet = nullptr;
    }

    lxw_workbook* mBook;
    std::string mName;
    std::vector<const char*> mCaptions;
    lxw_format* mHeader;
    std::size_t mRowsPerSheet;
    lxw_worksheet* mSheet = nullptr;
    std::size_t mRows = 0;
    std::uint64_t mNumber = 0;
    std::vector<double> mWidths;
};

class BookWriter {
public:
    BookWriter(lxw_workbook* book, RowTexts& texts, ExportResult& result, std::size_t rowsPerSheet, bool hashColumn)
        : mBook(book), mTexts(texts), mResult(result), mHeader(workbook_add_format(book)),
          mCount(workbook_add_format(book)), mHashColumn(hashColumn),
          mFiles(book, "Files", fileCaptions(hashColumn), mHeader, rowsPerSheet),
          mFolders(book, "Folders", {std::begin(kFolderCaptions), std::end(kFolderCaptions)}, mHeader, rowsPerSheet)
    {
        format_set_bold(mHeader);
        format_set_num_format(mCount, "#,##0");
    }

    /** Writes @p values as the next row of the Files sheets and counts it in the folder totals. */
    lxw_error addRow(const Row& values, std::string& failure)
    {
        lxw_row_t row = 0;
        lxw_worksheet* sheet = mFiles.next(row, failure);
        if (!sheet)
            return LXW_ERROR_CREATING_TMPFILE;
        lxw_error error = writeColumn(sheet, row, values, ColFile);
        double size = 0;
        bool sized = false;
        if (values.textMask & bit(ColSize)) {
            const std::string& text = values.texts[ColSize - 1];
            const auto [end, parsed] = std::from_chars(text.data(), text.data() + text.size(), size);
            sized = parsed == std::errc() && end == text.data() + text.size() && std::isfinite(size) && size >= 0;
            if (!sized && error == LXW_NO_ERROR)
                error = writeColumn(sheet, row, values, ColSize);
        } else if (values.values.valuesKnown()) {
            size = double(values.values.size);
            sized = true;
        }
        if (sized && error == LXW_NO_ERROR)
            error = writeNumber(mFiles, sheet, row, ColSize - 1, size);
        for (int column : {ColAttrib, ColCreated, ColModified, ColDirectory})
            if (error == LXW_NO_ERROR)
                error = writeColumn(sheet, row, values, column);
        if (mHashColumn && error == LXW_NO_ERROR)
            error = writeText(mFiles, sheet, row, lxw_col_t(std::size(kFileCaptions)), values.hash);
        if (error == LXW_NO_ERROR) {
            if (values.textMask & bit(ColDirectory))
                mTotals.add(values.texts[ColDirectory - 1], sized ? std::uint64_t(size) : 0);
            else
                mTotals.add(values.folder, sized ? std::uint64_t(size) : 0);
        }
        return error;
    }

    /** Finishes the Files sheets and writes the Folders sheets. */
    lxw_error finish(std::string& failure)
    {
        if (!mFiles.close(failure))
            return LXW_ERROR_CREATING_TMPFILE;
        lxw_error error = LXW_NO_ERROR;
        mTotals.forEach([&](const FolderTotal& total) {
            if (error != LXW_NO_ERROR)
                return;
            lxw_row_t row = 0;
            lxw_worksheet* sheet = mFolders.next(row, failure);
            if (!sheet) {
                error = LXW_ERROR_CREATING_TMPFILE;
                return;
            }
            error = writeText(mFolders, sheet, row, 0, total.folder);
            const double numbers[] = {double(total.files), total.size.approximate(), double(total.allFiles),
                                      total.allSize.approximate()};
            for (lxw_col_t c = 0; c < 4 && error == LXW_NO_ERROR; ++c)
                error = writeNumber(mFolders, sheet, row, lxw_col_t(c + 1), numbers[c]);
        });
        if (error != LXW_NO_ERROR)
            return error;
        if (!mFolders.close(failure))
            return LXW_ERROR_CREATING_TMPFILE;
        mResult.sheets = mFiles.sheets() + mFolders.sheets();
        return LXW_NO_ERROR;
    }

private:
    struct DateFormat {
        lxw_format* format = nullptr; // null: the pattern cannot be a number format
        double width = 0;
    };

    static unsigned bit(int column) { return 1u << (column - 1); }

    lxw_error writeText(SheetSeries& series, lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column,
                        std::string_view raw)
    {
        mCell.clear();
        if (!appendCellText(mCell, raw))
            ++mResult.truncatedCells;
        if (mCell.empty())
            return LXW_NO_ERROR;
        series.widen(column, double(characters(mCell)));
        return worksheet_write_string(sheet, row, column, mCell.c_str(), nullptr);
    }

    lxw_error writeNumber(SheetSeries& series, lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, double value)
    {
        series.widen(column, numberWidth(value));
        return worksheet_write_number(sheet, row, column, value, mCount);
    }

    lxw_error writeColumn(lxw_worksheet* sheet, lxw_row_t row, const Row& values, int column)
    {
        const auto cell = lxw_col_t(column - 1);
        if (!(values.textMask & bit(column))) {
            if (column == ColFile)
                return writeText(mFiles, sheet, row, cell, values.name); // without a copy first
            if (column == ColDirectory)
                return writeFolder(sheet, row, values.folder);
            if (column == ColCreated || column == ColModified) {
                if (!values.values.valuesKnown())
                    return LXW_NO_ERROR;
                const DateTime when =
                    localFromUnix(column == ColCreated ? values.values.created : values.values.modified);
                const DateFormat& format = dateFormatOf(values.datePattern, when);
                if (format.format && spreadsheetDate(when)) {
                    lxw_datetime date{when.year, when.month, when.day, when.hour, when.minute, double(when.second)};
                    mFiles.widen(cell, format.width);
                    return worksheet_write_datetime(sheet, row, cell, &date, format.format);
                }
            }
        }
        mRaw.clear();
        mTexts.appendColumn(mRaw, column, values);
        return writeText(mFiles, sheet, row, cell, mRaw);
    }

    lxw_error writeFolder(lxw_worksheet* sheet, lxw_row_t row, std::string_view folder)
    {
        bool cut = false;
        const std::string& cell = mFolderCell.of(folder, cut);
        if (cut)
            ++mResult.truncatedCells;
        if (cell.empty())
            return LXW_NO_ERROR;
        mFiles.widen(ColDirectory - 1, double(characters(cell)));
        return worksheet_write_string(sheet, row, ColDirectory - 1, cell.c_str(), nullptr);
    }

    const DateFormat& dateFormatOf(std::string_view pattern, const DateTime& example)
    {
        if (mLastFormat && mLastPattern == pattern)
            return *mLastFormat;
        auto found = mDateFormats.find(std::string(pattern));
        if (found == mDateFormats.end()) {
            DateFormat format;
            const std::string code = dateNumberFormat(pattern, mTexts.locale());
            if (!code.empty() && mDateFormats.size() < kMostDateFormats) {
                format.format = workbook_add_format(mBook);
                format_set_num_format(format.format, code.c_str());
                // Month and day names vary in length; the example's text plus a little is close.
                format.width = double(characters(FormatDate(example, pattern, mTexts.locale())));
            }
            found = mDateFormats.emplace(std::string(pattern), format).first;
        }
        mLastPattern.assign(pattern);
        mLastFormat = &found->second;
        return found->second;
    }

    lxw_workbook* mBook;
    RowTexts& mTexts;
    ExportResult& mResult;
    lxw_format* mHeader;
    lxw_format* mCount;
    bool mHashColumn;
    SheetSeries mFiles;
    SheetSeries mFolders;
    FolderTotals mTotals;
    std::unordered_map<std::string, DateFormat> mDateFormats; // nodes never move
    std::string mLastPattern;
    const DateFormat* mLastFormat = nullptr;
    std::string mRaw, mCell;
    FolderCell mFolderCell;
};

} // namespace

std::string dateNumberFormat(std::string_view pattern, const DateLocale& locale)
{
    if (pattern.empty())
        pattern = locale.generalPattern;
    // The pattern read into fields, as the date formatter reads it. Codes: 'd' day, 'M' month,
    // 'm' minutes, 'y' year, 'j' day of the year, 'h' hour, 's' seconds, 'a' AM/PM, 0 literal text.
    struct Field {
        char code;
        std::size_t width;
        std::string text;
    };
    std::vector<Field> fields;
    const auto at = [&](std::size_t i, std::string_view word) {
        if (pattern.size() - i < word.size())
            return false;
        for (std::size_t k = 0; k < word.size(); ++k)
            if (lower(pattern[i + k]) != word[k])
                return false;
        return true;
    };
    const auto literal = [&](std::string_view text) {
        if (fields.empty() || fields.back().code != 0)
            fields.push_back({0, 0, {}});
        fields.back().text += text;
    };
    for (std::size_t i = 0; i < pattern.size();) {
        if (at(i, "am/pm") || at(i, "a/p")) {
            const std::size_t length = at(i, "am/pm") ? 5 : 3;
            fields.push_back({'a', length, std::string(pattern.substr(i, length))});
            i += length;
            continue;
        }
        const char letter = lower(pattern[i]);
        if (std::string_view("dmyhns").find(letter) == std::string_view::npos) {
            literal(pattern[i] == '/' ? std::string_view(locale.dateSeparator)
                    : pattern[i] == ':' ? std::string_view(locale.timeSeparator)
                                        : pattern.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && lower(pattern[i + run]) == letter)
            ++run;
        i += run;
        // A run is cut greedily into the longest fields of its letter.
        while (run > 0) {
            std::size_t width = std::min<std::size_t>(run, letter == 'd' || letter == 'm' ? 4 : 2);
            if (letter == 'y')
                width = run >= 4 ? 4 : run >= 2 ? 2 : 1;
            run -= width;
            char code = letter == 'm' ? 'M' : letter == 'n' ? 'm' : letter;
            if (letter == 'y' && width == 1)
                return {}; // the day of the year has no number format
            if (code == 'M' && width <= 2) {
                // m and mm are minutes right after an hour, as the formatter reads them.
                for (auto f = fields.rbegin(); f != fields.rend(); ++f)
                    if (f->code != 0) {
                        if (f->code == 'h')
                            code = 'm';
                        break;
                    }
            }
            fields.push_back({code, width, {}});
        }
    }

    std::string format;
    bool quoted = false;
    char previous = 0; // the letter of the field before, literals skipped
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const Field& field = fields[f];
        if (field.code == 0) {
            for (char c : field.text) {
                if (c == '"') {
                    format += quoted ? "\"\\\"" : "\\\"";
                    quoted = false;
                } else {
                    format += quoted ? "" : "\"";
                    format += c;
                    quoted = true;
                }
            }
            continue;
        }
        if (quoted)
            format += '"';
        quoted = false;
        const char letter = field.code == 'M' ? 'm' : field.code;
        // Side by side, two fields of one letter would read as one longer field.
        if (f > 0 && fields[f - 1].code != 0 && letter == previous)
            return {};
        if (field.code == 'a') {
            // The spreadsheet writes its own AM and PM; only the upper-case markers match what the
            // list shows in English.
            if (field.text != "AM/PM" && field.text != "A/P")
                return {};
            format += field.text;
        } else {
            if (letter == 'm' && field.width <= 2) {
                // A spreadsheet reads m and mm as minutes after an hour or before seconds.
                const auto near = [&](std::size_t from, int step) -> char {
                    for (auto k = std::ptrdiff_t(from) + step; k >= 0 && k < std::ptrdiff_t(fields.size()); k += step)
                        if (fields[std::size_t(k)].code != 0)
                            return fields[std::size_t(k)].code;
                    return 0;
                };
                if ((near(f, -1) == 'h' || near(f, 1) == 's') != (field.code == 'm'))
                    return {};
            }
            format.append(field.width, letter);
        }
        previous = letter;
    }
    if (quoted)
        format += '"';
    // The library keeps at most 127 bytes of a format; and nothing XML cannot carry.
    std::string clean;
    if (format.size() > 127 || !appendCellText(clean, format) || clean != format)
        return {};
    return format;
}

ExportResult ListWorkbook::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                 const std::atomic<bool>* stop)
{
    ExportResult result;
    WorkbookFile book(target, result, progress, stop);
    const std::size_t rowsPerSheet = book.start(rows, mOptions.rowsPerSheet, kListSheetRows);
    if (rowsPerSheet == 0)
        return result;

    // Each sheet streams its rows to a temporary file of its own, so the Files sheets can be
    // written row by row and the Folders sheet after them, when every total is known.
    BookWriter writer(book.book(), mTexts, result, rowsPerSheet, mOptions.hashColumn);
    std::string failure;
    Row row;
    while (rows.next(row)) {
        if (const lxw_error error = writer.addRow(row, failure); error != LXW_NO_ERROR) {
            if (failure.empty())
                failure = "cannot write row " + std::to_string(result.rows + 1) + ": " + lxw_strerror(error);
            break;
        }
        if (!book.rowWritten())
            break;
    }
    if (failure.empty() && !book.stopped())
        if (const lxw_error error = writer.finish(failure); error != LXW_NO_ERROR && failure.empty())
            failure = std::string("cannot write the folder totals: ") + lxw_strerror(error);
    book.finish(std::move(failure));
    return result;
}

} // namespace dirlix
