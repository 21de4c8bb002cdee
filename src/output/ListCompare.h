// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: what changed between a saved list and the rows found now.
#pragma once

#include "output/ColumnTexts.h"
#include "output/SavedList.h"
#include "search/Walker.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace dirlix {

/** How a row differs from the saved list. */
enum class RowChange : std::uint8_t {
    None,    ///< in both, with the same size and modified time
    Added,   ///< found now, not in the saved list
    Removed, ///< in the saved list, not found now
    Changed, ///< in both, with another size or modified time
    Renamed, ///< found now at a new path, with the size and checksum of a saved file whose path is gone (ContentChanges)
    Corrupt, ///< in both, with the same size and modified time but another checksum (ContentChanges)
};

/** "added", "removed", "changed", "renamed" or "corrupt"; empty for None. */
std::string_view changeKey(RowChange change);

/**
 * Compares rows found now, one at a time and in any order, with a saved list, by their full path
 * as bytes, folders matched as folderMatchText() says ("./tree//" is "tree/"). A value counts only
 * when both sides know it: a file whose size could not be read now is not called changed for
 * that. Rows of the saved list that no row matched are the removed ones, unless they lie at or
 * below a folder that could not be read now, or (with a scope) the walk could not have found them
 * or they are still there. Used by one thread at a time.
 */
class ListCompare {
public:
    /** Compares with @p saved, which must outlive this. */
    explicit ListCompare(const SavedList& saved);

    /**
     * The change of @p row: Added, Changed or None. @p savedRow receives the saved row of the same
     * path, or SavedList::npos for an added row.
     */
    RowChange compare(const Row& row, std::size_t& savedRow);

    /** Keeps the saved rows at and below @p folderText (ending in the separator) from being removed. */
    void folderUnreadable(std::string folderText);

    /**
     * Says that the rows compared are those of a walk of @p startFolder (its folder text, ending
     * in the separator) with @p filter (null: the plain rule), made now. Then a removed row is one
     * the walk would have listed and that is gone: saved rows outside that folder, in folders the
     * filter does not enter, or that the filter leaves out by their saved values were not looked
     * for, and a saved file still there (one the filter now leaves out, after a change of size or
     * time) was not removed. Without a scope every saved row that no row matched counts.
     */
    void setScope(std::string startFolder, std::shared_ptr<const WalkFilter> filter);

    /**
     * Whether some saved row lies at or below the scope's start folder; true without a scope or
     * without saved rows. False means the folder was given in another way than when the list was
     * made (an absolute path for a relative one): every file is then added, and none removed.
     */
    bool savedRowsInScope() const;

    /**
     * Calls @p removed with each saved row that no row matched, in the list's order, leaving out
     * rows under unreadable folders, rows the scope rules out and repeated paths. Stops when
     * @p removed returns false.
     */
    void forEachRemoved(const std::function<bool(std::size_t savedRow)>& removed) const;

private:
    bool underUnreadable(std::uint32_t folder) const;
    bool outOfScope(std::uint32_t folder) const;
    bool filteredOut(std::size_t row) const;
    bool stillThere(std::size_t row) const;

    const SavedList& mSaved;
    std::vector<bool> mSeen;
    std::string mFolder;                    // the folder of the last row compared
    std::uint32_t mFolderNumber = UINT32_MAX;
    bool mHaveFolder = false;
    std::unordered_set<std::string> mUnreadable; // folderMatchText() of each
    bool mScoped = false;
    std::string mStartFolder;               // folderMatchText() of the start folder
    std::shared_ptr<const WalkFilter> mFilter;
    mutable WalkFilter::Scratch mFilterScratch; // mFilter's, for the one thread comparing
};

/**
 * Appends the line of a difference: "A", "M", "D" or "C" (corrupt), a tab, the path's bytes and a
 * line feed. A renamed file has a line of two paths: ContentChanges' appendRenamedLine().
 */
void appendChangeLine(std::string& out, RowChange change, std::string_view folder, std::string_view name);

/**
 * Appends the JSON object of an added or changed @p row: "change" first, then the keys of
 * appendJsonLine(); for a changed row also old_size and old_modified, the values of @p savedRow in
 * @p saved (null where it had none).
 */
void appendChangeJson(std::string& out, RowChange change, const Row& row, RowTexts& texts, const SavedList& saved,
                      std::size_t savedRow);

/** Appends the JSON object of a removed row from its saved values @p saved: "change":"removed" first. */
void appendRemovedJson(std::string& out, const JsonLineRow& saved);

} // namespace dirlix
