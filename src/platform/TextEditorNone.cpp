// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: no editor of the system's own on desktops where the user's choice is the only one.
#include "platform/TextEditor.h"

namespace dirlix {

bool startTextEditor(const std::string&)
{
    return false;
}

} // namespace dirlix
