// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a workbook file being written for an export: what both workbook exporters share.
#pragma once

#include "output/Exporter.h"
#include "platform/ReplacingFile.h"

#include <xlsxwriter.h>

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace dirlix {

/** The folder of @p path, without a trailing separator: "." for a bare name, "/" for the root. */
std::string folderOfPath(const std::string& path);

/**
 * The cell text of a row's folder. Consecutive rows share their folder, so its text is made once
 * per folder, not once per row.
 */
class FolderCell {
public:
    /** The cell text of @p folder, valid until the next call; @p cut: it was cut to fit a cell. */
    const std::string& of(std::string_view folder, bool& cut);

private:
    std::string mFolder;
    std::string mCell;
    bool mHave = false;
    bool mCut = false;
};

/**
 * A libxlsxwriter workbook in constant-memory mode, written to an export target's staging file.
 * The library's temporary files go to a scratch folder of this export's own beside the staging file:
 * when closing fails the library leaves one open, and only there can it be found and released
 * without touching anyone else's files. One per export; closes a workbook still open when it goes.
 */
class WorkbookFile {
public:
    WorkbookFile(ExportTarget& target, ExportResult& result, ExportProgress& progress, const std::atomic<bool>* stop)
        : mTarget(target), mResult(result), mProgress(progress), mStop(stop)
    {
    }
    ~WorkbookFile();
    WorkbookFile(const WorkbookFile&) = delete;
    WorkbookFile& operator=(const WorkbookFile&) = delete;

    /**
     * Opens the target and starts the workbook, with sheets of @p rowsPerSheet rows (0, or more
     * than @p sheetLimit, for @p sheetLimit). A source that can be read twice is read through once
     * to estimate its largest sheet, so that ZIP64 is used only where a sheet may need it. Returns
     * the rows per sheet, or 0, with the result's error set and nothing left behind, when it cannot start.
     */
    std::size_t start(RowSource& rows, std::size_t rowsPerSheet, std::size_t sheetLimit);

    lxw_workbook* book() const { return mBook; }
    /** Where the library keeps its temporary files. */
    const std::string& tmpdir() const { return mTmpdir; }

    /**
     * Counts a row written, publishing the progress now and then. Returns false once Stop was
     * asked for (then the result says stopped): the caller writes no more rows.
     */
    bool rowWritten();

    /** True when Stop was asked for, also after the last row; the result then says so. */
    bool stopped();

    /**
     * Closes the workbook and puts it in place of the target, or leaves the target as it was when
     * the export was stopped, @p failure says why it failed, or closing fails. Sets the result.
     */
    void finish(std::string failure);

private:
    ExportTarget& mTarget;
    ExportResult& mResult;
    ExportProgress& mProgress;
    const std::atomic<bool>* mStop;
    std::optional<ScratchFolder> mScratch;
    std::string mTmpdir;
    lxw_workbook* mBook = nullptr;
};

} // namespace dirlix
