// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the saved list: reading it, and its index by path.
#include "output/SavedList.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

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

std::string folderMatchText(std::string_view folder)
{
    constexpr char separator = fsys::kSeparator;
    // Where the system takes more than one separator ("/" as well as "\\" on Windows), a folder the
    // user typed with either one is the folder the walk writes with its own.
    const std::string_view separators = fsys::kSeparators;
    const auto isSeparator = [separators](char c) { return separators.find(c) != std::string_view::npos; };
    std::string match;
    if (folder.empty())
        return match;
    match.reserve(folder.size() + 2);
    // A relative folder is matched as "./" and its components, so that "tree/" is "./tree/" and
    // lies below "./"; an absolute one keeps its root ("//" as it is: a network share's).
    std::size_t at = 0;
    if (!isSeparator(folder[0]))
        (match += '.') += separator;
    else if (folder.size() >= 3 && isSeparator(folder[1]) && !isSeparator(folder[2]))
        match.append(2, separator), at = 2;
    else
        match += separator;
    while (at < folder.size()) {
        std::size_t end = folder.find_first_of(separators, at);
        if (end == std::string_view::npos)
            end = folder.size();
        const std::string_view part = folder.substr(at, end - at);
        if (!part.empty() && part != ".")
            (match += part) += separator;
        at = end + 1;
    }
    return match;
}

namespace {
// Whether folderMatchText() gives @p folder itself, told without making it: most folders are plain.
bool plainFolder(std::string_view folder)
{
    constexpr char separator = fsys::kSeparator;
    const char doubled[] = {separator, separator, 0}, dot[] = {separator, '.', separator, 0};
    if (folder.empty())
        return true;
    if (folder.back() != separator)
        return false;
    for (const char other : std::string_view(fsys::kSeparators))
        if (other != separator && folder.find(other) != std::string_view::npos)
            return false; // the match text writes it as the system's own
    std::size_t from = 0;
    if (folder[0] == separator)
        from = folder.size() >= 3 && folder[1] == separator && folder[2] != separator; // a leading pair stays
    else if (folder.size() >= 2 && folder[0] == '.' && folder[1] == separator)
        from = 1;
    else
        return false;
    return folder.find(doubled, from) == std::string_view::npos && folder.find(dot, from) == std::string_view::npos;
}
} // namespace

SavedList::SavedList() = default;

SavedList::~SavedList()
{
    fsys::closeFile(mFile);
}

namespace {

// Opens @p path as a list, or says why not ("cannot be read: reason", "is a FIFO, not a regular file").
bool openList(const std::string& path, fsys::FileHandle& file, fsys::FileStamp& stamp, std::string& error)
{
    fsys::FileKind kind = fsys::FileKind::Regular;
    const int failed = fsys::openRegularFile(path, file, kind, stamp);
    if (failed == 0)
        return true;
    if (kind != fsys::FileKind::Regular)
        error = std::string("is ") + fsys::fileKindText(kind) + ", not a regular file: only a regular file is read as a list";
    else
        error = std::string("cannot be read: ") + std::strerror(failed);
    return false;
}

// The lines of the open list @p file; see readJsonLinesFile(). The buffer holds at most one line
// of kMaxListLine bytes and one chunk after it: a longer line is refused as soon as it is seen.
bool readLines(fsys::FileHandle file, const std::function<bool(std::uint64_t, std::uint64_t, JsonLineRow&)>& take,
               std::string& error, const std::atomic<bool>* stop)
{
    error.clear();
    std::unique_ptr<char[]> storage(new char[kMaxListLine + 1 + kReadChunk]);
    char* const buffer = storage.get();
    std::size_t filled = 0;   // bytes in the buffer
    std::size_t taken = 0;    // of them, those taken as lines
    std::size_t searched = 0; // of them, those known to hold no line feed after taken
    std::uint64_t lineStart = 0, lineNumber = 0;
    JsonLineRow row;
    JsonLineReader reader;
    std::string reason;
    bool atEnd = false;
    const auto stopped = [&] { return stop && stop->load(std::memory_order_relaxed); };
    while (!atEnd) {
        if (stopped())
            return false;
        std::memmove(buffer, buffer + taken, filled - taken);
        filled -= taken;
        searched -= taken;
        taken = 0;
        if (filled > kMaxListLine) {
            error = "line " + std::to_string(lineNumber + 1) + ": longer than " + std::to_string(kMaxListLine) +
                    " bytes, the most a row may take";
            return false;
        }
        std::size_t got = 0;
        if (const int failed = fsys::readFile(file, buffer + filled, kReadChunk, got)) {
            error = std::string("cannot be read: ") + std::strerror(failed);
            return false;
        }
        filled += got;
        atEnd = got == 0;
        for (;;) {
            const char* begin = buffer + taken;
            const char* end = static_cast<const char*>(std::memchr(buffer + searched, '\n', filled - searched));
            // The last line may lack its line feed; a partial line otherwise waits for more bytes.
            if (!end && !(atEnd && taken < filled)) {
                searched = filled;
                break;
            }
            const std::size_t length = end ? std::size_t(end - begin) : filled - taken;
            ++lineNumber;
            if (length > kMaxListLine) {
                error = "line " + std::to_string(lineNumber) + ": longer than " + std::to_string(kMaxListLine) +
                        " bytes, the most a row may take";
                return false;
            }
            if (!reader.read({begin, length}, row, reason)) {
                error = "line " + std::to_string(lineNumber) + ": " + reason;
                return false;
            }
            // Looked at every few thousand rows: a load per row would cost more than the row.
            if (((lineNumber & 4095) == 0 && stopped()) || !take(lineNumber, lineStart, row))
                return false;
            lineStart += length + (end ? 1 : 0);
            taken += length + (end ? 1 : 0);
            searched = taken;
        }
    }
    return true;
}

} // namespace

bool readJsonLinesFile(const std::string& path,
                       const std::function<bool(std::uint64_t, std::uint64_t, JsonLineRow&)>& take,
                       std::string& error, const std::atomic<bool>* stop)
{
    error.clear();
    fsys::FileHandle file = fsys::kNoFile;
    fsys::FileStamp stamp;
    if (!openList(path, file, stamp, error))
        return false;
    const bool read = readLines(file, take, error, stop);
    fsys::closeFile(file);
    return read;
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
    error.clear();
    if (!openList(path, mFile, mStamp, error))
        return false;
    const bool read = readLines(
        mFile,
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
        error, stop);
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
    // Rows are found under the first folder spelled as this one is matched.
    std::string_view match = mFolders.back();
    if (!plainFolder(match))
        match = mMatchTexts.emplace_back(folderMatchText(match));
    const auto first = mMatchIndex.emplace(match, mLastFolder).first->second;
    mMatch.push_back({match, first});
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
        const auto [slot, tag] = slotOf(mMatch[mRows[row].folder].first, name(row));
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
        if (mMatch[mRows[row].folder].first == folder && this->name(row) == name)
            return {slot, tag};
    }
}

std::uint32_t SavedList::folderNumberOf(std::string_view folder) const
{
    if (!plainFolder(folder)) {
        const auto found = mMatchIndex.find(folderMatchText(folder));
        return found == mMatchIndex.end() ? kEmpty : found->second;
    }
    const auto found = mMatchIndex.find(folder);
    return found == mMatchIndex.end() ? kEmpty : found->second;
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
    JsonLineReader reader;
    return readRow(row, into, error, reader);
}

bool SavedList::readRow(std::size_t row, JsonLineRow& into, std::string& error, JsonLineReader& reader) const
{
    // Through the file loaded, so that a list put in its place since is not read; one written in
    // place shows in its stamp, and a row moved within it in the path its line now holds.
    fsys::FileStamp now;
    if (const int failed = fsys::fileStamp(mFile, now)) {
        error = std::string("cannot be read again: ") + std::strerror(failed);
        return false;
    }
    const std::string changed = "the list was written to while it was compared; compare again";
    if (now != mStamp) {
        error = changed;
        return false;
    }
    std::string& line = reader.lineBuffer();
    line.clear();
    char chunk[4096];
    for (std::uint64_t at = mRows[row].line;;) {
        std::size_t got = 0;
        if (const int failed = fsys::readFileAt(mFile, at, chunk, sizeof chunk, got)) {
            error = std::string("cannot be read again: ") + std::strerror(failed);
            return false;
        }
        const char* end = static_cast<const char*>(std::memchr(chunk, '\n', got));
        line.append(chunk, end ? std::size_t(end - chunk) : got);
        if (end || got == 0 || line.size() > kMaxListLine)
            break;
        at += got;
    }
    if (!reader.read(line, into, error) || into.name != name(row) || into.folder != folder(row)) {
        error = changed;
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
           mNameBlocks.size() * kNameBlock + folders + mFolderIndex.size() * 48 + mMatch.size() * sizeof(Match) +
           mMatchIndex.size() * 48;
}

} // namespace dirlix
