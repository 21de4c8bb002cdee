// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the order the list is shown in: sorting by a column and narrowing to what the find bar asks for.
#pragma once

#include "platform/FileRecord.h"
#include "search/NameMask.h"
#include "search/RowSource.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dirlix {

/** Row indexes of the file list (from 0), in the order they are shown. */
using RowOrder = std::vector<std::uint32_t>;

/**
 * Tells long work that it is no longer wanted: the work started under one generation and gives up
 * once the counter has moved on. A null counter never cancels.
 */
struct Cancel {
    const std::atomic<unsigned>* counter = nullptr;
    unsigned generation = 0;
    bool requested() const { return counter && counter->load(std::memory_order_relaxed) != generation; }
};

/**
 * What the find bar asks for: rows whose name (or whole path) contains the text, ignoring case,
 * or matches it as a mask when it holds `*` or `?`. An empty text matches every row.
 * Keeps scratch buffers: one per thread.
 */
class FindMatcher {
public:
    explicit FindMatcher(const QString& text = {}, bool wholePath = false);

    bool empty() const { return mText.isEmpty(); }
    const QString& text() const { return mText; }
    bool wholePath() const { return mWholePath; }

    /** Whether @p row is one the find bar shows. */
    bool matches(const Row& row);

private:
    QString mText;
    bool mWholePath = false;
    bool mMask = false;
    std::optional<NameMask> mNameMask; // the text as a mask; empty while it is malformed (an open `[`)
    MaskSubject mSubject;              // scratch
    std::string mAsciiLower; // the text in lower case when it is plain ASCII, for the fast path
    std::string mPath;       // scratch: folder and name
    QString mDecoded;        // scratch
};

/**
 * The indexes of every row of @p rows (read from its first row; the n-th is row n) sorted by view
 * column @p column (0 File .. 5 Directory): names and folders in the user's locale collation with
 * numbers in natural order, Size by number, Created and Modified by time stamp, Attrib by its
 * text. Rows whose values are unknown sort as the lowest. Stable in both directions: equal rows
 * keep their order. Returns nothing when @p cancel asks for it.
 */
std::optional<RowOrder> sortedOrder(RowSource& rows, int column, bool descending, Cancel cancel = {});

/**
 * For every row of @p rows (read from its first row), whether @p matcher takes it: one bit a row.
 * Returns nothing when @p cancel asks for it.
 */
std::optional<std::vector<bool>> matchingRows(RowSource& rows, FindMatcher& matcher, Cancel cancel = {});

} // namespace dirlix
