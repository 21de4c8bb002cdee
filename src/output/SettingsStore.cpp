// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the per-user settings store on QSettings.
#include "output/SettingsStore.h"
#include "platform/SettingsLocation.h"

#include <QFileInfo>
#include <QSettings>

namespace dirlix {


QString settingsFileProblem(const QString& application)
{
    // Looked at without opening it: opening a FIFO for reading would wait for a writer for ever.
    const QString path = platform::settingsFile(application);
    if (path.isEmpty())
        return {}; // the registry: no file to be anything else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    return QStringLiteral("The settings file %1 is not a regular file; the defaults are used and nothing is saved.")
        .arg(path);
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    if (!settingsFileProblem(application).isEmpty())
        return defaultValue;
    QSettings store(platform::settingsFormat(), QSettings::UserScope, application, application);
    store.beginGroup(section);
    const QVariant value = store.value(key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value, QString* error)
{
    if (const QString problem = settingsFileProblem(application); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSettings store(platform::settingsFormat(), QSettings::UserScope, application, application);
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
