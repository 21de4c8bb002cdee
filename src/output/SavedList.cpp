// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the saved list: reading it, and its index by path.
#include "output/SavedList.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>

namespace dirlix {

namespace {
constexpr std::size_t kReadChunk = std::size_t(1) << 20;
constexpr std::size_t kNameBlock = std::size_t(1) << 20;
constexpr std::uint32_t kEmpty = UINT32_MAX;
// An empty slot of the index; no row's slot is this, as no row number reaches UINT32_MAX.
constexpr std::uint64_t kEmptySlot = UINT64_MAX;

std::size_t hashOf(std::uint32_t folder, std::string_view name)
{
    return std::hash<std::string_view>()(name) ^ (std::size_t(folder) * 0x9E3779B97F4A7C15ull);
}
} // namespace

SavedList::SavedList() = default;

SavedList::~SavedList()
{
    if (mFile)
        std::fclose(mFile);
}

bool readJsonLinesFile(const std::string& path,
                       const std::function<bool(std::uint64_t, std::uint64_t, JsonLineRow&)>& take,
                       std::string& error, const std::atomic<bool>* stop, std::FILE** opened)
{
    error.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    const auto done = [&](bool ok) {
        if (opened)
            *opened = file;
        else
            std::fclose(file);
        return ok;
    };
    std::string buffer; // the bytes read but not yet taken as lines
    std::size_t taken = 0;
    std::uint64_t lineStart = 0, lineNumber = 0;
    JsonLineRow row;
    std::string reason;
    bool atEnd = false;
    while (!atEnd) {
        buffer.erase(0, taken);
        taken = 0;
        const std::size_t had = buffer.size();
        buffer.resize(had + kReadChunk);
        const std::size_t got = std::fread(buffer.data() + had, 1, kReadChunk, file);
        buffer.resize(had + got);
        if (got < kReadChunk) {
            if (std::ferror(file)) {
                error = std::string("cannot be read: ") + std::strerror(errno);
                return done(false);
            }
            atEnd = true;
        }
        for (;;) {
            const char* begin = buffer.data() + taken;
            const char* end = static_cast<const char*>(std::memchr(begin, '\n', buffer.size() - taken));
            // The last line may lack its line feed; a partial line otherwise waits for more bytes.
            if (!end && !(atEnd && taken < buffer.size()))
                break;
            const std::size_t length = end ? std::size_t(end - begin) : buffer.size() - taken;
            ++lineNumber;
            if (!readJsonLine({begin, length}, row, reason)) {
                error = "line " + std::to_string(lineNumber) + ": " + reason;
                return done(false);
            }
            if ((stop && stop->load(std::memory_order_relaxed)) || !take(lineNumber, lineStart, row))
                return done(false);
            lineStart += length + (end ? 1 : 0);
            taken += length + (end ? 1 : 0);
        }
    }
    return done(true);
}

FileRecord savedRecord(const JsonLineRow& row)
{
    FileRecord record;
    if (!row.size || !row.modified) {
        record.flags = RecordValuesUnknown;
    } else {
        record.size = *row.size;
        record.modified = *row.modified;
        record.created = row.created.value_or(*row.modified);
    }
    if (const std::string* letters = row.text("attrib")) {
        static constexpr std::pair<char, FileAttribute> kLetters[] = {
            {'A', AttrArchive}, {'C', AttrCompressed}, {'D', AttrDirectory}, {'H', AttrHidden},
            {'R', AttrReadOnly}, {'S', AttrSystem},     {'V', AttrVolume}};
        for (const char letter : *letters)
            for (const auto& [known, bit] : kLetters)
                if (letter == known)
                    record.attributes |= bit;
    }
    return record;
}

bool SavedList::load(const std::string& path, std::string& error, const std::atomic<bool>* stop)
{
    const bool read = readJsonLinesFile(
        path,
        [&](std::uint64_t line, std::uint64_t offset, JsonLineRow& row) {
            if (mRows.size() >= kEmpty - 1) {
                error = "line " + std::to_string(line) + ": more rows than a list can hold";
                return false;
            }
            StoredRow& stored = mRows.emplace_back();
            stored.line = offset;
            stored.folder = internFolder(row.folder);
            stored.name = storeName(row.name);
            stored.nameLength = std::uint32_t(row.name.size());
            stored.size = row.size.value_or(0);
            stored.modified = row.modified.value_or(0);
            stored.flags = std::uint8_t((row.size ? KnownSize : 0) | (row.modified ? KnownModified : 0));
            return true;
        },
        error, stop, &mFile);
    if (!read || !error.empty()) {
        mRows.clear();
        return false;
    }
    buildIndex();
    return true;
}

std::uint32_t SavedList::internFolder(const std::string& folder)
{
    if (mLastFolder != kEmpty && mFolders[mLastFolder] == folder)
        return mLastFolder;
    const auto found = mFolderIndex.find(folder);
    if (found != mFolderIndex.end())
        return mLastFolder = found->second;
    mFolders.push_back(folder);
    mLastFolder = std::uint32_t(mFolders.size() - 1);
    mFolderIndex.emplace(mFolders.back(), mLastFolder);
    return mLastFolder;
}

const char* SavedList::storeName(std::string_view name)
{
    mNameBytes += name.size();
    if (name.size() > mNameBlockSize - mNameBlockUsed) {
        mNameBlockSize = std::max(kNameBlock, name.size());
        mNameBlocks.push_back(std::make_unique<char[]>(mNameBlockSize));
        mNameBlockUsed = 0;
    }
    char* at = mNameBlocks.back().get() + mNameBlockUsed;
    std::memcpy(at, name.data(), name.size());
    mNameBlockUsed += name.size();
    return at;
}

void SavedList::buildIndex()
{
    // At most half full, so that a probe ends after a step or two.
    mSlots.assign(std::bit_ceil(std::max<std::size_t>(16, mRows.size() * 2)), kEmptySlot);
    for (std::size_t row = 0; row < mRows.size(); ++row) {
        const auto [slot, tag] = slotOf(mRows[row].folder, name(row));
        if (mSlots[slot] == kEmptySlot)
            mSlots[slot] = tag | row;
        else
            mRows[row].flags |= Repeated;
    }
}

// The slot that holds the row of @p folder and @p name, or the empty slot where it would go, and
// the tag its slot carries. A slot holds a row number and the upper half of its hash, so that a
// probe looks at a row only when that half matches.
std::pair<std::size_t, std::uint64_t> SavedList::slotOf(std::uint32_t folder, std::string_view name) const
{
    const std::uint64_t hash = hashOf(folder, name);
    const std::uint64_t tag = hash & ~std::uint64_t(UINT32_MAX);
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = mSlots[slot];
        if (entry == kEmptySlot)
            return {slot, tag};
        if ((entry & ~std::uint64_t(UINT32_MAX)) != tag)
            continue;
        const std::uint32_t row = std::uint32_t(entry);
        if (mRows[row].folder == folder && this->name(row) == name)
            return {slot, tag};
    }
}

std::uint32_t SavedList::folderNumberOf(std::string_view folder) const
{
    const auto found = mFolderIndex.find(folder);
    return found == mFolderIndex.end() ? kEmpty : found->second;
}

std::size_t SavedList::find(std::uint32_t folder, std::string_view name) const
{
    if (folder == kEmpty || mSlots.empty())
        return npos;
    const std::uint64_t entry = mSlots[slotOf(folder, name).first];
    return entry == kEmptySlot ? npos : std::uint32_t(entry);
}

bool SavedList::readRow(std::size_t row, JsonLineRow& into, std::string& error) const
{
    std::string line;
    if (std::fseek(mFile, long(mRows[row].line), SEEK_SET) != 0) {
        error = std::strerror(errno);
        return false;
    }
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, mFile)) {
        line += chunk;
        if (!line.empty() && line.back() == '\n')
            break;
    }
    if (!readJsonLine(line, into, error)) {
        error = "the list changed while it was read: " + error;
        return false;
    }
    return true;
}

std::size_t SavedList::memoryUsed() const
{
    std::size_t folders = 0;
    for (const std::string& folder : mFolders)
        folders += sizeof folder + (folder.capacity() > 15 ? folder.capacity() + 1 : 0);
    return mRows.size() * sizeof(StoredRow) + mSlots.capacity() * sizeof(std::uint64_t) +
           mNameBlocks.size() * kNameBlock + folders + mFolderIndex.size() * 48;
}

} // namespace dirlix
