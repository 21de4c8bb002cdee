// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine: a start folder in, one block of file records per folder out, in walk order.
#pragma once

#include "platform/FileRecord.h"
#include "platform/FileSystem.h"
#include "search/NameMask.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/** One file found by the walk; its name lives in the block's name bytes. */
struct WalkEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    FileRecord values;
};

/**
 * A folder's path as the walk built it: its parent's path plus its own part (the start text for
 * the start folder, else its name and the separator). Immutable once made and shared by every
 * block and folder below it, so that a deep tree costs one name per folder, not one path each.
 */
struct FolderPath {
    /** A path below @p parent (null for the start folder) whose own part is @p part. */
    FolderPath(std::shared_ptr<const FolderPath> parent, std::string part, fsys::FileId id = {});
    /** Frees a long chain without recursing through it. */
    ~FolderPath();
    FolderPath(const FolderPath&) = delete;
    FolderPath& operator=(const FolderPath&) = delete;

    /** The whole path text: the start text, then names, each followed by the separator. */
    std::string text() const;
    /** The folder's own name, without the separator; the start text for the start folder. */
    std::string name() const;

    std::shared_ptr<const FolderPath> parent;
    std::string part;
    fsys::FileId id;         ///< the folder's identity, once it was opened
    std::size_t depth = 0;   ///< 0 for the start folder
    std::size_t length = 0;  ///< of text()
};

using FolderPathPtr = std::shared_ptr<const FolderPath>;

/** The files of one folder, in the file system's order. Never empty when handed out. */
struct WalkBlock {
    /** The folder; its text is made by whoever needs it, once per block. */
    FolderPathPtr folder;
    std::string names;
    std::vector<WalkEntry> entries;
    std::uint64_t bytes = 0;      ///< the entries' sizes, each hard-linked file counted once in the walk
    std::uint64_t sharedRows = 0; ///< entries whose storage an earlier row already counted

    std::string_view name(const WalkEntry& e) const { return {names.data() + e.nameOffset, e.nameLength}; }
    /** Entry @p i as a row in the folder @p folderText (folder->text()), its dates in @p datePattern. */
    Row row(std::size_t i, std::string_view folderText, std::string_view datePattern) const
    {
        const WalkEntry& e = entries[i];
        return {name(e), folderText, e.values, datePattern, nullptr, 0, 7, {}, {}};
    }
};

/**
 * Counters that the walk keeps up to date as it goes; any thread may read them while it runs.
 * files, bytes and sharedRows count what was handed to the sink, so that a stopped walk's figures
 * describe the rows it delivered.
 */
struct WalkProgress {
    std::atomic<std::uint64_t> files{0};   ///< files handed out as records
    std::atomic<std::uint64_t> bytes{0};   ///< their sizes added up, a file with several hard links once
    std::atomic<std::uint64_t> sharedRows{0}; ///< rows whose storage an earlier row already counted
    std::atomic<std::uint64_t> folders{0}; ///< folders listed
    std::atomic<std::uint64_t> filteredOut{0}; ///< files the filter dropped

    /** The folder being read, for a progress display. */
    std::string currentFolder() const;
    void setCurrentFolder(FolderPathPtr folder);

private:
    mutable std::mutex mMutex;
    FolderPathPtr mCurrentFolder;
};

/** Why something was left out of a walk or listed without its values. */
enum class WalkErrorKind : std::uint8_t {
    FolderUnreadable,   ///< a folder could not be opened or listed: its files are missing
    ValuesUnreadable,   ///< a file's size and times could not be read: it is listed without them
    CycleSkipped,       ///< a folder already on the path was reached again and not entered
    VirtualSkipped,     ///< a mount of a virtual file system (proc, sysfs, ...) was not entered
};

/** Something a walk could not do, with the path concerned and the reason. */
struct WalkError {
    WalkErrorKind kind = WalkErrorKind::FolderUnreadable;
    std::string path;  ///< a folder's text ends in the separator; a file's does not
    int error = 0;     ///< errno; 0 for a skipped cycle or virtual file system
};

/**
 * The filter stage of the walk: which folders are entered and which files become records.
 * Called from the walk's threads at once, so an implementation must be safe to call concurrently.
 * The default is the plain rule: every file, and every folder whose name does not begin with ".".
 */
class WalkFilter {
public:
    /**
     * Storage a filter reuses from one name to the next, so that asking it allocates nothing per
     * file. Each thread that asks a filter owns one and passes it to every call.
     */
    struct Scratch {
        MaskSubject subject; ///< the name prepared for the masks
    };

    virtual ~WalkFilter() = default;
    /**
     * Whether the subfolder @p name (bytes, no separator) is entered; the start folder always is.
     * @p scratch is the calling thread's own.
     */
    virtual bool entersFolder(std::string_view name, Scratch& /*scratch*/) const
    {
        return name.empty() || name.front() != '.';
    }
    /** Whether a file named @p name may be kept, decided before its values are read. */
    virtual bool keepsName(std::string_view /*name*/, Scratch& /*scratch*/) const { return true; }
    /** Whether a file whose name was kept becomes a record, given its values. */
    virtual bool keepsFile(std::string_view /*name*/, const FileRecord& /*values*/) const { return true; }
    /** True when keepsFile() looks at the values, so that they must be read. */
    virtual bool needsValues() const { return false; }
};

/** Options of one walk. */
struct WalkOptions {
    /** Worker threads that read folders; 0 means one per core. The output order never depends on it. */
    unsigned threads = 0;
    /** The filter stage; null means the plain rule of WalkFilter. */
    std::shared_ptr<const WalkFilter> filter;
    /**
     * A seam for tests: called with each folder's path before it is opened; returning a non-zero
     * errno makes the walk treat the folder as failing with that error. Empty: no effect.
     */
    std::function<int(const std::string& folder)> failFolder;
    /**
     * Leave the values of entries that the folder listing already shows to be files unread
     * (size, times and attributes stay 0), for a caller that only needs names and folders.
     * Links and entries of unknown kind are still read, to tell files from folders.
     */
    bool namesOnly = false;
    /**
     * Enter links to folders. Then no folder (device and inode) is entered twice in the walk,
     * so a diamond lists its files once and a link graph ends; the folder is listed under the
     * first path to it in walk order, and the walk runs on one thread whatever `threads` says.
     * Off: a link to a folder is a row of its own.
     */
    bool followLinks = false;
    /** Stay on the start folder's device: other mounts are left out without being reported. */
    bool oneFileSystem = false;
};

/**
 * Walks a folder tree depth first and pre-order: a folder's files in the file system's order,
 * then each subfolder completely, in the file system's order. The filter decides which
 * subfolders are entered and which files are kept; the start folder is walked whatever its name.
 * Links to folders are rows, not entered, unless WalkOptions::followLinks; a folder that is
 * already on the path from the start folder (a bind mount of an ancestor) is not entered again.
 * Mounts of virtual file systems are not entered from outside. What cannot be read is reported in errors() and the walk goes on.
 * The walk keeps its own stack, so the depth of the tree is limited by memory only.
 */
class Walker {
public:
    using BlockSink = std::function<void(WalkBlock&& block)>;

    explicit Walker(WalkOptions options = {});

    /**
     * The folder text the walk uses for @p directoryText: the text unchanged, with the separator
     * appended when it does not end in one (an empty text becomes the root).
     */
    static std::string startFolderText(std::string_view directoryText);

    /**
     * Walks @p directoryText. @p sink receives the blocks in walk order, one call at a time, on the
     * calling thread. Stops early, between entries, once @p stop becomes true.
     * Returns false when the start folder does not exist or is not a folder (nothing is delivered);
     * a start folder that exists but cannot be read counts as an unreadable folder.
     */
    bool run(std::string_view directoryText, const BlockSink& sink, const std::atomic<bool>* stop = nullptr);

    const WalkProgress& progress() const { return mProgress; }
    /** What could not be read or was not entered, in walk order. Valid after run() returns. */
    const std::vector<WalkError>& errors() const { return mErrors; }
    /** The errno of a failed start folder, after run() returned false. */
    int startError() const { return mStartError; }

    /**
     * Whether @p directoryText names a folder that a walk can start from: 0, or ENOENT when
     * nothing is there, ENOTDIR when it is no folder. Any other errno counts as 0 (the walk then
     * reports the folder as unreadable).
     */
    static int checkStart(std::string_view directoryText);

    /** The number of threads a walk uses for @p requested: itself, or one per core for 0. */
    static unsigned threadCount(unsigned requested);

private:
    WalkOptions mOptions;
    WalkProgress mProgress;
    std::vector<WalkError> mErrors;
    int mStartError = 0;
};

} // namespace dirlix
