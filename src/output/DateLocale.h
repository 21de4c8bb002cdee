// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the locale data the date formatter and the size forms need, English by default.
#pragma once

#include <array>
#include <string>

namespace dirlix {

/**
 * Names and separators of one locale, as plain UTF-8 texts.
 * The default-constructed value is English: Jan..Dec, January..December, Sun..Sat,
 * Sunday..Saturday, "/" between date parts, ":" between time parts, "," between thousands.
 * The desktop program fills one from the user's locale; the core never asks the system.
 */
struct DateLocale {
    std::array<std::string, 12> monthShort{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> monthLong{"January", "February", "March",     "April",
                                          "May",     "June",     "July",      "August",
                                          "September", "October", "November", "December"};
    /** Weekday names, Sunday first. */
    std::array<std::string, 7> dayShort{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> dayLong{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    std::string thousandsSeparator = ",";
    /** The pattern used for an empty date pattern: the locale's general date-and-time form. */
    std::string generalPattern = "m/d/yyyy h:nn:ss AM/PM";
};

/** The English locale, the one the core uses when it is given none. */
const DateLocale& englishLocale();

} // namespace dirlix
