// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: running a program through the shell and collecting what it prints.
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace dirlix::test {

/** What a command printed on standard output, and its exit status (-1 when it did not exit). */
struct CommandResult {
    int status = -1;
    std::string out;
};

/** Runs @p command through /bin/sh and waits for it. */
inline CommandResult runCommand(const std::string& command)
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
