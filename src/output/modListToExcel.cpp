// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the workbook output, on libxlsxwriter.
#include "output/modListToExcel.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <vector>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace dirlix::modListToExcel {

namespace {

// Zip entries above 4 GiB need the ZIP64 extensions, which some readers handle less well, so
// they are asked for only when a sheet could come near that size.
constexpr std::uint64_t kZip64Threshold = std::uint64_t(3) << 30;

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

struct Workbook {
    lxw_workbook* book = nullptr;
    ~Workbook()
    {
        if (book)
            workbook_close(book);
    }
};

std::string reasonOf(lxw_error error)
{
    return lxw_strerror(error);
}

std::string folderOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A generous estimate of the largest worksheet's XML, to decide on ZIP64.
std::uint64_t largestSheetEstimate(const FileList& list, std::size_t rowsPerSheet)
{
    std::uint64_t largest = 0;
    std::uint64_t sheet = 0;
    std::string texts;
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (i % rowsPerSheet == 0)
            sheet = 0;
        std::uint64_t bytes = 0;
        if (list.hasTextOverrides(i)) {
            texts.clear();
            for (int column = ColFile; column <= ColDirectory; ++column)
                list.appendText(texts, i, column);
            bytes = texts.size();
        } else {
            bytes = list.row(i).nameLength + list.folderOf(i).size() + 2 * list.patternOf(i).text().size() * 4;
        }
        // Escapes can make a byte into seven; the cell markup adds a fixed amount.
        sheet += bytes * 7 + 400;
        largest = std::max(largest, sheet);
    }
    return largest;
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
    SheetWriter(const FileList& list, ExportResult& result) : mList(list), mResult(result) {}

    lxw_error writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, std::string_view raw)
    {
        mCell.clear();
        if (!appendCellText(mCell, raw))
            ++mResult.truncatedCells;
        if (mCell.empty())
            return LXW_NO_ERROR; // an empty text leaves the cell empty, as setting "" would
        return worksheet_write_string(sheet, row, column, mCell.c_str(), nullptr);
    }

    lxw_error writeColumn(lxw_worksheet* sheet, lxw_row_t row, std::size_t index, int column)
    {
        mRaw.clear();
        mList.appendText(mRaw, index, column);
        return writeText(sheet, row, lxw_col_t(column - 1), mRaw);
    }

    /** Writes list row @p index (from 0) as sheet row @p row (from 0): its six cells, in column order. */
    lxw_error WriteSpreadsheetRow(lxw_worksheet* sheet, lxw_row_t row, std::size_t index)
    {
        const bool textRow = mList.hasTextOverrides(index);
        lxw_error error = LXW_NO_ERROR;
        if (textRow) {
            error = writeColumn(sheet, row, index, ColFile);
        } else {
            // Names and folders are taken as stored, without a copy into a text first.
            const FileRow& stored = mList.row(index);
            error = writeText(sheet, row, ColFile - 1, stored.nameView());
        }
        if (error != LXW_NO_ERROR)
            return error;

        if (textRow) {
            mRaw.clear();
            mList.appendText(mRaw, index, ColSize);
            double value = 0;
            if (sizeAsNumber(mRaw, value))
                error = worksheet_write_number(sheet, row, ColSize - 1, value, nullptr);
            else
                error = writeText(sheet, row, ColSize - 1, mRaw);
        } else {
            error = worksheet_write_number(sheet, row, ColSize - 1, double(mList.row(index).size), nullptr);
        }
        if (error != LXW_NO_ERROR)
            return error;

        for (int column : {ColAttrib, ColCreated, ColModified}) {
            if ((error = writeColumn(sheet, row, index, column)) != LXW_NO_ERROR)
                return error;
        }

        if (textRow)
            return writeColumn(sheet, row, index, ColDirectory);
        return writeFolder(sheet, row, index);
    }

private:
    // Consecutive rows share their folder: its cell text is made once per folder.
    lxw_error writeFolder(lxw_worksheet* sheet, lxw_row_t row, std::size_t index)
    {
        const std::uint32_t folder = mList.row(index).folder;
        if (folder != mCachedFolder) {
            mFolderCell.clear();
            mFolderCut = !appendCellText(mFolderCell, mList.folderOf(index));
            mCachedFolder = folder;
        }
        if (mFolderCut)
            ++mResult.truncatedCells;
        if (mFolderCell.empty())
            return LXW_NO_ERROR;
        return worksheet_write_string(sheet, row, ColDirectory - 1, mFolderCell.c_str(), nullptr);
    }

    const FileList& mList;
    ExportResult& mResult;
    std::string mRaw;
    std::string mCell;
    std::string mFolderCell;
    std::uint32_t mCachedFolder = UINT32_MAX;
    bool mFolderCut = false;
};

// The descriptors of unlinked temporary files in @p tmpdir that are open now. The workbook library
// leaves such a file open when it fails to add a part to the workbook (a full disk, say), and an
// unlinked file holds its space until it is closed: a full disk would stay full until the program
// ends. Linux only (through /proc); elsewhere there is nothing to find.
std::vector<int> openTemporaryFiles(const std::string& tmpdir)
{
    std::vector<int> found;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return found;
    const std::string deleted = " (deleted)";
    const std::string folder = tmpdir.empty() || tmpdir.back() == '/' ? tmpdir : tmpdir + "/";
    while (const dirent* entry = ::readdir(dir)) {
        char target[4096];
        const ssize_t n = ::readlinkat(::dirfd(dir), entry->d_name, target, sizeof target);
        if (n <= 0 || std::size_t(n) >= sizeof target)
            continue;
        const std::string_view link(target, std::size_t(n));
        if (link.size() > folder.size() + deleted.size() && link.substr(0, folder.size()) == folder &&
            link.substr(link.size() - deleted.size()) == deleted && link.find('/', folder.size()) == link.npos)
            found.push_back(std::atoi(entry->d_name));
    }
    ::closedir(dir);
    return found;
}

// Writes the workbook to @p path, which exists (reserved or to be replaced); fills @p result.
void writeWorkbook(const FileList& list, const std::string& path, const ExportOptions& options,
                   ExportResult& result)
{
    std::size_t rowsPerSheet = options.rowsPerSheet;
    if (rowsPerSheet == 0 || rowsPerSheet > kSheetRowLimit)
        rowsPerSheet = kSheetRowLimit;

    std::string tmpdir = folderOfPath(path);
    lxw_workbook_options bookOptions{};
    bookOptions.constant_memory = LXW_TRUE;
    bookOptions.tmpdir = tmpdir.data();
    bookOptions.use_zip64 = largestSheetEstimate(list, rowsPerSheet) > kZip64Threshold ? LXW_TRUE : LXW_FALSE;

    const std::vector<int> openBefore = openTemporaryFiles(tmpdir);
    Workbook book;
    book.book = workbook_new_opt(path.c_str(), &bookOptions);
    if (!book.book) {
        result.error = "cannot start the workbook " + path + ": " + reasonOf(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }

    SheetWriter writer(list, result);
    lxw_worksheet* sheet = nullptr;
    std::string failure;
    for (std::size_t index = 0; index < list.count() || sheet == nullptr; ++index) {
        if (index % rowsPerSheet == 0) {
            errno = 0;
            sheet = workbook_add_worksheet(book.book, nullptr);
            if (!sheet) {
                // The only causes are memory and the sheet's temporary file.
                failure = "cannot add a worksheet";
                if (errno != 0)
                    failure += std::string(" (temporary file in ") + tmpdir + ": " + std::strerror(errno) + ")";
                break;
            }
            ++result.sheets;
        }
        if (index >= list.count())
            break; // an empty list still gets its one empty sheet
        const lxw_error error = writer.WriteSpreadsheetRow(sheet, lxw_row_t(index % rowsPerSheet), index);
        if (error != LXW_NO_ERROR) {
            failure = "cannot write row " + std::to_string(index + 1) + ": " + reasonOf(error);
            break;
        }
        ++result.rows;
    }

    // Closing writes the file; it happens after a failure too, so that what was written stays.
    errno = 0;
    const lxw_error closed = workbook_close(book.book);
    const int closeErrno = errno;
    book.book = nullptr;
    if (closed != LXW_NO_ERROR)
        for (int fd : openTemporaryFiles(tmpdir))
            if (std::find(openBefore.begin(), openBefore.end(), fd) == openBefore.end())
                ::close(fd);
    if (failure.empty() && closed != LXW_NO_ERROR) {
        failure = "cannot write the workbook " + path + ": " + reasonOf(closed);
        if (closeErrno != 0)
            failure += std::string(" (") + std::strerror(closeErrno) + ")";
    }
    result.error = failure;
    result.ok = failure.empty();
}

std::string freshBaseName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "filelist-%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

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

ExportResult ExportListToSpreadsheet(const FileList& list, const std::string& tempFolder,
                                     const ExportOptions& options)
{
    ExportResult result;
    std::string folder = tempFolder.empty() ? std::string(".") : tempFolder;
    if (folder.back() != '/')
        folder += '/';

    // Reserve a name nobody holds: the workbook of an earlier export, perhaps still open in a
    // spreadsheet program, and whatever else lies in the folder stay untouched.
    const std::string base = freshBaseName();
    int fd = -1;
    for (int attempt = 1; attempt <= 10000 && fd < 0; ++attempt) {
        const std::string candidate =
            folder + base + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + ".xlsx";
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            result.path = candidate;
        } else if (errno != EEXIST) {
            result.error = "cannot create a workbook in " + folder + ": " + std::strerror(errno);
            return result;
        }
    }
    if (fd < 0) {
        result.error = "cannot create a workbook in " + folder + ": every name is taken";
        return result;
    }
    ::close(fd);
    writeWorkbook(list, result.path, options, result);
    return result;
}

ExportResult WriteListWorkbook(const FileList& list, const std::string& path, const ExportOptions& options)
{
    ExportResult result;
    // Fail early, with the system's reason, when the file cannot be made at all.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        result.error = "cannot write the workbook " + path + ": " + std::strerror(errno);
        return result;
    }
    ::close(fd);
    result.path = path;
    writeWorkbook(list, path, options, result);
    return result;
}

} // namespace dirlix::modListToExcel
