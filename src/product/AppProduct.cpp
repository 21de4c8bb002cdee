// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the running program's folder and its product information object.
#include "product/AppProduct.h"

#include "product/modGlobal.h"

#include <QCoreApplication>
#include <QFile>

namespace dirlix {

QString AppPath()
{
    return QCoreApplication::applicationDirPath();
}

const clsProductInfo& AppProduct()
{
    // The core works on the file system's bytes; encodeName gives exactly those.
    return modGlobal::CreateProduct(QFile::encodeName(AppPath()).toStdString());
}

QString toQString(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace dirlix
