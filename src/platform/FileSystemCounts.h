// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how many system calls the Windows file-system layer made, for the tests that show its cost.
#pragma once

#include <atomic>
#include <cstdint>

namespace dirlix::fsys {

/** Calls into the system since the program started, counted as they are made; any thread may read them. */
struct CallCounts {
    std::atomic<std::uint64_t> opens{0};         ///< files and folders opened (CreateFileW)
    std::atomic<std::uint64_t> queries{0};       ///< questions asked of an open handle
    std::atomic<std::uint64_t> enumerations{0};  ///< folder listings started (FindFirstFileExW)
    std::atomic<std::uint64_t> enumerated{0};    ///< entries those listings gave, "." and ".." left out
    std::atomic<std::uint64_t> propertyReads{0}; ///< entries whose values were read on their own
};

/** The counts of this process. Only the Windows layer keeps them. */
const CallCounts& callCounts();

} // namespace dirlix::fsys
