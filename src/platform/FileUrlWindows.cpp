// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: file URLs of Windows paths: "file:///C:/..." and "file://server/share/...".
#include "platform/FileUrl.h"

#include <QByteArray>

namespace dirlix::platform {

QString fileUrlOf(std::string_view path)
{
    // The walk's names are UTF-8 here (the system's UTF-16 turned into bytes), so encoding the
    // bytes gives the URL Windows decodes back into the same name.
    QByteArray bytes(path.data(), qsizetype(path.size()));
    bytes.replace('\\', '/');
    const QString encoded = QString::fromLatin1(bytes.toPercentEncoding("/:"));
    if (bytes.startsWith("//"))
        return QStringLiteral("file:") + encoded; // a share: the server is the URL's host
    return QStringLiteral("file:///") + encoded;
}

} // namespace dirlix::platform
