// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine: a start folder in, one block of file records per folder out, in walk order.
#pragma once

#include "search/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/** One file found by the walk; its name lives in the block's name bytes. */
struct WalkEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    fsys::FileProperties properties;
};

/** The files of one folder, in the file system's order. Never empty when handed out. */
struct WalkBlock {
    /** The folder's path as the walk built it: the start text, then names, each followed by the separator. */
    std::string folder;
    std::string names;
    std::vector<WalkEntry> entries;

    std::string_view name(const WalkEntry& e) const { return {names.data() + e.nameOffset, e.nameLength}; }
};

/** Counters that the walk keeps up to date as it goes; any thread may read them while it runs. */
struct WalkProgress {
    std::atomic<std::uint64_t> files{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<std::uint64_t> folders{0};
    std::atomic<std::uint64_t> unreadableFolders{0};
    std::atomic<std::uint64_t> cyclesSkipped{0};

    /** The folder being read, for a progress display. */
    std::string currentFolder() const;
    void setCurrentFolder(const std::string& path);

private:
    mutable std::mutex mMutex;
    std::string mCurrentFolder;
};

/** A folder that could not be opened or read, with the reason. */
struct WalkError {
    std::string folder;
    int error = 0; ///< errno
};

/** Options of one walk. */
struct WalkOptions {
    /** Worker threads that read folders; 0 means one per core. The output order never depends on it. */
    unsigned threads = 0;
    /**
     * A seam for tests: called with each folder's path before it is opened; returning a non-zero
     * errno makes the walk treat the folder as failing with that error. Empty: no effect.
     */
    std::function<int(const std::string& folder)> failFolder;
    /**
     * Leave the properties of entries that the folder listing already shows to be files unread
     * (size, times and attributes stay 0), for a caller that only needs names and folders.
     * Links and entries of unknown kind are still read, to tell files from folders.
     */
    bool namesOnly = false;
};

/**
 * Walks a folder tree depth first and pre-order: a folder's files in the file system's order,
 * then each subfolder completely, in the file system's order. Subfolders whose name begins with
 * "." are skipped with everything below them; the start folder is walked whatever its name.
 * Links to folders are followed, but a folder that is already on the path from the start folder
 * is not entered again. Folders that cannot be read are skipped, counted and reported.
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
    /** The folders that could not be read, in walk order. Valid after run() returns. */
    const std::vector<WalkError>& errors() const { return mErrors; }
    /** The errno of a failed start folder, after run() returned false. */
    int startError() const { return mStartError; }

    /** The number of threads a walk uses for @p requested: itself, or one per core for 0. */
    static unsigned threadCount(unsigned requested);

private:

    WalkOptions mOptions;
    WalkProgress mProgress;
    std::vector<WalkError> mErrors;
    int mStartError = 0;
};

} // namespace dirlix
