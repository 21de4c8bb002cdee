// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: Notepad, started on a file as its own process.
#include "platform/TextEditor.h"
#include "platform/WinPath.h"

#include <windows.h>

namespace dirlix {

bool startTextEditor(const std::string& path)
{
    // The command line names Notepad alone: the system finds it on its own path.
    std::wstring line = L"notepad.exe \"" + win::wide(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace dirlix
