// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the one interface of every output: rows in, a file (or a stream) out.
#pragma once

#include "platform/ExportTarget.h"
#include "search/RowSource.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace dirlix {

/** Counters an export keeps while it runs; any thread may read them. */
struct ExportProgress {
    std::atomic<std::uint64_t> rowsWritten{0};
    std::atomic<std::uint64_t> rowsTotal{0}; ///< 0 while unknown
};

/** What an export did. */
struct ExportResult {
    bool ok = false;
    bool stopped = false;       ///< the stop flag ended it; nothing was put in place
    std::string error;          ///< why it failed, in words for the user; empty when ok or stopped
    std::string path;           ///< the file written, when there is one
    std::uint64_t rows = 0;     ///< rows written
    std::uint64_t sheets = 0;   ///< worksheets, for a workbook
    std::uint64_t truncatedCells = 0; ///< workbook cells cut to the most a cell holds
};

/**
 * Writes rows somewhere: one implementation per output format. An exporter reads every row of
 * its source in order, writes them to the target, counts them in the progress and looks at the
 * stop flag between rows; a stopped or failed export discards the target, so a destination
 * never holds a partial file. One export at a time per object.
 */
class Exporter {
public:
    virtual ~Exporter() = default;
    virtual ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                               const std::atomic<bool>* stop = nullptr) = 0;
};

/**
 * An exporter of lines of bytes: each row becomes text appended by appendRow(); the loop,
 * buffering, progress, stop and the target's commit are shared.
 */
class LineExporter : public Exporter {
public:
    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

protected:
    /** Called once before the first row: a header, say. */
    virtual void appendHeader(std::string& /*out*/) {}
    /** Appends the text of @p row. Returns false, with the reason in @p error, when the row cannot be written. */
    virtual bool appendRow(std::string& out, const Row& row, std::string& error) = 0;
};

} // namespace dirlix
