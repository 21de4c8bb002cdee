// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the running program's folder and its product information object.
#pragma once

#include "product/clsProductInfo.h"

#include <QString>

namespace dirlix {

/** The folder that holds the running executable, without a trailing separator. Needs a QCoreApplication. */
QString AppPath();

/**
 * The program's product information object modGlobal::pProduct, created for AppPath() if it
 * does not exist yet (the main window's load calls this first of all). Never null.
 */
const clsProductInfo& AppProduct();

/** @p text (UTF-8, as the product information holds it) as a QString. */
QString toQString(const std::string& text);

} // namespace dirlix
