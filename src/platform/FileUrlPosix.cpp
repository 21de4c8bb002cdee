// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: file URLs of POSIX paths: "file://" and the path's bytes, percent-encoded.
#include "platform/FileUrl.h"

#include <QByteArray>

namespace dirlix::platform {

QString fileUrlOf(std::string_view path)
{
    // Percent-encoding keeps every byte, also those that are not UTF-8, which a QString path cannot.
    const QByteArray bytes(path.data(), qsizetype(path.size()));
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

} // namespace dirlix::platform
