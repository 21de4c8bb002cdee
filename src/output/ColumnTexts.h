// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a row's values made into the list's column texts: the one place every output uses.
#pragma once

#include "output/DateLocale.h"
#include "output/FormatDate.h"
#include "platform/FileRecord.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dirlix {

/**
 * The attribute letters of @p attributes: one letter per set bit, in the order
 * A (archive), C (compressed), D (directory), H (hidden), R (read-only), S (system), V (volume).
 * Other bits are ignored; no bit set gives an empty text.
 */
std::string AttribLetters(std::uint16_t attributes);

/** The fixed pattern of the hidden sort-key columns. */
inline constexpr std::string_view kSortKeyPattern = "yyyy-mm-dd HH:MM:SS";

/** The column captions of the file list, in order. */
inline constexpr std::string_view kColumnCaptions[8] = {"File",     "Size",      "Attrib", "Created",
                                                        "Modified", "Directory", "CYMD",   "MYMD"};

/** The caption of the checksum column, after MYMD, shown only when checksums were asked for. */
inline constexpr std::string_view kHashCaption = "Hash";

/** Column numbers of the file list, from 1 as the list numbers them; sub-item n is column n + 1. */
enum Column : int {
    ColFile = 1,
    ColSize,
    ColAttrib,
    ColCreated,
    ColModified,
    ColDirectory,
    ColCreatedKey,
    ColModifiedKey,
};

/**
 * Makes rows into their column texts: the name and folder as their bytes, the size in digits, the
 * attribute letters, the two dates in the row's own pattern and the two sort keys in the fixed
 * one. A row whose values could not be read gives empty Size, date and sort-key texts; a row of
 * texts gives its own. Keeps the last date pattern compiled, so rows that share one cost nothing
 * more. Not thread-safe: one per thread.
 */
class RowTexts {
public:
    explicit RowTexts(const DateLocale& locale = englishLocale());

    const DateLocale& locale() const { return mLocale; }

    /** Appends the text of column @p column (1..8) of @p row to @p out; nothing for another number. */
    void appendColumn(std::string& out, int column, const Row& row);

    /**
     * Appends the eight column texts of @p row to @p out, each followed by @p separator but the
     * last, which is followed by @p end. Each time stamp becomes a local date once.
     */
    void appendRow(std::string& out, const Row& row, char separator, char end);

    /** The date pattern of @p row, compiled. */
    const DatePattern& patternOf(const Row& row);

    /** The sort-key pattern, compiled. */
    const DatePattern& sortKeyPattern() const { return mSortKey; }

    /** A time stamp as local time, and its texts in a row's pattern and the sort-key pattern. */
    struct StampTexts {
        std::int64_t stamp = 0;
        std::uint64_t generation = 0; ///< mGeneration when made; 0: empty
        DateTime when;
        std::string shown;
        std::string key;
    };
    /**
     * The texts of @p stamp in the date pattern of @p row. The two stamps used last are kept, since
     * neighbouring rows mostly share their times; a reference stays valid until the next call but one.
     */
    const StampTexts& stampTexts(std::int64_t stamp, const Row& row) { return textsOf(stamp, patternOf(row)); }

    /**
     * Storage that a writer of rows reuses from one row to the next, so that a row costs it no
     * allocation: a column's text before the writer escapes it, and the last two time stamps in a
     * form of the writer's own (JSON Lines keeps ISO 8601 there). Belongs to whoever writes with
     * this object; nothing here reads it.
     */
    struct Scratch {
        struct Stamp {
            std::int64_t stamp = 0;
            DateTime when;
            std::string text; ///< empty: not made yet
        };
        std::string text;
        Stamp stamps[2];
        unsigned olderStamp = 0;
    };
    Scratch& scratch() { return mScratch; }

private:
    /** stampTexts() in @p pattern, the pattern compiled last. */
    const StampTexts& textsOf(std::int64_t stamp, const DatePattern& pattern);

    DateLocale mLocale;
    DatePattern mSortKey;
    std::unique_ptr<DatePattern> mPattern;
    std::uint64_t mGeneration = 1; ///< counts the patterns compiled, so kept texts of another are never used
    StampTexts mStamps[2];
    unsigned mOlderStamp = 0;
    Scratch mScratch;
};

} // namespace dirlix
