// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the per-user settings store on Windows: the registry, below HKEY_CURRENT_USER\Software.
#include "platform/SettingsLocation.h"

namespace dirlix::platform {

QSettings::Format settingsFormat()
{
    return QSettings::NativeFormat;
}

QString settingsFile(const QString&)
{
    return {};
}

} // namespace dirlix::platform
