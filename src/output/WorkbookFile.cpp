// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a workbook file being written for an export.
#include "output/WorkbookFile.h"
#include "platform/FileSystem.h"

#include "output/modListToExcel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace dirlix {

namespace {

// Beyond this a sheet's XML may pass 4 GiB, which only ZIP64 can hold.
constexpr std::uint64_t kZip64Threshold = std::uint64_t(3) << 30;

// A generous estimate of the largest worksheet's XML; reads @p rows through.
std::uint64_t largestSheetEstimate(RowSource& rows, std::size_t rowsPerSheet)
{
    std::uint64_t largest = 0;
    std::uint64_t sheet = 0;
    Row row;
    for (std::size_t i = 0; rows.next(row); ++i) {
        if (i % rowsPerSheet == 0)
            sheet = 0;
        std::uint64_t bytes = row.name.size() + row.folder.size() + 2 * row.datePattern.size() * 4 + 64;
        if (row.texts)
            for (int column = 0; column < 6; ++column)
                bytes += row.texts[column].size();
        // Escapes can make a byte into seven; the cell markup adds a fixed amount.
        sheet += bytes * 7 + 400;
        largest = std::max(largest, sheet);
    }
    return largest;
}

} // namespace

std::string folderOfPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of(fsys::kSeparators);
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return std::string(1, path[0]);
    return path.substr(0, slash);
}

const std::string& FolderCell::of(std::string_view folder, bool& cut)
{
    if (!mHave || folder != mFolder) {
        mFolder.assign(folder);
        mCell.clear();
        mCut = !modListToExcel::appendCellText(mCell, folder);
        mHave = true;
    }
    cut = mCut;
    return mCell;
}

WorkbookFile::~WorkbookFile()
{
    if (mBook)
        workbook_close(mBook);
}

std::size_t WorkbookFile::start(RowSource& rows, std::size_t rowsPerSheet, std::size_t sheetLimit)
{
    mProgress.rowsTotal.store(rows.total().value_or(0), std::memory_order_relaxed);
    if (rowsPerSheet == 0 || rowsPerSheet > sheetLimit)
        rowsPerSheet = sheetLimit;
    if (!mTarget.openForName()) {
        mResult.error = mTarget.error();
        return 0;
    }
    mResult.path = mTarget.path();
    const std::string file = mTarget.stagingPath();
    if (file.empty()) {
        mTarget.discard();
        mResult.error = "a workbook can only be written to a file";
        return 0;
    }
    // Beside the file being written, not the target: a device such as /dev/stdout has no room for it.
    mScratch.emplace(folderOfPath(file));
    mTmpdir = mScratch->path().empty() ? folderOfPath(file) : mScratch->path();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = mTmpdir.data();
    // A source that cannot be read twice gets ZIP64 at once: its size is not known in advance.
    bool zip64 = true;
    if (rows.rewind()) {
        zip64 = largestSheetEstimate(rows, rowsPerSheet) > kZip64Threshold;
        rows.rewind();
    }
    options.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
    mBook = workbook_new_opt(file.c_str(), &options);
    if (!mBook) {
        mTarget.discard();
        mResult.error = "cannot start the workbook " + mResult.path + ": " + lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return 0;
    }
    return rowsPerSheet;
}

bool WorkbookFile::rowWritten()
{
    ++mResult.rows;
    // Published every so many rows, so that readers on other threads cost nothing.
    if (mResult.rows % 1024 != 0)
        return true;
    mProgress.rowsWritten.store(mResult.rows, std::memory_order_relaxed);
    return !stopped();
}

bool WorkbookFile::stopped()
{
    if (!mResult.stopped && mStop && mStop->load(std::memory_order_relaxed))
        mResult.stopped = true;
    return mResult.stopped;
}

void WorkbookFile::finish(std::string failure)
{
    stopped(); // asked for after the last progress step
    // Closing writes the file and releases the library's temporary files.
    errno = 0;
    const lxw_error closed = workbook_close(mBook);
    const int closeErrno = errno;
    mBook = nullptr;
    if (mResult.stopped) {
        mTarget.discard();
        return;
    }
    if (failure.empty() && closed != LXW_NO_ERROR) {
        failure = "cannot write the workbook " + mResult.path + ": " + lxw_strerror(closed);
        if (closeErrno != 0)
            failure += std::string(" (") + std::strerror(closeErrno) + ")";
    }
    if (!failure.empty() || !mTarget.commit()) {
        mResult.error = failure.empty() ? mTarget.error() : failure;
        mTarget.discard();
        mResult.rows = 0;
        return;
    }
    mProgress.rowsWritten.store(mResult.rows, std::memory_order_relaxed);
    mResult.ok = true;
}

} // namespace dirlix
