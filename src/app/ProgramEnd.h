// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how the desktop program ends when a walk is still held by a file system.
#pragma once

namespace dirlix {

/**
 * Ends the program with @p status once its event loop has returned and its windows are gone (so
 * their settings are saved). Returns @p status for main() to return when every walk has ended
 * within a short grace; otherwise flushes the standard streams and ends the process at once,
 * without waiting for a thread that a file system holds in the kernel: that thread is left to
 * the kernel, as a command-line tool interrupted on a hung mount leaves it.
 */
int endProgram(int status);

} // namespace dirlix
