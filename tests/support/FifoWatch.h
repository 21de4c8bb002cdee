// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a FIFO that tells whether anyone opened it for reading.
#pragma once

#include <atomic>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dirlix::test {

/**
 * A FIFO made at @p path, with a writer waiting on it: whoever opens it for reading, however often,
 * gets through at once (and reads an empty file) instead of waiting for ever, and is seen doing so.
 */
class FifoWatch {
public:
    explicit FifoWatch(const std::string& path) : mPath(path)
    {
        if (::mkfifo(path.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo " + path);
        mWriter = std::thread([this] {
            while (!mReleasing) {
                const int fd = ::open(mPath.c_str(), O_WRONLY | O_CLOEXEC);
                mOpened = mOpened || !mReleasing;
                ::close(fd);
            }
        });
    }
    ~FifoWatch() { opened(); }

    /** Whether someone opened the FIFO for reading so far; releases the writer, which then stops watching. */
    bool opened()
    {
        if (mWriter.joinable()) {
            mReleasing = true;
            const int fd = ::open(mPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            mWriter.join();
            ::close(fd);
        }
        return mOpened;
    }

private:
    std::string mPath;
    std::atomic<bool> mReleasing{false}, mOpened{false};
    std::thread mWriter;
};

} // namespace dirlix::test
