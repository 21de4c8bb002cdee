// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a command run through /bin/sh.
#include "support/Command.h"

#include <cstdio>
#include <sys/wait.h>

namespace dirlix::test {

CommandResult runCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace dirlix::test
