// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the English default locale.
#include "output/DateLocale.h"

namespace dirlix {

const DateLocale& englishLocale()
{
    static const DateLocale english;
    return english;
}

} // namespace dirlix
