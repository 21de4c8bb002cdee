// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the per-user settings store on POSIX: an INI file below the user's configuration folder.
#include "platform/SettingsLocation.h"

#include <QStandardPaths>

namespace dirlix::platform {

QSettings::Format settingsFormat()
{
    return QSettings::IniFormat;
}

QString settingsFile(const QString& application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + application +
           QLatin1Char('/') + application + QStringLiteral(".ini");
}

} // namespace dirlix::platform
