// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the thin file-system layer under the walk: folders by handle, entries, file values.
#pragma once

#include "platform/FileRecord.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/**
 * Every call that can fail returns 0 or an errno and hands its result through an out parameter,
 * so that a caller never reads the global errno after some other call has changed it.
 */
namespace dirlix::fsys {

/** An open folder; kNoFolder when none. Owned by whoever opened it; release with closeFolder(). */
using FolderHandle = int;
inline constexpr FolderHandle kNoFolder = -1;

/** What a folder entry is, as far as the listing tells without asking for its values. */
enum class EntryKind : std::uint8_t { Folder, File, Link, Unknown };

/** The entries of one folder: names as bytes, packed one after the other, each followed by a zero byte. */
struct FolderEntries {
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        EntryKind kind;
    };
    std::string names;
    std::vector<Entry> entries;
    /**
     * Where the listing itself gives each entry's values (Windows): values[i] belongs to
     * entries[i], and for an entry of kind File they are final, so that no file costs a call of
     * its own. Empty where the listing gives names only (POSIX).
     */
    std::vector<FileRecord> values;

    std::string_view name(const Entry& e) const { return {names.data() + e.offset, e.length}; }
    /** The name as a zero-terminated text, for the system calls. */
    const char* cname(const Entry& e) const { return names.data() + e.offset; }
    void clear()
    {
        names.clear();
        entries.clear();
        values.clear();
    }
};

/** Identity of a folder or file on its device. */
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

/** What readProperties() learns of an entry beyond the values a row shows. */
struct EntryFacts {
    bool isFolder = false;     ///< the entry is a folder, or a link to one
    bool isLink = false;       ///< the entry itself is a symbolic link
    bool isRegular = false;    ///< the values are a regular file's (the link's target's when followed)
    std::uint32_t links = 1;   ///< hard links to the file
    FileId id;                 ///< device and inode of the file (of the link's target when followed)
};

/** Opens the folder @p path (following links) into @p out. Returns 0 or an errno. */
int openFolder(const std::string& path, FolderHandle& out);

/**
 * Opens the folder @p name inside @p parent into @p out, through a link only when @p followLinks
 * (else a link there fails with ELOOP or ENOTDIR). Returns 0 or an errno.
 */
int openChildFolder(FolderHandle parent, const char* name, bool followLinks, FolderHandle& out);

/** Releases a folder handle; kNoFolder is ignored. */
void closeFolder(FolderHandle folder);

/** The device and inode of an open folder into @p id. Returns 0 or an errno. */
int folderIdentity(FolderHandle folder, FileId& id);

/**
 * Reads every entry of @p folder (but "." and "..") into @p out, in the file system's order.
 * Returns 0, or an errno when the listing failed part-way (the entries read so far stay in @p out).
 */
int readFolder(FolderHandle folder, FolderEntries& out);

/**
 * Reads the values of @p name inside @p folder into @p out and @p facts, following a link to a
 * file; a link to a folder is followed only when @p followFolderLinks, else it gives the link's
 * own values (isLink set, isFolder not); a link that leads nowhere gives the link's own values.
 * Returns 0, or an errno when nothing could be read (ENOENT when the entry has vanished).
 * @p name is the entry's byte name, without a folder.
 */
int readProperties(FolderHandle folder, const char* name, bool followFolderLinks, FileRecord& out,
                   EntryFacts& facts);

/**
 * Whether the open folder @p folder lies on a virtual file system (proc, sysfs, devtmpfs, cgroup
 * and the like: kernel state, not stored files) into @p isVirtual. Returns 0 or an errno.
 */
int isVirtualFileSystem(FolderHandle folder, bool& isVirtual);

/** How many descriptors the process may hold at once; 0 when there is no limit. */
std::size_t descriptorLimit();

/** The longest path the system accepts in one call, terminating zero included. */
std::size_t pathLimit();

/** The platform's folder separator. */
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
/** Every character that separates folders in a path the user gives. */
inline constexpr const char* kSeparators = "\\/";
#else
inline constexpr char kSeparator = '/';
inline constexpr const char* kSeparators = "/";
#endif

/** The errno for a folder whose path now names another folder than the one that was listed. */
#ifdef ESTALE
inline constexpr int kFolderReplaced = ESTALE;
#else
inline constexpr int kFolderReplaced = ENOENT;
#endif

} // namespace dirlix::fsys
