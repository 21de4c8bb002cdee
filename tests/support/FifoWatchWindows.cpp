// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: Windows has no FIFOs in its file system; the cases that need one skip.
#include "support/FifoWatch.h"

#include <stdexcept>

namespace dirlix::test {

bool FifoWatch::supported() { return false; }

FifoWatch::FifoWatch(const std::string& path) : mPath(path)
{
    throw std::runtime_error("no FIFO can be made on Windows: " + path);
}

bool FifoWatch::opened() { return mOpened; }

} // namespace dirlix::test
