// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the thin file-system layer under the walk: folders by handle, entries, file properties.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix::fsys {

/** An open folder; -1 when none. Owned by whoever opened it; release with closeFolder(). */
using FolderHandle = int;
inline constexpr FolderHandle kNoFolder = -1;

/** What a folder entry is, as far as the listing tells without asking for its properties. */
enum class EntryKind : std::uint8_t { Folder, File, Unknown };

/** The entries of one folder: names as bytes, packed one after the other, each followed by a zero byte. */
struct FolderEntries {
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        EntryKind kind;
    };
    std::string names;
    std::vector<Entry> entries;

    std::string_view name(const Entry& e) const { return {names.data() + e.offset, e.length}; }
    /** The name as a zero-terminated text, for the system calls. */
    const char* cname(const Entry& e) const { return names.data() + e.offset; }
    void clear()
    {
        names.clear();
        entries.clear();
    }
};

/** Identity of a folder on its device, for cycle detection. */
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
};

/** Properties of one file as the list needs them. Times are seconds since the epoch. */
struct FileProperties {
    std::int64_t size = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint16_t attributes = 0;
    bool isFolder = false; ///< after following a link
};

/** Opens the folder @p path (following links). Returns kNoFolder and sets @p error (an errno) on failure. */
FolderHandle openFolder(const std::string& path, int& error);

/** Opens the folder @p name inside @p parent (following links). Returns kNoFolder and sets @p error on failure. */
FolderHandle openChildFolder(FolderHandle parent, const char* name, int& error);

/** Releases a folder handle; kNoFolder is ignored. */
void closeFolder(FolderHandle folder);

/** The device and inode of an open folder; false if they cannot be read. */
bool folderIdentity(FolderHandle folder, FolderId& id);

/**
 * Reads every entry of @p folder (but "." and "..") into @p out, in the file system's order.
 * Returns 0, or an errno when the listing failed part-way (the entries read so far stay in @p out).
 */
int readFolder(FolderHandle folder, FolderEntries& out);

/**
 * Reads the properties of @p name inside @p folder, following a link; a link that leads nowhere
 * gives the link's own properties. Returns 0, or an errno when nothing could be read (ENOENT when
 * the entry has vanished). @p name is the entry's byte name, without a folder.
 */
int readProperties(FolderHandle folder, const char* name, FileProperties& out);

/** The platform's folder separator. */
inline constexpr char kSeparator = '/';

} // namespace dirlix::fsys
