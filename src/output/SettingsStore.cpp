// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the per-user settings store on QSettings.
#include "output/SettingsStore.h"

#include <QSettings>

namespace dirlix {


QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    store.beginGroup(section);
    const QVariant value = store.value(key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value, QString* error)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application, application);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("The settings could not be saved to %1.").arg(store.fileName());
        return false;
    }
    return true;
}

} // namespace dirlix
