// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command line on Windows: the C runtime's argv is in the ANSI code page, which
// cannot hold most names; the wide command line holds them all.
#include "platform/ProgramArguments.h"
#include "platform/WinPath.h"

#include <windows.h>
#include <shellapi.h>

namespace dirlix {

std::vector<std::string> programArguments(int argc, char** argv)
{
    // Written bytes are UTF-8; a console shows them as such only in that code page. A redirected
    // stream is not affected.
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(win::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

} // namespace dirlix
