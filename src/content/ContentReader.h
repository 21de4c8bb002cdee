// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading a file's content for checksums and comparisons, without changing the file.
#pragma once

#include "content/Digest.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/** How reading a file ended. */
enum class ReadOutcome {
    Done,       ///< every byte asked for was read
    NotRegular, ///< a link, folder, FIFO, device or socket: it has no content to read, and was not opened
    Failed,     ///< it could not be opened or read (error holds the system's error number)
    Changed,    ///< its size or modified time changed while it was read, or differs from what was expected
};

/** What a reader reports on a file. */
struct ReadStatus {
    ReadOutcome outcome = ReadOutcome::Done;
    int error = 0; ///< with Failed: the system's error number
    int which = 0; ///< from compare(): 1 or 2, the file that was not read

    bool ok() const { return outcome == ReadOutcome::Done; }
    /** Why the file was not read, in words for the user; empty when it was. */
    std::string reason() const;
};

/** What a file is known to be before it is read: a reading that finds it otherwise is Changed. */
struct ExpectedFile {
    std::optional<std::int64_t> size;
    std::optional<std::int64_t> modified; ///< seconds since the epoch
    /** The nanoseconds of the modified time within its second, where they were read. */
    std::optional<std::uint32_t> modifiedNanoseconds;
    /**
     * The walk saw a regular file at this path, not a link nor a special file: the reader may open
     * it without a look first. It still gives the checksum of nothing but a regular file.
     */
    bool regular = false;
};

/** The identity of a regular file: hard links to one file share it. */
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};

/**
 * Reads files for their content, one at a time, with large sequential reads into a buffer of its
 * own. Only regular files are opened (a FIFO is never waited on); links are not followed. Reading
 * leaves the file as it was: its access time is kept where the system allows it. A file whose size
 * or modified time changes while it is read counts as Changed, never as read. Not thread-safe: one
 * per thread. The system's part lives in ContentReaderPosix.cpp and ContentReaderWindows.cpp.
 */
class ContentReader {
public:
    ContentReader();
    ~ContentReader();
    ContentReader(const ContentReader&) = delete;
    ContentReader& operator=(const ContentReader&) = delete;

    /** Feeds every byte of the file at @p path to @p digest (reset first). */
    ReadStatus digestWhole(const std::string& path, const ExpectedFile& expected, Digest& digest);

    /**
     * The same for the file @p name in the folder @p folder (its path text, ending in the
     * separator). Files of one folder read one after the other are opened relative to the
     * folder, which the reader keeps open until a file of another folder comes.
     */
    ReadStatus digestWhole(std::string_view folder, std::string_view name, const ExpectedFile& expected,
                           Digest& digest);

    /**
     * Feeds the first and the last @p block bytes of the file at @p path to @p digest (reset
     * first); the whole file when it is no longer than two blocks.
     */
    ReadStatus digestEnds(const std::string& path, const ExpectedFile& expected, std::size_t block, Digest& digest);

    /** Sets @p same to whether the files at @p first and @p second hold the same bytes. */
    ReadStatus compare(const std::string& first, const std::string& second, bool& same);

    /**
     * The identity of the file at @p path, not following a link. NotRegular for anything but a
     * regular file; Failed when it cannot be looked at.
     */
    static ReadStatus identify(const std::string& path, FileIdentity& identity);

    /** The size of one read. */
    static constexpr std::size_t kReadSize = std::size_t(1) << 20;

    /**
     * Makes reading give up, Failed with ECANCELED, soon after *@p stop turns true (checked between
     * two reads of every call, compare() included); null: never.
     */
    void setStop(const std::atomic<bool>* stop) { mStop = stop; }

private:
    struct OpenFile;
    struct Folder; // the folder kept open, where the system opens files relative to one
    std::unique_ptr<Folder> mFolder;
    ReadStatus digestOpened(OpenFile& file, Digest& digest);
    std::string mPath;
    std::vector<unsigned char> mBuffer;
    std::vector<unsigned char> mSecondBuffer; // compare() only
    const std::atomic<bool>* mStop = nullptr;
};

} // namespace dirlix
