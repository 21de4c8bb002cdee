// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the odd names of POSIX systems, where a name is any bytes but "/" and zero.
#include "app/WorkspaceNames.h"

#include <QByteArray>

namespace dirlix::test {

const OddNames& oddNames()
{
    static const OddNames names{"a/line\nfeed", "bad\xfe.bin", "tree/sub/tab\there \xfe"};
    return names;
}

std::string pathOfFileUrl(const QString& url)
{
    // Decoded by hand: QUrl would turn a byte that is no UTF-8 into U+FFFD.
    return QByteArray::fromPercentEncoding(url.mid(int(std::char_traits<char>::length("file://"))).toLatin1())
        .toStdString();
}

} // namespace dirlix::test
