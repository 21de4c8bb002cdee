// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the output a dirlix-list command writes to, opened the same way by every command.
#pragma once

#include "cli/ListCommand.h"
#include "platform/ReplacingFile.h"
#include "search/WalkHandOff.h"

#include <memory>
#include <optional>

namespace dirlix::cli {

/** The rows of a walk without the file that @p target writes aside, when it lies in the walked folders. */
class WithoutStagingFile : public RowSource {
public:
    /** Passes on @p rows; a null @p target leaves out nothing. */
    WithoutStagingFile(RowSource& rows, const ReplacingFile* target) : mRows(rows), mTarget(target) {}
    bool next(Row& row) override
    {
        while (mRows.next(row))
            if (!mTarget || !mTarget->isStagingFile(row.folder, row.name))
                return true;
        return false;
    }
    std::optional<std::uint64_t> total() const override { return mRows.total(); }
    bool rewind() override { return mRows.rewind(); }

private:
    RowSource& mRows;
    const ReplacingFile* mTarget;
};

/** An opened output: where to write, and the file written aside for it, if any. */
struct OpenedOutput {
    std::unique_ptr<ExportTarget> target;
    ReplacingFile* file = nullptr; ///< the target when it is a named file, else null
};

/**
 * Opens the output of @p options before any walk starts: the file of --xlsx (by name for the
 * workbook library when @p byName) or -o, written as the shell's ">" would (through links, into
 * devices and FIFOs, waiting for a reader, with the usual permissions for a new file), else
 * standard output. A name for standard output while it is closed is refused. Returns nothing
 * after telling why on standard error: the caller exits with ExitUsage.
 */
std::optional<OpenedOutput> openOutput(const ListOptions& options, bool byName = false);

} // namespace dirlix::cli
