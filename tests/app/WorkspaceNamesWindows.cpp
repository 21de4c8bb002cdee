// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the odd names of Windows, whose names are UTF-16 text without control characters.
#include "app/WorkspaceNames.h"
#include "support/TempDir.h"

#include <QByteArray>

namespace dirlix::test {

const OddNames& oddNames()
{
    static const OddNames names{"a/line feed", "bad\xc3\xbe.bin", "tree/sub/tab here \xc3\xbe"};
    return names;
}

std::string pathOfFileUrl(const QString& url)
{
    // "file:///C:/..." for a drive's file, "file://server/share/..." for a share's.
    const QString prefix = url.startsWith(QStringLiteral("file:///")) ? QStringLiteral("file:///") : QStringLiteral("file:");
    return genericSeparators(QByteArray::fromPercentEncoding(url.mid(prefix.size()).toLatin1()).toStdString());
}

} // namespace dirlix::test
