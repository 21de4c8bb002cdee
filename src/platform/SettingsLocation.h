// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where the per-user settings store lives on this system.
#pragma once

#include <QSettings>
#include <QString>

namespace dirlix::platform {

/** The QSettings format of the per-user store: an INI file on POSIX, the registry on Windows. */
QSettings::Format settingsFormat();

/**
 * The file that holds the per-user store of @p application, to be looked at before it is opened;
 * empty where the store is no file (the registry).
 */
QString settingsFile(const QString& application);

} // namespace dirlix::platform
