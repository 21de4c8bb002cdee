// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: finding files in a catalog: the name matcher and the rows found, read as a row source.
#pragma once

#include "catalog/Catalog.h"
#include "search/FilterRules.h"
#include "search/NameMask.h"
#include "search/RowSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace dirlix::catalog {

/**
 * What --find matches a name with: a text holding `*` or `?` is a list of masks as the filters
 * read them (whole names, `;` between masks); any other text matches as a part of the name. Both
 * ignore case (Unicode simple folding; only ASCII letters in names that are not valid UTF-8)
 * unless told not to. An empty text matches every name.
 */
class NameFinder {
public:
    /** Prepares @p text. Returns false with the reason in @p error for a malformed mask. */
    bool prepare(const std::string& text, bool caseSensitive, std::string& error);
    bool matches(std::string_view name);
    /** True when the text is matched as masks, false for a part of the name. */
    bool isMask() const { return mIsMask; }

private:
    bool mIsMask = false;
    bool mCaseSensitive = false;
    bool mAsciiNeedle = true;
    std::string mNeedle;         ///< the part as given; ASCII letters lowered when case is ignored
    std::u32string mNeedleChars; ///< decoded and folded, for names that are valid UTF-8
    std::u32string mNeedleBytes; ///< its bytes, ASCII folded, for names that are not
    bool mNeedleUnicode = true;  ///< false: the part is not valid UTF-8 and only matches such names
    MaskList mMasks;
    MaskSubject mSubject;
};

/** What a search of the catalog looks for. */
struct FindQuery {
    std::string mask;          ///< --find's text; see NameFinder
    bool allScans = false;     ///< every scan, not only each volume's latest
    FilterRules filter;        ///< the filters; masks, sizes, dates and excluded folders apply
    std::int64_t now = 0;      ///< the moment ages in the filter count back from
    std::string datePattern;   ///< of the rows' date texts
    std::string volume;        ///< only this volume's scans; empty: every volume
};

/**
 * The files of a catalog that a query finds, scan by scan (volumes by label, scans oldest first),
 * each scan's files in the order they were added. The volume label and scan of the row last
 * handed out are volume() and scanNumber(). Reads in one read transaction, so a scan added
 * meanwhile is either wholly there or not at all.
 */
class CatalogRows : public RowSource {
public:
    /** Reads from @p catalog, which must outlive this. */
    CatalogRows(Catalog& catalog, FindQuery query);
    ~CatalogRows() override;

    /** Compiles the query and picks the scans. Returns false with the reason in @p error. */
    bool prepare(std::string& error);
    bool next(Row& row) override;

    /** The label of the volume of the last row. */
    const std::string& volume() const { return mVolume; }
    std::int64_t scanNumber() const { return mScanNumber; }
    /** The start folder of the last row's scan. */
    const std::string& scanRoot() const { return mRoot; }
    /** Why reading stopped early; empty when it ran to the end. */
    const std::string& error() const { return mError; }
    /** Stops the reading between two rows once @p stop becomes true. */
    void setStop(const std::atomic<bool>* stop) { mStop = stop; }

private:
    struct Scan {
        std::int64_t id, number, firstFile, lastFile;
        std::string label, root;
    };
    bool openScan();
    bool folderKept(std::int64_t folder);

    Catalog& mCatalog;
    FindQuery mQuery;
    NameFinder mFinder;
    std::shared_ptr<const WalkFilter> mFilter;
    WalkFilter::Scratch mFilterScratch;
    std::vector<Scan> mScans;
    std::size_t mNextScan = 0;
    sqlite3_stmt* mFiles = nullptr;
    bool mInTransaction = false;
    std::vector<std::string> mFolders;  ///< of the current scan, by number
    std::vector<std::int8_t> mFolderKept; ///< -1 unknown, 0 left out, 1 kept
    std::string mVolume, mRoot, mError;
    std::int64_t mScanNumber = 0;
    const std::atomic<bool>* mStop = nullptr;
};

} // namespace dirlix::catalog
