// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the end of the desktop program.
#include "app/ProgramEnd.h"
#include "search/WalkHandOff.h"

#include <cstdio>
#include <cstdlib>

namespace dirlix {

namespace {
// A stopped walk ends between two entries; one still running after this is blocked.
constexpr std::chrono::milliseconds kGrace(300);
} // namespace

int endProgram(int status)
{
    if (BackgroundWalk::waitForAbandoned(kGrace))
        return status;
    // A normal return would run the destructors of objects a blocked thread may still use when it
    // wakes, and the process could not end before it does.
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace dirlix
