// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: civil dates from seconds and local time against the C library.
#include "output/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <thread>

namespace dirlix {

// How GoogleTest shows a DateTime in a failure message.
void PrintTo(const DateTime& when, std::ostream* out)
{
    *out << when.year << '-' << when.month << '-' << when.day << ' ' << when.hour << ':' << when.minute << ':'
         << when.second << " weekday " << when.weekday;
}

namespace {

DateTime fromTm(const std::tm& parts)
{
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
            parts.tm_wday};
}

// Moves the process to another time zone. No other test of this program depends on the zone, so
// it is not put back.
void useZone(const char* zone)
{
    setenv("TZ", zone, 1);
    tzset();
    timeZoneChanged();
}

// Compares localFromUnix with localtime_r at every step of [from, to), stopping at the first fault.
void expectLocalMatchesLibrary(std::int64_t from, std::int64_t to, std::int64_t step = 1)
{
    for (std::int64_t t = from; t < to; t += step) {
        const std::time_t when = static_cast<std::time_t>(t);
        std::tm parts{};
        ASSERT_NE(localtime_r(&when, &parts), nullptr) << t;
        ASSERT_EQ(localFromUnix(t), fromTm(parts)) << "at " << t << " in " << std::getenv("TZ");
    }
}

TEST(CivilFromUnix, MatchesGmtimeAcrossTenThousandYearsEitherSide)
{
    const std::int64_t span = std::int64_t{10000} * 366 * 86400;
    std::mt19937_64 random(20240305);
    std::uniform_int_distribution<std::int64_t> anywhere(-span, span);
    for (int i = 0; i < 200000; ++i) {
        const std::int64_t t = i < 1000 ? -span + i * 86399 : anywhere(random);
        const std::time_t when = static_cast<std::time_t>(t);
        std::tm parts{};
        ASSERT_NE(gmtime_r(&when, &parts), nullptr);
        const DateTime civil = civilFromUnix(t);
        ASSERT_EQ(civil, fromTm(parts)) << t;
        ASSERT_EQ(daysFromCivil(civil.year, civil.month, civil.day) * 86400 + civil.hour * 3600 + civil.minute * 60 +
                      civil.second,
                  t);
    }
}

TEST(CivilFromUnix, ExtremeValuesAreClampedWithoutOverflow)
{
    using limits = std::numeric_limits<std::int64_t>;
    for (const std::int64_t t : {limits::min(), limits::max(), limits::min() + 1, limits::max() - 1}) {
        for (const DateTime& when : {civilFromUnix(t), localFromUnix(t)}) {
            EXPECT_TRUE(when.month >= 1 && when.month <= 12 && when.day >= 1 && when.day <= 31 && when.weekday >= 0 &&
                        when.weekday <= 6)
                << testing::PrintToString(when);
        }
    }
    EXPECT_EQ(civilFromUnix(limits::max()), makeDateTime(999999, 12, 31, 23, 59, 59));
    EXPECT_EQ(civilFromUnix(limits::min()), makeDateTime(-999999, 1, 1, 0, 0, 0));
}

TEST(LocalFromUnix, MatchesLocaltimeAroundZoneChanges)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/London") ||
        !std::filesystem::exists("/usr/share/zoneinfo/Australia/Lord_Howe"))
        GTEST_SKIP() << "no time zone data in /usr/share/zoneinfo (package tzdata): cannot compare local times";

    useZone("Europe/London");
    expectLocalMatchesLibrary(std::int64_t{-8000000000}, std::int64_t{9000000000}, 86399 * 7 + 1234);
    expectLocalMatchesLibrary(1711846800 - 3600, 1711846800 + 3600); // 31 Mar 2024, clocks go forward
    expectLocalMatchesLibrary(1729990800 - 3600, 1729990800 + 3600); // 27 Oct 2024, clocks go back
    expectLocalMatchesLibrary(-3852662325 - 1800, -3852662325 + 1800); // 1 Dec 1847, LMT to GMT at an odd second

    // Half-hour daylight saving, so a cached offset from the London run would be wrong here.
    useZone("Australia/Lord_Howe");
    expectLocalMatchesLibrary(1711846800 - 3600, 1711846800 + 3600); // the London window again
    expectLocalMatchesLibrary(1712415600 - 3600, 1712415600 + 3600); // 7 Apr 2024, back half an hour
    expectLocalMatchesLibrary(1728142200 - 3600, 1728142200 + 3600); // 6 Oct 2024, on half an hour

    // Every thread has its own cache; all must agree with the C library at once.
    useZone("America/St_Johns");
    auto sweep = [] { expectLocalMatchesLibrary(1699158600 - 7200, 1699158600 + 7200); }; // 5 Nov 2023
    std::thread other(sweep);
    sweep();
    other.join();
}

} // namespace
} // namespace dirlix
