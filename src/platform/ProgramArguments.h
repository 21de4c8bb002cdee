// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command line as the user typed it, and text written to a console.
#pragma once

#include <string>
#include <vector>

namespace dirlix {

/**
 * The program's arguments after its own name, as bytes: on POSIX the bytes given (a folder name
 * need not be valid in any encoding); on Windows the wide command line in UTF-8, so that names
 * outside the ANSI code page are not turned into "?" on the way in. On Windows it also makes a
 * console show the UTF-8 the program writes.
 */
std::vector<std::string> programArguments(int argc, char** argv);

} // namespace dirlix
