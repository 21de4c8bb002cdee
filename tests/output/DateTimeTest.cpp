// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: civil dates from seconds and local time against the C library.
#include "output/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <thread>

namespace dirlix {
namespace {

DateTime fromTm(const std::tm& parts)
{
    DateTime result;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    result.weekday = parts.tm_wday;
    return result;
}

std::string show(const DateTime& when)
{
    return std::to_string(when.year) + "-" + std::to_string(when.month) + "-" + std::to_string(when.day) + " " +
           std::to_string(when.hour) + ":" + std::to_string(when.minute) + ":" + std::to_string(when.second) +
           " wd" + std::to_string(when.weekday);
}

// Sets TZ for the scope of one test and puts the previous value back.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone)
    {
        if (const char* previous = std::getenv("TZ"))
            mPrevious = previous;
        setZone(zone);
    }
    ~ZoneScope() { setZone(mPrevious ? mPrevious->c_str() : nullptr); }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

    static void setZone(const char* zone)
    {
        if (zone)
            setenv("TZ", zone, 1);
        else
            unsetenv("TZ");
        tzset();
        timeZoneChanged();
    }

private:
    std::optional<std::string> mPrevious;
};

// Compares localFromUnix with localtime_r at every second of [from, to), stopping at the first fault.
void expectLocalMatchesLibrary(std::int64_t from, std::int64_t to, std::int64_t step = 1)
{
    for (std::int64_t t = from; t < to; t += step) {
        const std::time_t when = static_cast<std::time_t>(t);
        std::tm parts{};
        ASSERT_NE(localtime_r(&when, &parts), nullptr) << t;
        ASSERT_EQ(show(localFromUnix(t)), show(fromTm(parts))) << "at " << t << " in " << std::getenv("TZ");
    }
}

TEST(CivilFromUnix, MatchesGmtimeAcrossTenThousandYearsEitherSide)
{
    EXPECT_EQ(civilFromUnix(0), makeDateTime(1970, 1, 1, 0, 0, 0));
    EXPECT_EQ(civilFromUnix(-1), makeDateTime(1969, 12, 31, 23, 59, 59));
    EXPECT_EQ(civilFromUnix(1709647629), makeDateTime(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(civilFromUnix(1709647629).weekday, 2);
    EXPECT_EQ(civilFromUnix(951782400), makeDateTime(2000, 2, 29));

    const std::int64_t span = std::int64_t{10000} * 366 * 86400;
    std::mt19937_64 random(20240305);
    std::uniform_int_distribution<std::int64_t> anywhere(-span, span);
    for (int i = 0; i < 200000; ++i) {
        const std::int64_t t = i < 1000 ? -span + i * 86399 : anywhere(random);
        const std::time_t when = static_cast<std::time_t>(t);
        std::tm parts{};
        ASSERT_NE(gmtime_r(&when, &parts), nullptr);
        ASSERT_EQ(show(civilFromUnix(t)), show(fromTm(parts))) << t;
        const DateTime civil = civilFromUnix(t);
        ASSERT_EQ(daysFromCivil(civil.year, civil.month, civil.day) * 86400 + civil.hour * 3600 + civil.minute * 60 +
                      civil.second,
                  t);
    }
}

TEST(CivilFromUnix, ExtremeValuesAreClampedWithoutOverflow)
{
    const std::int64_t extremes[] = {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                     std::numeric_limits<std::int64_t>::min() + 1, std::numeric_limits<std::int64_t>::max() - 1};
    for (const std::int64_t t : extremes) {
        for (const DateTime& when : {civilFromUnix(t), localFromUnix(t)}) {
            EXPECT_GE(when.month, 1);
            EXPECT_LE(when.month, 12);
            EXPECT_GE(when.day, 1);
            EXPECT_LE(when.day, 31);
            EXPECT_GE(when.weekday, 0);
            EXPECT_LE(when.weekday, 6);
        }
    }
    EXPECT_EQ(civilFromUnix(std::numeric_limits<std::int64_t>::max()), makeDateTime(999999, 12, 31, 23, 59, 59));
    EXPECT_EQ(civilFromUnix(std::numeric_limits<std::int64_t>::min()), makeDateTime(-999999, 1, 1, 0, 0, 0));
}

TEST(LocalFromUnix, MatchesLocaltimeAroundZoneChanges)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/London") ||
        !std::filesystem::exists("/usr/share/zoneinfo/Australia/Lord_Howe"))
        GTEST_SKIP() << "no time zone data in /usr/share/zoneinfo (package tzdata): cannot compare local times";

    {
        ZoneScope zone("Europe/London");
        expectLocalMatchesLibrary(std::int64_t{-8000000000}, std::int64_t{9000000000}, 86399 * 7 + 1234);
        expectLocalMatchesLibrary(1711846800 - 3600, 1711846800 + 3600); // 31 Mar 2024, clocks go forward
        expectLocalMatchesLibrary(1729990800 - 3600, 1729990800 + 3600); // 27 Oct 2024, clocks go back
        expectLocalMatchesLibrary(-3852662325 - 1800, -3852662325 + 1800); // 1 Dec 1847, LMT to GMT at an odd second
    }
    {
        // Half-hour daylight saving, so a cached offset from the London run would be wrong here.
        ZoneScope zone("Australia/Lord_Howe");
        expectLocalMatchesLibrary(1711846800 - 3600, 1711846800 + 3600); // the London window again
        expectLocalMatchesLibrary(1712415600 - 3600, 1712415600 + 3600); // 7 Apr 2024, back half an hour
        expectLocalMatchesLibrary(1728142200 - 3600, 1728142200 + 3600); // 6 Oct 2024, on half an hour
    }
    {
        // Every thread has its own cache; all must agree with the C library at once.
        ZoneScope zone("America/St_Johns");
        auto sweep = [] { expectLocalMatchesLibrary(1699158600 - 7200, 1699158600 + 7200); }; // 5 Nov 2023
        std::thread other(sweep);
        sweep();
        other.join();
    }
}

} // namespace
} // namespace dirlix
