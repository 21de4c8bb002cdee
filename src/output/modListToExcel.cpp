// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the workbook output, on libxlsxwriter.
#include "output/modListToExcel.h"

#include "output/DateTime.h"
#include "platform/ReplacingFile.h"
#include "output/WorkbookFile.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace dirlix::modListToExcel {

namespace {

// Zip entries above 4 GiB need the ZIP64 extensions, which some readers handle less well, so
// they are asked for only when a sheet could come near that size.

constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the valid UTF-8 sequence at the start of @p s, or 0 when it is not one; @p invalid
// is then the length of the maximal invalid prefix to replace by one U+FFFD.
std::size_t utf8Sequence(std::string_view s, std::size_t& invalid)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        invalid = 1;
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char lo = i == 1 ? low : 0x80;
        const unsigned char hi = i == 1 ? high : 0xBF;
        if (i >= s.size() || byte(i) < lo || byte(i) > hi) {
            invalid = i;
            return 0;
        }
    }
    // U+FFFE and U+FFFF are valid UTF-8 but not characters XML may carry.
    if (length == 3 && lead == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE) {
        invalid = 3;
        return 0;
    }
    return length;
}

// The text a spreadsheet would make of a size cell: a number when it reads as one.
bool sizeAsNumber(std::string_view text, double& value)
{
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

class SheetWriter {
public:
    SheetWriter(RowTexts& texts, ExportResult& result) : mTexts(texts), mResult(result) {}

    lxw_error writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, std::string_view raw)
    {
        mCell.clear();
        if (!appendCellText(mCell, raw))
            ++mResult.truncatedCells;
        if (mCell.empty())
            return LXW_NO_ERROR; // an empty text leaves the cell empty, as setting "" would
        return worksheet_write_string(sheet, row, column, mCell.c_str(), nullptr);
    }

    lxw_error writeColumn(lxw_worksheet* sheet, lxw_row_t row, const Row& values, int column)
    {
        mRaw.clear();
        mTexts.appendColumn(mRaw, column, values);
        return writeText(sheet, row, lxw_col_t(column - 1), mRaw);
    }

    /** Writes @p values as sheet row @p row (from 0): its six cells, in column order. */
    lxw_error WriteSpreadsheetRow(lxw_worksheet* sheet, lxw_row_t row, const Row& values)
    {
        // Names are taken as they are, without a copy into a text first.
        lxw_error error = (values.textMask & 1) ? writeColumn(sheet, row, values, ColFile)
                                                : writeText(sheet, row, ColFile - 1, values.name);
        if (error != LXW_NO_ERROR)
            return error;

        if (values.textMask & (1u << (ColSize - 1))) {
            const std::string& text = values.texts[ColSize - 1];
            double number = 0;
            error = sizeAsNumber(text, number) ? worksheet_write_number(sheet, row, ColSize - 1, number, nullptr)
                                               : writeText(sheet, row, ColSize - 1, text);
        } else if (values.values.valuesKnown()) {
            error = worksheet_write_number(sheet, row, ColSize - 1, double(values.values.size), nullptr);
        }
        if (error != LXW_NO_ERROR)
            return error;

        for (int column : {ColAttrib, ColCreated, ColModified}) {
            if ((error = writeColumn(sheet, row, values, column)) != LXW_NO_ERROR)
                return error;
        }
        error = (values.textMask & (1u << (ColDirectory - 1))) ? writeColumn(sheet, row, values, ColDirectory)
                                                               : writeFolder(sheet, row, values.folder);
        // With checksums, a seventh cell: the sheet has no header row to announce it.
        if (error == LXW_NO_ERROR && !values.hashAlgorithm.empty() && !values.hash.empty())
            error = writeText(sheet, row, ColDirectory, values.hash);
        return error;
    }

private:
    lxw_error writeFolder(lxw_worksheet* sheet, lxw_row_t row, std::string_view folder)
    {
        bool cut = false;
        const std::string& cell = mFolderCell.of(folder, cut);
        if (cut)
            ++mResult.truncatedCells;
        if (cell.empty())
            return LXW_NO_ERROR;
        return worksheet_write_string(sheet, row, ColDirectory - 1, cell.c_str(), nullptr);
    }

    RowTexts& mTexts;
    ExportResult& mResult;
    std::string mRaw;
    std::string mCell;
    FolderCell mFolderCell;
};

} // namespace

std::string freshBaseName()
{
    const DateTime now = localFromUnix(std::time(nullptr));
    char text[64];
    std::snprintf(text, sizeof text, "filelist-%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return text;
}

bool appendCellText(std::string& out, std::string_view bytes)
{
    std::size_t characters = 0;
    const auto room = [&](std::size_t more) { return characters + more <= kCellTextLimit; };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x80) {
            // A literal "_xHHHH_" would be read back as the character it names.
            if (c == '_' && i + 6 < bytes.size() && bytes[i + 1] == 'x' && isHex(bytes[i + 2]) &&
                isHex(bytes[i + 3]) && isHex(bytes[i + 4]) && isHex(bytes[i + 5]) && bytes[i + 6] == '_') {
                if (!room(7))
                    return false;
                out += "_x005F_";
                characters += 7;
                ++i;
                continue;
            }
            if (!room(1))
                return false;
            out += char(c);
            ++characters;
            ++i;
        } else if (c < 0x20) {
            if (c == '\t' || c == '\n') {
                if (!room(1))
                    return false;
                out += char(c);
                ++characters;
            } else {
                if (!room(7))
                    return false;
                char escape[8];
                std::snprintf(escape, sizeof escape, "_x%04X_", unsigned(c));
                out += escape;
                characters += 7;
            }
            ++i;
        } else {
            if (!room(1))
                return false;
            std::size_t invalid = 0;
            const std::size_t length = utf8Sequence(bytes.substr(i), invalid);
            if (length != 0) {
                out.append(bytes.data() + i, length);
                i += length;
            } else {
                out += kReplacement;
                i += invalid;
            }
            ++characters;
        }
    }
    return true;
}

ExportResult WorkbookExporter::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                     const std::atomic<bool>* stop)
{
    ExportResult result;
    WorkbookFile book(target, result, progress, stop);
    const std::size_t rowsPerSheet = book.start(rows, mOptions.rowsPerSheet, kSheetRowLimit);
    if (rowsPerSheet == 0)
        return result;

    SheetWriter writer(mTexts, result);
    lxw_worksheet* sheet = nullptr;
    std::string failure;
    Row row;
    for (std::size_t index = 0;; ++index) {
        const bool more = rows.next(row);
        if (index % rowsPerSheet == 0 && (more || sheet == nullptr)) {
            errno = 0;
            sheet = workbook_add_worksheet(book.book(), nullptr);
            if (!sheet) {
                // The only causes are memory and the sheet's temporary file.
                failure = "cannot add a worksheet";
                if (errno != 0)
                    failure += std::string(" (temporary file in ") + book.tmpdir() + ": " + std::strerror(errno) + ")";
                break;
            }
            ++result.sheets;
        }
        if (!more)
            break; // an empty source still gets its one empty sheet
        const lxw_error error = writer.WriteSpreadsheetRow(sheet, lxw_row_t(index % rowsPerSheet), row);
        if (error != LXW_NO_ERROR) {
            failure = "cannot write row " + std::to_string(index + 1) + ": " + lxw_strerror(error);
            break;
        }
        if (!book.rowWritten())
            break;
    }
    book.finish(std::move(failure));
    return result;
}

ExportResult ExportListToSpreadsheet(RowSource& rows, const std::string& tempFolder, const DateLocale& locale,
                                     ExportProgress& progress, const std::atomic<bool>* stop,
                                     const ExportOptions& options)
{
    FreshFile file(tempFolder, freshBaseName(), ".xlsx");
    WorkbookExporter exporter(locale, options);
    return exporter.write(rows, file, progress, stop);
}

} // namespace dirlix::modListToExcel
