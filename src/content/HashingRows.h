// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: rows with their content's checksum, read on a few threads while the order stays the walk's.
#pragma once

#include "content/Digest.h"
#include "search/RowSource.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dirlix {

/**
 * The rows of another source, each given the checksum of its file's content (Row::hash, with
 * Row::hashAlgorithm naming the algorithm). Files are read on a small pool of threads a window of
 * rows ahead of the reader, so that reading overlaps the walk and the writing, while the rows come
 * out in the source's order. A file that is not regular (a link, a FIFO, a device) gets no checksum
 * and is not opened; one that cannot be read, or that changes while it is read, gets no checksum
 * and is told to the failure callback, on the reading thread and in row order.
 */
class HashingRows : public RowSource {
public:
    /** Called for a file that got no checksum: its path and why, in words for the user. */
    using FailureCallback = std::function<void(const std::string& path, const std::string& reason)>;

    /**
     * Reads @p rows, which must outlive this, on @p threads threads (0: a few, by the cores).
     * @p failed may be empty. Once *@p stop turns true (null: never), a file being read is given
     * up soon, as one that could not be read, so that a caller that stops is not held up by a
     * large file; @p stop must outlive this.
     */
    HashingRows(RowSource& rows, HashAlgorithm algorithm, unsigned threads = 0, FailureCallback failed = {},
                const std::atomic<bool>* stop = nullptr);
    /** Stops reading and waits for the threads. */
    ~HashingRows() override;
    HashingRows(const HashingRows&) = delete;
    HashingRows& operator=(const HashingRows&) = delete;

    bool next(Row& row) override;
    std::optional<std::uint64_t> total() const override { return mRows.total(); }

    /** Files that could not be read or changed while they were read, so far. */
    std::uint64_t failures() const { return mFailures; }

private:
    // One row read ahead: its texts copied, as the source's views last only until its next row.
    struct Slot {
        std::string name, folder, datePattern;
        std::array<std::string, 8> texts;
        FileRecord values;
        std::uint8_t textMask = 0;
        std::uint8_t subItems = 7;
        std::string hash;
        std::string failure; // why it has no checksum; empty for a file that is not regular
        bool done = false;   // guarded by mMutex
    };
    // The rows numbered [first, end), read by one thread in one go.
    struct Batch {
        std::uint64_t first, end;
    };

    void work();
    void fill();
    Slot& slot(std::uint64_t number) { return mRing[number % mRing.size()]; }

    RowSource& mRows;
    HashAlgorithm mAlgorithm;
    FailureCallback mFailed;
    const std::atomic<bool>* mStop;
    bool mSourceEnded = false;
    std::uint64_t mFailures = 0;

    // The rows read ahead live in a ring, numbered in the source's order: [mNext, mRead) are
    // waiting for a thread or being read, the one before mNext was handed out last.
    std::vector<Slot> mRing;
    std::uint64_t mNext = 0, mRead = 0;

    std::mutex mMutex;
    std::condition_variable mWorkReady, mSlotDone;
    std::deque<Batch> mJobs; // guarded by mMutex
    bool mQuit = false;      // guarded by mMutex
    std::vector<std::thread> mThreads;
};

} // namespace dirlix
