// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the program-wide product information object.
#include "product/modGlobal.h"

namespace dirlix::modGlobal {

std::unique_ptr<const clsProductInfo> pProduct;

const clsProductInfo& CreateProduct(const std::string& appDir)
{
    if (!pProduct)
        pProduct = std::make_unique<const clsProductInfo>(clsProductInfo::ForProgram(appDir));
    return *pProduct;
}

} // namespace dirlix::modGlobal
