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
    /// 0 = Sunday .. 6 = Saturday. Filled by the conversions below; the date formatter does not
    /// trust it and works the weekday out from the date itself.
    int weekday = 4;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

/**
 * The civil date and time of @p secondsUtc seconds after 1970-01-01 00:00:00 UTC, with no offset.
 * Proleptic Gregorian calendar, year 0 before year 1. Exact for years -999999..999999; any value
 * outside that range (including the extremes of int64) is clamped to its first or last second.
 */
DateTime civilFromUnix(std::int64_t secondsUtc);

/**
 * The local date and time of a time stamp in seconds since the epoch, in the process's time zone.
 * Thread-safe. Remembers the zone's offset per quarter hour, so a walk over millions of files
 * asks the C library only a few times; any value of @p seconds is accepted. A time the C library
 * cannot convert is shown in UTC.
 */
DateTime localFromUnix(std::int64_t seconds);

/**
 * Forgets every remembered zone offset, in every thread. Call it after changing the process's
 * time zone (setenv("TZ", ...) and tzset()); the remembered offsets are otherwise kept for good.
 */
void timeZoneChanged();

/**
 * Days from 1970-01-01 to the given proleptic Gregorian date (negative before it).
 * @p month outside 1..12 is clamped; @p day is counted from the first of the month, so day 0 is the
 * last day of the month before. Exact for years within +-10^9.
 */
std::int64_t daysFromCivil(std::int64_t year, int month, int day);

/** A DateTime of the given fields with its weekday filled in. The fields are not checked. */
DateTime makeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace dirlix
