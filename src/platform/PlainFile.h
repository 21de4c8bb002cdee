// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: plain files by handle, for reading saved lists: opened without waiting, read at offsets.
#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>

/** Like the rest of the file-system layer: each call returns 0 or an errno, results through out parameters. */
namespace dirlix::fsys {

/** An open file; kNoFile when none. Owned by whoever opened it; release with closeFile(). */
using FileHandle = int;
inline constexpr FileHandle kNoFile = -1;

/** What a path names, as far as a list reader cares. */
enum class FileKind : std::uint8_t { Regular, Folder, Fifo, Device, Socket, Other };

/**
 * The identity of a file and what changes when it is written (not its status-change time, which
 * a new link or a rename of it changes too).
 */
struct FileStamp {
    FileId id;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; ///< modification time in nanoseconds since the epoch
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

/** "a folder", "a FIFO", "a device", "a socket", "not a regular file" for @p kind; empty for Regular. */
const char* fileKindText(FileKind kind);

/**
 * Opens the regular file @p path (following links) for reading into @p out, never waiting: a
 * FIFO, a device or anything else that is not a regular file is not read and gives EINVAL with
 * @p kind saying what it is (checked before opening and again on what was opened, so that a path
 * swapped in between is caught). @p stamp receives the opened file's stamp. Returns 0 or an errno.
 */
int openRegularFile(const std::string& path, FileHandle& out, FileKind& kind, FileStamp& stamp);

/** Reads up to @p size bytes at the file position into @p into; @p got is 0 at the end. Returns 0 or an errno. */
int readFile(FileHandle file, char* into, std::size_t size, std::size_t& got);

/** Reads up to @p size bytes at @p offset without moving the file position. Returns 0 or an errno. */
int readFileAt(FileHandle file, std::uint64_t offset, char* into, std::size_t size, std::size_t& got);

/** The stamp of the open file @p file now. Returns 0 or an errno. */
int fileStamp(FileHandle file, FileStamp& stamp);

/** Releases a file handle; kNoFile is ignored. */
void closeFile(FileHandle file);

/** The identity of what @p path names, following links. Returns 0 or an errno (ENOENT when nothing is there). */
int pathIdentity(const std::string& path, FileId& id);

/**
 * Whether @p path (not followed when it is a link) names an entry that a walk would list as a
 * file: anything but a folder, into @p isFile. Returns 0 (also when nothing is there, with
 * @p isFile false) or an errno when the answer is not known.
 */
int entryIsFile(const std::string& path, bool& isFile);

} // namespace dirlix::fsys
