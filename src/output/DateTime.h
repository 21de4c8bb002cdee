// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a calendar date and time to the second, and its conversion from file time stamps.
#pragma once

#include <cstdint>

namespace dirlix {

/** A local calendar date and time of day, whole seconds. */
struct DateTime {
    int year = 1970;
    int month = 1;   ///< 1..12
    int day = 1;     ///< 1..31
    int hour = 0;    ///< 0..23
    int minute = 0;  ///< 0..59
    int second = 0;  ///< 0..59 (60 never comes from the file system)
    int weekday = 4; ///< 0 = Sunday .. 6 = Saturday

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

/** The civil date and time of @p secondsUtc seconds after 1970-01-01 00:00:00 UTC, with no offset. */
DateTime civilFromUnix(std::int64_t secondsUtc);

/**
 * The local date and time of a time stamp in seconds since the epoch, in the process's time zone.
 * Thread-safe. Remembers the zone's offset per quarter hour, so a walk over millions of files
 * asks the C library only a few times; any value of @p seconds is accepted.
 */
DateTime localFromUnix(std::int64_t seconds);

} // namespace dirlix
