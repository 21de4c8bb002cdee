// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's locale as the date formatter and the size forms need it.
#pragma once

#include "output/DateLocale.h"

namespace dirlix {

/**
 * The names and separators of the user's locale (QLocale::system()). The C and POSIX locales
 * count as English: English names, "/" and ":" as separators, "," between thousands.
 */
DateLocale systemDateLocale();

} // namespace dirlix
