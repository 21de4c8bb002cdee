// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: running a program through the shell and collecting what it prints.
#pragma once

#include <string>

namespace dirlix::test {

/** What a command printed on standard output, and its exit status (-1 when it did not exit). */
struct CommandResult {
    int status = -1;
    std::string out;
};

/** Runs @p command through the system's shell (/bin/sh; cmd.exe on Windows) and waits for it. */
CommandResult runCommand(const std::string& command);

} // namespace dirlix::test
