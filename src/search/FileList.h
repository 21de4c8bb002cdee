// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the file list, the program's only store of search results, kept compactly.
#pragma once

#include "output/DateLocale.h"
#include "output/FormatDate.h"
#include "search/FileRecord.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

struct WalkBlock;

/** One row as stored: raw values, made into the eight column texts on demand. */
struct FileRow {
    const char* name = nullptr; ///< name bytes in the list's own storage; not zero-terminated
    std::int64_t size = 0;
    std::int64_t created = 0;  ///< seconds since the epoch
    std::int64_t modified = 0; ///< seconds since the epoch
    std::uint32_t nameLength = 0;
    std::uint32_t folder = 0;   ///< index of the row's folder text
    std::uint16_t attributes = 0;
    std::uint16_t pattern = 0;  ///< the date pattern in force when the row was added

    std::string_view nameView() const { return {name, nameLength}; }
};

/** The raw values of one row, wherever they are stored. */
struct RowValues {
    std::string_view name;
    std::int64_t size = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint16_t attributes = 0;
    std::string_view folder;
};

/**
 * Appends the text of column @p column (1..8) of @p row to @p out: the one place where a file's
 * values become the list's texts, shared by the list and the command-line companion.
 */
void appendColumnText(std::string& out, int column, const RowValues& row, const DatePattern& datePattern,
                      const DatePattern& sortKeyPattern, const DateLocale& locale);

/**
 * Appends the eight column texts of @p row to @p out, each followed by @p separator but the last,
 * which is followed by @p end. The same texts as appendColumnText, with each time stamp turned
 * into a local date once.
 */
void appendRowTexts(std::string& out, const RowValues& row, const DatePattern& datePattern,
                    const DatePattern& sortKeyPattern, const DateLocale& locale, char separator, char end);

/**
 * The rows of the file list, in the order they were added; nothing sorts them.
 * Rows are numbered from 1 and their sub-items from 1 to 7 in the operations that take a row
 * number; the raw accessors take an index from 0. Texts are the file system's bytes (names and
 * folders are not decoded here). A row's Created and Modified texts keep the date pattern that was
 * in force when the row was added. Not thread-safe: one thread owns the list.
 */
class FileList {
public:
    FileList();
    ~FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    /** Number of rows. */
    std::size_t count() const { return mRowCount; }
    /** Removes every row, folder and pattern; the locale stays. */
    void clear();

    /** The locale used for date texts; set it before rows are made into texts. */
    void setLocale(const DateLocale& locale) { mLocale = locale; }
    const DateLocale& locale() const { return mLocale; }

    /**
     * Appends the files of @p block as rows, their date texts in @p datePattern.
     * Returns the number of rows added.
     */
    std::size_t appendBlock(const WalkBlock& block, std::string_view datePattern);

    // The row operations, rows and sub-items numbered from 1.

    /** Appends a row with @p mainText and no sub-items; returns its number. */
    std::size_t appendRow(std::string_view mainText);
    /** Sets sub-item @p subItem (1..7) of row @p row (1..count()) to @p text. Out of range: no effect. */
    void setSubItem(std::size_t row, int subItem, std::string_view text);
    /** The File text of row @p row (1..count()); empty when out of range. */
    std::string mainText(std::size_t row) const;
    /** The text of sub-item @p subItem (1..7) of row @p row; empty when out of range or not set. */
    std::string subItem(std::size_t row, int subItem) const;
    /** The number of sub-items set on row @p row: 7 for every row the search adds. */
    int subItemCount(std::size_t row) const;

    // Raw access, from 0.

    /** The stored values of row @p index (0..count()-1). */
    const FileRow& row(std::size_t index) const { return mChunks[index >> kChunkBits][index & kChunkMask]; }
    /** The folder text of row @p index, ending in the separator. */
    const std::string& folderOf(std::size_t index) const { return mFolders[row(index).folder]; }
    /** Appends the text of column @p column (1..8) of row @p index to @p out. */
    void appendText(std::string& out, std::size_t index, int column) const;
    /** The raw values of a stored row. */
    RowValues valuesOf(const FileRow& row) const;
    /** The date pattern row @p index was added with. */
    const DatePattern& patternOf(std::size_t index) const { return mPatterns[row(index).pattern]; }
    /** The fixed pattern of the hidden columns. */
    const DatePattern& sortKeyPattern() const { return mSortKeyPattern; }
    /** True when row @p index holds texts set one by one rather than a found file's values. */
    bool hasTextOverrides(std::size_t index) const;

    /** Bytes held by the list's own storage, for the benchmark. */
    std::size_t memoryUsed() const;

private:
    static constexpr unsigned kChunkBits = 16;
    static constexpr std::size_t kChunkRows = std::size_t(1) << kChunkBits;
    static constexpr std::size_t kChunkMask = kChunkRows - 1;
    static constexpr std::size_t kArenaBlock = 1 << 20;

    FileRow& appendRawRow();
    const char* storeName(std::string_view name);
    std::uint16_t internPattern(std::string_view pattern);
    std::uint32_t internFolder(std::string_view folder);

    struct TextRow {
        std::string texts[8];
        int subItems = 0;
    };

    DateLocale mLocale;
    std::vector<std::unique_ptr<FileRow[]>> mChunks;
    std::size_t mRowCount = 0;
    std::vector<std::unique_ptr<char[]>> mArena;
    std::vector<std::unique_ptr<char[]>> mLargeNames;
    std::size_t mArenaUsed = kArenaBlock;
    std::size_t mArenaBytes = 0;
    std::vector<std::string> mFolders;
    std::vector<DatePattern> mPatterns;
    DatePattern mSortKeyPattern;
    std::map<std::size_t, TextRow> mTextRows; ///< rows built text by text, by index from 0
};

} // namespace dirlix
