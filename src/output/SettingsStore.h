// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the per-user settings store (get a setting with a default, save a setting).
#pragma once

#include <QString>

namespace dirlix {

/**
 * The per-user application settings store: an INI file in the user's configuration folder
 * ($XDG_CONFIG_HOME/<application>/<application>.ini on Linux), or the registry on Windows
 * (HKEY_CURRENT_USER\Software\<application>\<application>), one group per section.
 * Every value is a text. Reading never fails: a missing key, a missing or unreadable file,
 * or anything but a regular file in the file's place (never opened) all give @p defaultValue.
 */
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);

/**
 * Why the store of @p application cannot be used, in words for the user: its file exists but is
 * not a regular file (a FIFO, socket, device or folder), which is never opened. Empty when it
 * can be used (or does not exist yet).
 */
QString settingsFileProblem(const QString& application);

/**
 * Stores @p value under @p key, replacing any earlier value, and writes the file at once.
 * Returns false with a reason in @p error (when given) if the store could not be written.
 */
bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value, QString* error = nullptr);

} // namespace dirlix
