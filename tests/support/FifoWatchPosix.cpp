// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the watched FIFO on POSIX systems.
#include "support/FifoWatch.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace dirlix::test {

bool FifoWatch::supported() { return true; }

FifoWatch::FifoWatch(const std::string& path) : mPath(path)
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

bool FifoWatch::opened()
{
    if (mWriter.joinable()) {
        mReleasing = true;
        const int fd = ::open(mPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        mWriter.join();
        ::close(fd);
    }
    return mOpened;
}

} // namespace dirlix::test
