// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the compact file list.
#include "search/FileList.h"
#include "search/Walker.h"

#include <cstring>

namespace dirlix {

namespace {

/**
 * An array that only grows and never moves what it holds: fixed chunks under a directory that is
 * reserved once, so that another thread may read the elements it was shown while more are added.
 */
template <typename T, unsigned ChunkBits, std::size_t MaxChunks>
class StableArray {
public:
    StableArray() { mChunks.reserve(MaxChunks); }
    std::size_t size() const { return mSize; }
    bool full() const { return mSize == MaxChunks << ChunkBits; }
    T& push()
    {
        if ((mSize >> ChunkBits) == mChunks.size())
            mChunks.push_back(std::make_unique<T[]>(kChunk));
        const std::size_t index = mSize++;
        return mChunks[index >> ChunkBits][index & (kChunk - 1)];
    }
    const T& operator[](std::size_t i) const { return mChunks[i >> ChunkBits][i & (kChunk - 1)]; }
    T& operator[](std::size_t i) { return mChunks[i >> ChunkBits][i & (kChunk - 1)]; }
    std::size_t bytes() const { return mChunks.size() * kChunk * sizeof(T); }

private:
    static constexpr std::size_t kChunk = std::size_t(1) << ChunkBits;
    std::vector<std::unique_ptr<T[]>> mChunks;
    std::size_t mSize = 0;
};

struct StoredRow {
    const char* name;
    std::int64_t size;
    std::int64_t created;
    std::int64_t modified;
    std::uint32_t nameLength;
    std::uint32_t folder;
    std::uint16_t attributes;
    std::uint16_t pattern;
    std::uint8_t flags;
};

constexpr std::uint32_t kNoFolder = UINT32_MAX;
// The pattern number of a row of texts, which has none; no kept pattern gets it.
constexpr std::uint16_t kNoPattern = UINT16_MAX;

// A folder as its parent plus the part of its text below the parent (one name and a separator,
// or more where folders between held no files).
struct StoredFolder {
    std::uint32_t parent = kNoFolder;
    std::string part;
};

struct TextRow {
    std::array<std::string, 8> texts;
    std::uint8_t mask = 0;
    int subItems = 0;
};

using TextRows = std::map<std::size_t, TextRow>;

} // namespace

struct FileList::Store {
    static constexpr std::size_t kArenaBlock = 1 << 20;

    StableArray<StoredRow, 16, (std::size_t(1) << 16)> rows;
    StableArray<StoredFolder, 14, (std::size_t(1) << 16)> folders;
    StableArray<std::string, 8, 256> patterns;
    std::vector<std::unique_ptr<char[]>> arena;
    std::vector<std::unique_ptr<char[]>> largeNames;
    std::size_t arenaUsed = kArenaBlock;
    std::size_t arenaBytes = 0;
    TextRows textRows;

    // The folders from the root to the last one added, by the walk's own path of each, with its
    // index here: as the walk goes in pre-order, a new folder's nearest stored ancestor is on it.
    std::vector<std::pair<FolderPathPtr, std::uint32_t>> chain;

    const char* storeName(std::string_view name)
    {
        if (name.size() > kArenaBlock / 4) {
            // A rare huge name gets storage of its own, so that the shared block is not wasted.
            largeNames.push_back(std::make_unique<char[]>(name.size()));
            std::memcpy(largeNames.back().get(), name.data(), name.size());
            arenaBytes += name.size();
            return largeNames.back().get();
        }
        if (arena.empty() || arenaUsed + name.size() > kArenaBlock) {
            arena.push_back(std::make_unique<char[]>(kArenaBlock));
            arenaBytes += kArenaBlock;
            arenaUsed = 0;
        }
        char* stored = arena.back().get() + arenaUsed;
        std::memcpy(stored, name.data(), name.size());
        arenaUsed += name.size();
        return stored;
    }

    std::uint16_t internPattern(std::string_view pattern)
    {
        // The pattern only changes when the user edits it during a search, so the newest is the
        // likeliest match; an older one may come back when an edit is undone.
        for (std::size_t i = patterns.size(); i-- > 0;)
            if (patterns[i] == pattern)
                return std::uint16_t(i);
        if (patterns.size() == kNoPattern)
            return kNoPattern - 1; // more patterns than rows can name: rows get the last one kept
        patterns.push() = std::string(pattern);
        return std::uint16_t(patterns.size() - 1);
    }

    std::uint32_t internFolder(const FolderPathPtr& folder)
    {
        // Find the deepest ancestor of the folder (or itself) that is on the chain; the chain
        // holds its nodes, so none of them can be freed and a pointer match is the same folder.
        const FolderPath* found = nullptr;
        std::size_t below = 0; // text length of the folders between that ancestor and this one
        for (const FolderPath* a = folder.get(); a; a = a->parent.get()) {
            while (!chain.empty() && chain.back().first->depth > a->depth)
                chain.pop_back();
            if (!chain.empty() && chain.back().first.get() == a) {
                found = a;
                break;
            }
            below += a->part.size();
        }
        if (!found)
            chain.clear();
        if (found == folder.get())
            return chain.back().second;
        const std::uint32_t parent = chain.empty() ? kNoFolder : chain.back().second;
        StoredFolder& stored = folders.push();
        stored.parent = parent;
        stored.part.resize(below);
        for (const FolderPath* a = folder.get(); a != found; a = a->parent.get()) {
            below -= a->part.size();
            stored.part.replace(below, a->part.size(), a->part);
        }
        const auto index = std::uint32_t(folders.size() - 1);
        chain.emplace_back(folder, index);
        return index;
    }

    void folderText(std::uint32_t folder, std::string& out) const
    {
        out.clear();
        std::size_t length = 0;
        for (std::uint32_t f = folder; f != kNoFolder; f = folders[f].parent)
            length += folders[f].part.size();
        out.resize(length);
        for (std::uint32_t f = folder; f != kNoFolder; f = folders[f].parent) {
            const std::string& part = folders[f].part;
            length -= part.size();
            std::memcpy(out.data() + length, part.data(), part.size());
        }
    }

    StoredRow& appendRow()
    {
        StoredRow& row = rows.push();
        row = StoredRow{};
        row.name = "";
        return row;
    }

    Row row(std::size_t index, const TextRows& texts, std::string& folderScratch, std::uint32_t& cachedFolder) const
    {
        const StoredRow& r = rows[index];
        if (r.folder != cachedFolder) {
            if (r.folder == kNoFolder)
                folderScratch.clear();
            else
                folderText(r.folder, folderScratch);
            cachedFolder = r.folder;
        }
        Row row;
        row.name = {r.name, r.nameLength};
        row.folder = folderScratch;
        row.values = {r.size, r.created, r.modified, r.attributes, r.flags, 0};
        // A row's pattern was kept before the row was shown, so no look at the patterns' count
        // (which the window's thread may be changing) is needed.
        row.datePattern = r.pattern != kNoPattern ? std::string_view(patterns[r.pattern]) : std::string_view();
        if (!texts.empty()) {
            if (auto found = texts.find(index); found != texts.end()) {
                row.texts = found->second.texts.data();
                row.textMask = found->second.mask;
                if (r.folder == kNoFolder)
                    row.subItems = std::uint8_t(found->second.subItems);
            }
        }
        return row;
    }
};

namespace {

// A snapshot of some rows of a store, read in order on any thread.
class ListRows : public RowSource {
public:
    ListRows(std::shared_ptr<const FileList::Store> store, std::size_t count,
             std::optional<std::vector<std::uint32_t>> order)
        : mStore(std::move(store)), mCount(count), mOrder(std::move(order)), mTexts(mStore->textRows)
    {
    }
    bool next(Row& row) override
    {
        if (mNext >= *total())
            return false;
        const std::size_t index = mOrder ? (*mOrder)[mNext] : mNext;
        ++mNext;
        row = mStore->row(index, mTexts, mFolder, mCachedFolder);
        return true;
    }
    std::optional<std::uint64_t> total() const override { return mOrder ? mOrder->size() : mCount; }
    bool rewind() override
    {
        mNext = 0;
        return true;
    }

private:
    std::shared_ptr<const FileList::Store> mStore;
    std::size_t mCount;
    std::optional<std::vector<std::uint32_t>> mOrder; // the indexes to read; none: every row in turn
    TextRows mTexts; // a copy: the owner may change its own while this is read
    std::size_t mNext = 0;
    std::string mFolder;
    std::uint32_t mCachedFolder = kNoFolder - 1;
};

} // namespace

FileList::FileList() : mStore(std::make_shared<Store>()) {}

FileList::~FileList() = default;

std::size_t FileList::count() const
{
    return mStore->rows.size();
}

void FileList::clear()
{
    mStore = std::make_shared<Store>();
}

std::size_t FileList::appendBlock(const WalkBlock& block, std::string_view datePattern)
{
    Store& store = *mStore;
    const std::uint16_t pattern = store.internPattern(datePattern);
    static const FolderPathPtr noFolder = std::make_shared<FolderPath>(nullptr, std::string());
    const std::uint32_t folder = store.internFolder(block.folder ? block.folder : noFolder);
    for (const WalkEntry& entry : block.entries) {
        const std::string_view name = block.name(entry);
        StoredRow& row = store.appendRow();
        row.name = store.storeName(name);
        row.nameLength = std::uint32_t(name.size());
        row.size = entry.values.size;
        row.created = entry.values.created;
        row.modified = entry.values.modified;
        row.attributes = entry.values.attributes;
        // That the walk saw a regular file holds for the moment of the walk: whoever reads the
        // files of a kept list later looks at each again before opening it.
        row.flags = entry.values.flags & ~RecordRegularFile;
        row.folder = folder;
        row.pattern = pattern;
    }
    return block.entries.size();
}

std::size_t FileList::appendRow(std::string_view mainText)
{
    Store& store = *mStore;
    StoredRow& row = store.appendRow();
    row.name = store.storeName(mainText);
    row.nameLength = std::uint32_t(mainText.size());
    row.folder = kNoFolder;
    row.pattern = kNoPattern;
    row.flags = RecordValuesUnknown;
    TextRow& text = store.textRows[store.rows.size() - 1];
    text.texts[0] = std::string(mainText);
    text.mask = 1;
    return store.rows.size();
}

void FileList::setSubItem(std::size_t row, int subItem, std::string_view text)
{
    if (row < 1 || row > count() || subItem < 1 || subItem > 7)
        return;
    TextRow& texts = mStore->textRows[row - 1];
    texts.texts[std::size_t(subItem)] = std::string(text);
    texts.mask |= std::uint8_t(1u << subItem);
    texts.subItems = std::max(texts.subItems, subItem);
}

int FileList::subItemCount(std::size_t row) const
{
    if (row < 1 || row > count())
        return 0;
    const StoredRow& stored = mStore->rows[row - 1];
    if (auto found = mStore->textRows.find(row - 1); found != mStore->textRows.end() && stored.folder == kNoFolder)
        return found->second.subItems;
    return 7;
}

Row FileList::row(std::size_t index, std::string& folderScratch) const
{
    std::uint32_t cached = kNoFolder - 1;
    return mStore->row(index, mStore->textRows, folderScratch, cached);
}

std::unique_ptr<RowSource> FileList::rows(std::size_t rows) const
{
    return std::make_unique<ListRows>(mStore, std::min(rows, count()), std::nullopt);
}

std::unique_ptr<RowSource> FileList::rows(std::vector<std::uint32_t> order) const
{
    return std::make_unique<ListRows>(mStore, count(), std::move(order));
}

std::size_t FileList::memoryUsed() const
{
    const Store& store = *mStore;
    std::size_t bytes = store.rows.bytes() + store.folders.bytes() + store.arenaBytes;
    for (std::size_t i = 0; i < store.folders.size(); ++i)
        bytes += store.folders[i].part.capacity();
    return bytes;
}

} // namespace dirlix
