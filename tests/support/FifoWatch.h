// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a FIFO that tells whether anyone opened it for reading.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace dirlix::test {

/**
 * A FIFO made at @p path, with a writer waiting on it: whoever opens it for reading, however often,
 * gets through at once (and reads an empty file) instead of waiting for ever, and is seen doing so.
 * Only where the system has FIFOs (supported()); elsewhere the constructor throws.
 */
class FifoWatch {
public:
    /** Whether this system has FIFOs in its file system (Windows has not). */
    static bool supported();
    explicit FifoWatch(const std::string& path);
    ~FifoWatch() { opened(); }

    /** Whether someone opened the FIFO for reading so far; releases the writer, which then stops watching. */
    bool opened();

private:
    std::string mPath;
    std::atomic<bool> mReleasing{false}, mOpened{false};
    std::thread mWriter;
};

} // namespace dirlix::test
