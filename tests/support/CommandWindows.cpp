// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a command run through cmd.exe.
#include "support/Command.h"

#include <cstdio>

namespace dirlix::test {

CommandResult runCommand(const std::string& command)
{
    CommandResult result;
    // Binary mode: what the program wrote, without its line ends turned into "\n".
    FILE* pipe = _popen(command.c_str(), "rb");
    if (!pipe)
        return result;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        result.out.append(buffer, n);
    // The program's exit code; -1 when the shell could not be waited for.
    result.status = _pclose(pipe);
    return result;
}

} // namespace dirlix::test
