// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the program-wide product information object.
#pragma once

#include "product/clsProductInfo.h"

#include <memory>
#include <string>

namespace dirlix::modGlobal {

/**
 * The program's one product information object. Empty until CreateProduct runs (the main
 * window's load does so first of all); then it lives until the process ends and is never
 * replaced. Read-only for everyone.
 */
extern std::unique_ptr<const clsProductInfo> pProduct;

/**
 * Creates pProduct for a program whose executable lies in @p appDir (see
 * clsProductInfo::ForProgram), unless it exists already, and returns it.
 */
const clsProductInfo& CreateProduct(const std::string& appDir);

} // namespace dirlix::modGlobal

namespace dirlix {
using modGlobal::pProduct;
} // namespace dirlix
