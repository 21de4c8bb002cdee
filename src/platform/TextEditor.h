// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text editor every installation of the system carries, where it has one.
#pragma once

#include <string>

namespace dirlix {

/**
 * Starts the system's own text editor on the file @p path (UTF-8) without waiting for it: Notepad
 * on Windows, which opens a list whatever program the user chose for its type. Returns false where
 * the system has no such editor or it could not be started; the caller then hands the file to
 * the desktop.
 */
bool startTextEditor(const std::string& path);

} // namespace dirlix
