// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command line on POSIX systems: argv is already the bytes typed.
#include "platform/ProgramArguments.h"

namespace dirlix {

std::vector<std::string> programArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

} // namespace dirlix
