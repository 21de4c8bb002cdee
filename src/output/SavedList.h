// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a saved JSON Lines list held compactly, to look its rows up by path.
#pragma once

#include "output/JsonLines.h"
#include "platform/PlainFile.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dirlix {

/**
 * The longest line a list may hold, line feed left out: far beyond any row, so that a file that is
 * no list (a disk image, a file without line feeds) is refused after reading this much of it.
 */
inline constexpr std::size_t kMaxListLine = std::size_t(1) << 20;

/**
 * Reads the JSON Lines list in the file @p path line by line: @p row is called with each line's
 * number (from 1), the offset where the line starts and its row, and stops the reading by
 * returning false. An empty file has no rows; the last line may lack its line feed. Only a regular
 * file is read: a FIFO, a device or a folder is refused without waiting on it. Memory stays within
 * a few times kMaxListLine whatever the file holds. Returns false with @p error set when the file
 * cannot be read ("cannot be read: reason", "is a FIFO, not a regular file") or a line is not a
 * row ("line N: what is wrong", longer than kMaxListLine included), and with an empty @p error
 * when @p row or @p stop stopped it.
 */
bool readJsonLinesFile(const std::string& path, const std::function<bool(std::uint64_t line, std::uint64_t offset,
                                                                          JsonLineRow& row)>& row,
                       std::string& error, const std::atomic<bool>* stop = nullptr);

/**
 * The values of a saved row as a file record: its size, created and modified times and the
 * attributes its letters name. A row without a size or a modified time has unknown values.
 */
FileRecord savedRecord(const JsonLineRow& row);

/**
 * The text by which folder @p folder is matched: the same folder with no "." component and no
 * separator doubled (a leading pair kept: it may name a network share), a relative one starting
 * with "./", so that "tree//sub/" and "./tree/./sub/" are both "./tree/sub/". Every such spelling
 * names the same folder; nothing else is equated (not an absolute path with a relative one).
 * Where the system has a second separator ("/" on Windows), it counts as a separator and is
 * written as the system's own, so "C:/tree/" and "C:\\tree\\" match.
 * An empty text (a row of texts) stays empty.
 */
std::string folderMatchText(std::string_view folder);

/**
 * The rows of a JSON Lines list as `--format=jsonl` writes it, kept for comparison: per row its
 * folder (each folder stored once), its name bytes, size, modified time and where its line
 * starts in the file, so that everything else can be read again when it is needed. Rows keep the
 * file's order and are numbered from 0. Folders are found by folderMatchText(): a path given
 * twice, however its folder is spelled, counts once, at its first line.
 * The file stays open while the object lives, for readRow(), which reads through it and refuses
 * when the file was written since it was loaded.
 */
class SavedList {
public:
    static constexpr std::size_t npos = SIZE_MAX;

    SavedList();
    ~SavedList();
    SavedList(const SavedList&) = delete;
    SavedList& operator=(const SavedList&) = delete;

    /**
     * Reads the list in the file @p path (bytes as given). An empty file is a list of no rows.
     * Returns false with @p error set when the file cannot be read ("cannot be read: reason") or a
     * line is not a row ("line N: what is wrong"); the list is then empty. Stops early, returning
     * false with an empty @p error, once @p stop becomes true. Call once.
     */
    bool load(const std::string& path, std::string& error, const std::atomic<bool>* stop = nullptr);

    /** Number of rows. */
    std::size_t count() const { return mRows.size(); }
    /** The row with the folder text @p folder (matched as folderMatchText() says) and name @p name, or npos. */
    std::size_t find(std::string_view folder, std::string_view name) const { return find(folderNumberOf(folder), name); }
    /**
     * The number under which rows of the folder text @p folder, however spelled, are found, or
     * UINT32_MAX when no row has it: the number of the first folder so spelled.
     */
    std::uint32_t folderNumberOf(std::string_view folder) const;
    /** The row with the folder numbered @p folder by folderNumberOf() (UINT32_MAX: none) and the name @p name, or npos. */
    std::size_t find(std::uint32_t folder, std::string_view name) const;

    std::string_view name(std::size_t row) const { return {mRows[row].name, mRows[row].nameLength}; }
    std::string_view folder(std::size_t row) const { return mFolders[mRows[row].folder]; }
    /** The row's folder as a number: rows with the same folder text have the same one. */
    std::uint32_t folderNumber(std::size_t row) const { return mRows[row].folder; }
    std::size_t folderCount() const { return mFolders.size(); }
    std::string_view folderText(std::uint32_t number) const { return mFolders[number]; }
    /** folderMatchText() of the folder numbered @p number. */
    std::string_view folderMatch(std::uint32_t number) const { return mMatch[number].text; }
    bool sizeKnown(std::size_t row) const { return mRows[row].flags & KnownSize; }
    bool modifiedKnown(std::size_t row) const { return mRows[row].flags & KnownModified; }
    std::int64_t size(std::size_t row) const { return mRows[row].size; }
    std::int64_t modified(std::size_t row) const { return mRows[row].modified; }
    /** Whether an earlier line has the same path: such a row is never reported on its own. */
    bool repeated(std::size_t row) const { return mRows[row].flags & Repeated; }

    /**
     * Reads the line of @p row from the file again, whole, through the file loaded. Returns false
     * with @p error set when it no longer reads, or when the file was written since it was loaded
     * (its size or times differ, or the line no longer holds the row's path).
     */
    bool readRow(std::size_t row, JsonLineRow& into, std::string& error) const;
    /** readRow() for many rows: @p reader is the calling thread's own, reused from row to row. */
    bool readRow(std::size_t row, JsonLineRow& into, std::string& error, JsonLineReader& reader) const;

    /** The identity of the file loaded (device and inode); zero before load(). */
    fsys::FileId fileId() const { return mStamp.id; }

    /** Bytes held by the list's own storage, name bytes included, for the benchmark. */
    std::size_t memoryUsed() const;

private:
    enum Flag : std::uint8_t { KnownSize = 1, KnownModified = 2, Repeated = 4 };
#pragma pack(push, 4)
    struct StoredRow {
        const char* name;
        std::uint64_t line; ///< where its line starts in the file
        std::int64_t size;
        std::int64_t modified;
        std::uint32_t nameLength;
        std::uint32_t folder;
        std::uint8_t flags;
    };
#pragma pack(pop)

    std::uint32_t internFolder(const std::string& folder);
    const char* storeName(std::string_view name);
    void buildIndex();
    std::pair<std::size_t, std::uint64_t> slotOf(std::uint32_t folder, std::string_view name) const;

    fsys::FileHandle mFile = fsys::kNoFile;
    fsys::FileStamp mStamp; // of the file as it was loaded
    std::deque<StoredRow> mRows;             // a deque: no copy of every row as it grows
    std::deque<std::string> mFolders;        // stable, so the index may view them
    std::unordered_map<std::string_view, std::uint32_t> mFolderIndex; // by the exact text
    struct Match {
        std::string_view text; ///< folderMatchText(), viewing the folder's text or mMatchTexts
        std::uint32_t first;   ///< the first folder with this match text: the number rows are found by
    };
    std::vector<Match> mMatch;                                       // per folder
    std::unordered_map<std::string_view, std::uint32_t> mMatchIndex; // match text to first folder
    std::deque<std::string> mMatchTexts;                             // match texts that differ from their folder's
    std::vector<std::unique_ptr<char[]>> mNameBlocks; // name bytes, packed into large blocks
    std::size_t mNameBlockUsed = 0, mNameBlockSize = 0, mNameBytes = 0;
    std::vector<std::uint64_t> mSlots;       // open addressing: a hash tag and a row number each, all ones for empty
    std::uint32_t mLastFolder = UINT32_MAX;  // rows come folder by folder: the last one is checked first
};

} // namespace dirlix
