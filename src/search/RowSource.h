// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where an exporter reads its rows: the file list, or a walk as it goes.
#pragma once

#include "platform/FileRecord.h"

#include <cstdint>
#include <optional>

namespace dirlix {

/**
 * A read-only sequence of rows, read once from the first to the last. Every output reads its
 * rows through one, whether they come from the file list or straight from a walk.
 */
class RowSource {
public:
    virtual ~RowSource() = default;
    /**
     * Fills @p row with the next row and returns true; returns false at the end. The texts the row
     * views stay valid until the next call.
     */
    virtual bool next(Row& row) = 0;
    /** How many rows there are in all, when that is known before they are read. */
    virtual std::optional<std::uint64_t> total() const { return std::nullopt; }
    /** Starts again from the first row. Returns false for a source that cannot. */
    virtual bool rewind() { return false; }
};

} // namespace dirlix
