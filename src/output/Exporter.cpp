// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the shared loop of the line exporters.
#include "output/Exporter.h"

namespace dirlix {

namespace {
// Lines are gathered and written in pieces of about this size: few system calls, little memory.
constexpr std::size_t kWriteChunk = std::size_t(1) << 20;
// Progress is published every so many rows, so that readers on other threads cost nothing.
constexpr std::uint64_t kProgressStep = 1024;
} // namespace

ExportResult LineExporter::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                 const std::atomic<bool>* stop)
{
    ExportResult result;
    result.path = target.path();
    progress.rowsTotal.store(rows.total().value_or(0), std::memory_order_relaxed);
    if (!target.open()) {
        result.error = target.error();
        return result;
    }
    std::string buffer;
    buffer.reserve(kWriteChunk + 4096);
    appendHeader(buffer);
    std::string rowError;
    Row row;
    std::uint64_t written = 0;
    auto fail = [&](std::string reason) {
        target.discard();
        result.error = std::move(reason);
        result.rows = 0;
        return result;
    };
    while (rows.next(row)) {
        if (!appendRow(buffer, row, rowError))
            return fail("row " + std::to_string(written + 1) + ": " + rowError);
        ++written;
        if (written % kProgressStep == 0) {
            progress.rowsWritten.store(written, std::memory_order_relaxed);
            if (stop && stop->load(std::memory_order_relaxed)) {
                target.discard();
                result.stopped = true;
                return result;
            }
        }
        if (buffer.size() >= kWriteChunk) {
            if (!target.write(buffer))
                return fail(target.error());
            buffer.clear();
        }
    }
    if (stop && stop->load(std::memory_order_relaxed)) {
        target.discard();
        result.stopped = true;
        return result;
    }
    if (!target.write(buffer) || !target.commit())
        return fail(target.error());
    progress.rowsWritten.store(written, std::memory_order_relaxed);
    result.ok = true;
    result.rows = written;
    return result;
}

} // namespace dirlix
