// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's locale as the date formatter and the size forms need it.
#pragma once

#include "output/DateLocale.h"

#include <string>

class QLocale;

namespace dirlix {

/**
 * The names and separators of the user's locale (QLocale::system()). The C and POSIX locales
 * count as English: English names, "/" and ":" as separators, "," between thousands.
 */
DateLocale systemDateLocale();

/**
 * The locale's short date and time, with seconds, in the date pattern language: what an empty
 * date pattern shows. The C locale keeps the English general pattern.
 */
std::string localeGeneralPattern(const QLocale& locale);

} // namespace dirlix
