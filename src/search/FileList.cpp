// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the compact file list.
#include "search/FileList.h"
#include "search/Walker.h"

#include <charconv>
#include <cstring>

namespace dirlix {

FileList::FileList() : mSortKeyPattern(kSortKeyPattern) {}

FileList::~FileList() = default;

void FileList::clear()
{
    mChunks.clear();
    mRowCount = 0;
    mArena.clear();
    mLargeNames.clear();
    mArenaUsed = kArenaBlock;
    mArenaBytes = 0;
    mFolders.clear();
    mPatterns.clear();
    mTextRows.clear();
}

FileRow& FileList::appendRawRow()
{
    // Rows live in fixed chunks rather than one growing array: no copy of millions of rows on
    // growth, and never more than one chunk of slack.
    if ((mRowCount >> kChunkBits) == mChunks.size())
        mChunks.push_back(std::make_unique<FileRow[]>(kChunkRows));
    FileRow& row = mChunks[mRowCount >> kChunkBits][mRowCount & kChunkMask];
    ++mRowCount;
    row = FileRow{};
    return row;
}

const char* FileList::storeName(std::string_view name)
{
    if (name.size() > kArenaBlock / 4) {
        // A rare huge name gets storage of its own, so that the shared block is not wasted.
        mLargeNames.push_back(std::make_unique<char[]>(name.size()));
        std::memcpy(mLargeNames.back().get(), name.data(), name.size());
        mArenaBytes += name.size();
        return mLargeNames.back().get();
    }
    if (mArena.empty() || mArenaUsed + name.size() > kArenaBlock) { // an empty first name needs a block too
        mArena.push_back(std::make_unique<char[]>(kArenaBlock));
        mArenaBytes += kArenaBlock;
        mArenaUsed = 0;
    }
    char* stored = mArena.back().get() + mArenaUsed;
    std::memcpy(stored, name.data(), name.size());
    mArenaUsed += name.size();
    return stored;
}

std::uint16_t FileList::internPattern(std::string_view pattern)
{
    // The pattern only changes when the user edits it during a search, so the newest is the
    // likeliest match; an older one may come back when an edit is undone.
    for (std::size_t i = mPatterns.size(); i-- > 0;)
        if (mPatterns[i].text() == pattern)
            return std::uint16_t(i);
    if (mPatterns.size() == 0xFFFF)
        return 0xFFFE; // more distinct patterns than rows can name: keep the newest stored one
    mPatterns.emplace_back(pattern);
    return std::uint16_t(mPatterns.size() - 1);
}

std::uint32_t FileList::internFolder(std::string_view folder)
{
    if (mFolders.empty() || mFolders.back() != folder)
        mFolders.emplace_back(folder);
    return std::uint32_t(mFolders.size() - 1);
}

std::size_t FileList::appendBlock(const WalkBlock& block, std::string_view datePattern)
{
    const std::uint16_t pattern = internPattern(datePattern);
    const std::uint32_t folder = internFolder(block.folder);
    for (const WalkEntry& entry : block.entries) {
        const std::string_view name = block.name(entry);
        const char* stored = storeName(name);
        FileRow& row = appendRawRow();
        row.name = stored;
        row.nameLength = std::uint32_t(name.size());
        row.size = entry.properties.size;
        row.created = entry.properties.created;
        row.modified = entry.properties.modified;
        row.attributes = entry.properties.attributes;
        row.folder = folder;
        row.pattern = pattern;
    }
    return block.entries.size();
}

std::size_t FileList::appendRow(std::string_view mainText)
{
    appendRawRow();
    TextRow& text = mTextRows[mRowCount - 1];
    text.texts[0] = std::string(mainText);
    return mRowCount;
}

bool FileList::hasTextOverrides(std::size_t index) const
{
    return !mTextRows.empty() && mTextRows.count(index) != 0;
}

void FileList::setSubItem(std::size_t row, int subItem, std::string_view text)
{
    if (row < 1 || row > mRowCount || subItem < 1 || subItem > 7)
        return;
    const std::size_t index = row - 1;
    auto found = mTextRows.find(index);
    if (found == mTextRows.end()) {
        // A found file's row becomes a text row: keep what it showed so far.
        TextRow converted;
        for (int column = 1; column <= 8; ++column)
            appendText(converted.texts[column - 1], index, column);
        converted.subItems = 7;
        found = mTextRows.emplace(index, std::move(converted)).first;
    }
    found->second.texts[subItem] = std::string(text);
    found->second.subItems = std::max(found->second.subItems, subItem);
}

std::string FileList::mainText(std::size_t row) const
{
    return subItem(row, 0);
}

std::string FileList::subItem(std::size_t row, int subItem) const
{
    std::string text;
    if (row >= 1 && row <= mRowCount && subItem >= 0 && subItem <= 7)
        appendText(text, row - 1, subItem + 1);
    return text;
}

int FileList::subItemCount(std::size_t row) const
{
    if (row < 1 || row > mRowCount)
        return 0;
    if (auto found = mTextRows.find(row - 1); found != mTextRows.end())
        return found->second.subItems;
    return 7;
}

void FileList::appendText(std::string& out, std::size_t index, int column) const
{
    if (!mTextRows.empty()) {
        if (auto found = mTextRows.find(index); found != mTextRows.end()) {
            if (column >= 1 && column <= 8)
                out += found->second.texts[column - 1];
            return;
        }
    }
    const FileRow& r = row(index);
    appendColumnText(out, column, valuesOf(r), mPatterns[r.pattern], mSortKeyPattern, mLocale);
}

RowValues FileList::valuesOf(const FileRow& r) const
{
    return {r.nameView(), r.size, r.created, r.modified, r.attributes, mFolders[r.folder]};
}

void appendColumnText(std::string& out, int column, const RowValues& row, const DatePattern& datePattern,
                      const DatePattern& sortKeyPattern, const DateLocale& locale)
{
    switch (column) {
    case ColFile:
        out += row.name;
        break;
    case ColSize: {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, row.size);
        out.append(digits, result.ptr);
        break;
    }
    case ColAttrib:
        out += AttribLetters(row.attributes);
        break;
    case ColCreated:
        datePattern.appendTo(out, localFromUnix(row.created), locale);
        break;
    case ColModified:
        datePattern.appendTo(out, localFromUnix(row.modified), locale);
        break;
    case ColDirectory:
        out += row.folder;
        break;
    case ColCreatedKey:
        sortKeyPattern.appendTo(out, localFromUnix(row.created), locale);
        break;
    case ColModifiedKey:
        sortKeyPattern.appendTo(out, localFromUnix(row.modified), locale);
        break;
    default:
        break;
    }
}

void appendRowTexts(std::string& out, const RowValues& row, const DatePattern& datePattern,
                    const DatePattern& sortKeyPattern, const DateLocale& locale, char separator, char end)
{
    const DateTime created = localFromUnix(row.created);
    const DateTime modified = localFromUnix(row.modified);
    out += row.name;
    out += separator;
    appendColumnText(out, ColSize, row, datePattern, sortKeyPattern, locale);
    out += separator;
    appendColumnText(out, ColAttrib, row, datePattern, sortKeyPattern, locale);
    out += separator;
    datePattern.appendTo(out, created, locale);
    out += separator;
    datePattern.appendTo(out, modified, locale);
    out += separator;
    out += row.folder;
    out += separator;
    sortKeyPattern.appendTo(out, created, locale);
    out += separator;
    sortKeyPattern.appendTo(out, modified, locale);
    out += end;
}

std::size_t FileList::memoryUsed() const
{
    std::size_t bytes = mChunks.size() * kChunkRows * sizeof(FileRow) + mArenaBytes;
    for (const std::string& folder : mFolders)
        bytes += folder.capacity() + sizeof(std::string);
    return bytes;
}

} // namespace dirlix
