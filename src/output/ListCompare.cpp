// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison with a saved list, and the lines and objects of its differences.
#include "output/ListCompare.h"
#include "platform/FileSystem.h"

#include "platform/PlainFile.h"

#include <charconv>

namespace dirlix {

std::string_view changeKey(RowChange change)
{
    switch (change) {
    case RowChange::Added: return "added";
    case RowChange::Removed: return "removed";
    case RowChange::Changed: return "changed";
    case RowChange::Renamed: return "renamed";
    case RowChange::Corrupt: return "corrupt";
    case RowChange::None: break;
    }
    return {};
}

ListCompare::ListCompare(const SavedList& saved) : mSaved(saved), mSeen(saved.count(), false) {}

RowChange ListCompare::compare(const Row& row, std::size_t& savedRow)
{
    // Rows come folder by folder, so the folder is looked up once per folder.
    if (!mHaveFolder || mFolder != row.folder) {
        mHaveFolder = true;
        mFolder = row.folder;
        mFolderNumber = mSaved.folderNumberOf(row.folder);
    }
    savedRow = mSaved.find(mFolderNumber, row.name);
    if (savedRow == SavedList::npos)
        return RowChange::Added;
    mSeen[savedRow] = true;
    if (!row.values.valuesKnown())
        return RowChange::None;
    const bool sizeDiffers = mSaved.sizeKnown(savedRow) && mSaved.size(savedRow) != row.values.size;
    const bool timeDiffers = mSaved.modifiedKnown(savedRow) && mSaved.modified(savedRow) != row.values.modified;
    return sizeDiffers || timeDiffers ? RowChange::Changed : RowChange::None;
}

void ListCompare::folderUnreadable(std::string folderText)
{
    mUnreadable.insert(folderMatchText(folderText));
}

bool ListCompare::underUnreadable(std::uint32_t folder) const
{
    const std::string_view text = mSaved.folderMatch(folder);
    for (std::size_t cut = text.find(fsys::kSeparator); cut != std::string_view::npos;
         cut = text.find(fsys::kSeparator, cut + 1))
        if (mUnreadable.contains(std::string(text.substr(0, cut + 1))))
            return true;
    return false;
}

void ListCompare::setScope(std::string startFolder, std::shared_ptr<const WalkFilter> filter)
{
    static const auto plainRule = std::make_shared<const WalkFilter>();
    mScoped = true;
    mStartFolder = folderMatchText(startFolder);
    mFilter = filter ? std::move(filter) : plainRule;
}

bool ListCompare::savedRowsInScope() const
{
    if (!mScoped || mSaved.count() == 0)
        return true;
    for (std::uint32_t folder = 0; folder < mSaved.folderCount(); ++folder)
        if (mSaved.folderMatch(folder).starts_with(mStartFolder))
            return true;
    return false;
}

bool ListCompare::outOfScope(std::uint32_t folder) const
{
    const std::string_view text = mSaved.folderMatch(folder);
    if (!text.starts_with(mStartFolder))
        return true;
    // Each folder below the start folder must be one the walk enters.
    for (std::size_t from = mStartFolder.size(), end; (end = text.find(fsys::kSeparator, from)) != std::string_view::npos; from = end + 1)
        if (!mFilter->entersFolder(text.substr(from, end - from), mFilterScratch))
            return true;
    return false;
}

bool ListCompare::filteredOut(std::size_t row) const
{
    const std::string_view name = mSaved.name(row);
    if (!mFilter->keepsName(name, mFilterScratch))
        return true;
    if (!mFilter->needsValues())
        return false;
    FileRecord values;
    values.size = mSaved.size(row);
    values.modified = values.created = mSaved.modified(row);
    if (!mSaved.sizeKnown(row) || !mSaved.modifiedKnown(row))
        values.flags = RecordValuesUnknown;
    return !mFilter->keepsFile(name, values);
}

// A saved file the walk did not list may still be there: the filter may leave it out now (it
// shrank, or was touched), or it came back while the walk went past. Asked only of rows that would
// otherwise be removed, and only when the rows compared come from a walk made now.
bool ListCompare::stillThere(std::size_t row) const
{
    std::string path(mSaved.folder(row));
    path += mSaved.name(row);
    bool isFile = false;
    return fsys::entryIsFile(path, isFile) == 0 && isFile;
}

void ListCompare::forEachRemoved(const std::function<bool(std::size_t)>& removed) const
{
    // Whether the walk could not see each folder (unreadable, or out of its scope): 0 not known
    // yet, 1 seen, 2 not seen.
    std::vector<std::uint8_t> hidden(mUnreadable.empty() && !mScoped ? 0 : mSaved.folderCount(), 0);
    for (std::size_t row = 0; row < mSaved.count(); ++row) {
        if (mSeen[row] || mSaved.repeated(row))
            continue;
        if (!hidden.empty()) {
            const std::uint32_t number = mSaved.folderNumber(row);
            std::uint8_t& folder = hidden[number];
            if (folder == 0)
                folder = underUnreadable(number) || (mScoped && outOfScope(number)) ? 2 : 1;
            if (folder == 2 || (mScoped && (filteredOut(row) || stillThere(row))))
                continue;
        }
        if (!removed(row))
            return;
    }
}

void appendChangeLine(std::string& out, RowChange change, std::string_view folder, std::string_view name)
{
    out += change == RowChange::Added     ? 'A'
           : change == RowChange::Removed ? 'D'
           : change == RowChange::Corrupt ? 'C'
                                          : 'M';
    out += '\t';
    out += folder;
    out += name;
    out += '\n';
}

namespace {
void appendNumber(std::string& out, std::int64_t value)
{
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}
} // namespace

void appendChangeJson(std::string& out, RowChange change, const Row& row, RowTexts& texts, const SavedList& saved,
                      std::size_t savedRow)
{
    const JsonTextMember leading[] = {{"change", changeKey(change)}};
    appendJsonLine(out, row, texts, leading);
    if (change != RowChange::Changed)
        return;
    out.resize(out.size() - 2); // reopen the object: "}\n"
    out += ",\"old_size\":";
    if (saved.sizeKnown(savedRow))
        appendNumber(out, saved.size(savedRow));
    else
        out += "null";
    out += ",\"old_modified\":";
    if (saved.modifiedKnown(savedRow)) {
        out += '"';
        appendIsoLocalTime(out, saved.modified(savedRow));
        out += '"';
    } else {
        out += "null";
    }
    out += "}\n";
}

void appendRemovedJson(std::string& out, const JsonLineRow& saved)
{
    const auto text = [&](const char* key) {
        out += ",\"";
        out += key;
        out += "\":";
        if (const std::string* found = saved.text(key))
            appendJsonString(out, *found);
        else
            out += "null";
    };
    out += "{\"change\":\"removed\",\"name\":";
    const bool nameExact = appendJsonString(out, saved.name);
    out += ",\"folder\":";
    const bool folderExact = appendJsonString(out, saved.folder);
    out += ",\"path\":";
    appendJsonString(out, saved.folder + saved.name);
    out += ",\"size\":";
    if (saved.size)
        appendNumber(out, *saved.size);
    else
        out += "null";
    for (const char* key : {"attrib", "created", "modified", "created_text", "modified_text"})
        text(key);
    if (!nameExact) {
        out += ",\"name_b64\":\"";
        appendBase64(out, saved.name);
        out += '"';
    }
    if (!folderExact) {
        out += ",\"folder_b64\":\"";
        appendBase64(out, saved.folder);
        out += '"';
    }
    out += "}\n";
}

} // namespace dirlix
