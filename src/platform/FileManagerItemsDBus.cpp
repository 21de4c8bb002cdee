// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: showing a file in its folder through the freedesktop file manager interface on D-Bus.
#include "platform/FileManagerItems.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace dirlix {

namespace {
const QString kService = QStringLiteral("org.freedesktop.FileManager1");

bool offered(QDBusConnection& bus)
{
    if (bus.interface()->isServiceRegistered(kService))
        return true;
    // A file manager that is not running may still be started by the bus for the call.
    const QDBusMessage names = bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                                       QStringLiteral("org.freedesktop.DBus"),
                                                                       QStringLiteral("ListActivatableNames")),
                                        QDBus::Block, 1000);
    return !names.arguments().isEmpty() && names.arguments().first().toStringList().contains(kService);
}
} // namespace

bool showItemsInFileManager(const QString& fileUrl, std::function<void()> failed)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !offered(bus))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       kService, QStringLiteral("ShowItems"));
    call << QStringList{fileUrl} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, failed = std::move(failed)] {
        if (watcher->isError() && failed)
            failed();
        watcher->deleteLater();
    });
    return true;
}

} // namespace dirlix
