// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: folder totals: the listed files and their sizes per folder, and per folder with all below it.
#pragma once

#include "output/DelimitedExport.h"
#include "output/Exporter.h"
#include "output/TextFormats.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dirlix {

/**
 * A sum of file sizes in 128 bits: one file may hold up to 8 EiB, so two of them already pass what
 * 64 bits hold, and a total must never wrap to a small number.
 */
struct ByteTotal {
    std::uint64_t high = 0, low = 0;

    ByteTotal& operator+=(std::uint64_t bytes)
    {
        low += bytes;
        high += low < bytes; // the carry
        return *this;
    }
    ByteTotal& operator+=(const ByteTotal& other)
    {
        *this += other.low;
        high += other.high;
        return *this;
    }
    friend bool operator==(const ByteTotal&, const ByteTotal&) = default;
    /** Appends the sum in decimal digits. */
    void appendDigits(std::string& out) const;
    /** The sum in decimal digits. */
    std::string text() const;
    /** The sum as a floating-point number, for a spreadsheet cell. */
    double approximate() const { return double(high) * 18446744073709551616.0 + double(low); }
};

/** One folder's figures. */
struct FolderTotal {
    std::string_view folder;    ///< its path text, ending in the separator, as the Directory column shows it
    std::uint64_t files = 0;    ///< listed files directly in it
    ByteTotal size;             ///< their sizes added up (a file whose size could not be read adds 0)
    std::uint64_t allFiles = 0; ///< listed files in it and in every folder below it
    ByteTotal allSize;          ///< their sizes added up
};

/**
 * Adds up the rows of a list per folder. Every row counts where it is listed (a hard-linked file
 * once per row). The folders are known by their path texts: a folder is made of its parent's
 * path plus one part ending in the separator, and one folder is kept per part, not per path, so
 * memory grows with the number of folders holding or above a listed file, never with the rows.
 *
 * Rows may come in any order; rows in walk order give the folders in walk order.
 */
class FolderTotals {
public:
    /**
     * Totals of folders at and below @p startFolder (the walk's start folder text, ending in the
     * separator), which is the first folder. With an empty @p startFolder the first folder is the
     * deepest one that holds every listed file; rows outside @p startFolder make their own trees.
     */
    explicit FolderTotals(std::string startFolder = {});

    /** Counts one listed file of @p folder (a path text ending in the separator) with @p size bytes. */
    void add(std::string_view folder, std::uint64_t size);

    /**
     * Calls @p visit for every folder that holds a listed file or has one below it, a folder before
     * the folders below it, folders of one parent in the order their first row came. The view in
     * the total is valid during the call only.
     */
    void forEach(const std::function<void(const FolderTotal&)>& visit) const;

    /** The folders known so far. */
    std::size_t folderCount() const { return mNodes.size(); }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    struct Node {
        std::uint32_t parent = kNone, firstChild = kNone, lastChild = kNone, nextSibling = kNone;
        std::uint32_t partOffset = 0, partLength = 0; // in mParts
        std::uint64_t files = 0;
        ByteTotal size;
    };
    std::uint32_t child(std::uint32_t parent, std::string_view part);

    std::string mStart;
    std::vector<Node> mNodes;
    std::string mParts;
    std::unordered_map<std::string, std::uint32_t> mIndex;  // parent number and part -> node
    std::uint32_t mFirstTop = kNone, mLastTop = kNone;       // the trees, in their order
    std::uint32_t mStartNode = kNone;
    // The folder of the last row and the nodes of its path, with where each one's text ends.
    std::string mLastFolder;
    std::vector<std::pair<std::uint32_t, std::size_t>> mChain;
};

/**
 * Folder totals as an exporter: it reads every row, then writes one record per folder with the
 * columns Directory, Files, Size, AllFiles and AllSize in the chosen text format. CSV and TSV
 * start with a header of those captions (unless left out); JSON Lines gives objects with the keys
 * folder, files, size, all_files, all_size, and folder_b64 as file rows do; the columns form is
 * the five texts separated by tabs. Progress counts the rows read; the result's rows are the
 * records written. Every folder's line comes before those of the folders below it, so nothing is
 * written before the last row was read; memory grows with the folders, not the rows.
 */
class FolderTotalsExporter : public Exporter {
public:
    /**
     * Totals in @p format of the folders at and below @p startFolder (see FolderTotals); in CSV a
     * folder that would start a formula is quoted unless @p formulas says to keep it.
     */
    explicit FolderTotalsExporter(TextFormat format, std::string startFolder = {}, bool header = true,
                                  CsvFormulas formulas = CsvFormulas::Quote)
        : mFormat(format), mStart(std::move(startFolder)), mHeader(header), mFormulas(formulas)
    {
    }

    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

private:
    TextFormat mFormat;
    std::string mStart;
    bool mHeader;
    CsvFormulas mFormulas;
};

} // namespace dirlix
