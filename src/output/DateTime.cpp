// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: civil dates from seconds since the epoch, and local time with a per-thread offset cache.
#include "output/DateTime.h"
#include "platform/LocalZone.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <ctime>
#include <limits>
#include <type_traits>

namespace dirlix {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kDaysPerEra = 146097; // 400 Gregorian years
constexpr std::int64_t kEpochShift = 719468; // days from 0000-03-01 to 1970-01-01

constexpr std::int64_t floorDiv(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

// Days from 1970-01-01, counting years from March so that the leap day ends the year.
constexpr std::int64_t daysFromCivilImpl(std::int64_t year, int month, std::int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + dayOfEra - kEpochShift;
}

// Outside these bounds a year no longer means anything for a file; clamping keeps every later
// step (adding a zone offset, the era arithmetic, the int year) far from overflow.
constexpr std::int64_t kMinSeconds = daysFromCivilImpl(-999999, 1, 1) * kSecondsPerDay;
constexpr std::int64_t kMaxSeconds = daysFromCivilImpl(999999, 12, 31) * kSecondsPerDay + kSecondsPerDay - 1;

// The start civilFromUnix counts from: 0000-03-01 minus kStartEras whole eras, before kMinSeconds.
constexpr std::int64_t kStartEras = 2600;
constexpr std::int64_t kStartDays = -kEpochShift - kStartEras * kDaysPerEra;
constexpr std::int64_t kStartSeconds = kStartDays * kSecondsPerDay;
static_assert(kStartSeconds <= kMinSeconds);
// The weekday of that start (1970-01-01, day 0, was a Thursday).
constexpr std::int64_t kStartWeekday = ((kStartDays + 4) % 7 + 7) % 7;

constexpr std::int64_t clampSeconds(std::int64_t seconds)
{
    return std::clamp(seconds, kMinSeconds, kMaxSeconds);
}

int weekdayFromDays(std::int64_t days)
{
    return static_cast<int>((days % 7 + 11) % 7); // 1970-01-01 was a Thursday
}

// The zone offset cache, one slot per quarter hour (direct-mapped). The generation lets
// timeZoneChanged() empty every thread's cache at once.
constexpr std::int64_t kBucketSeconds = 900;
constexpr std::size_t kCacheSlots = 256;

enum class SlotState : std::uint8_t {
    SeenOnce, // offset is that of one second; the quarter hour is not known to have one offset
    Steady,   // the quarter hour has one offset: offset
    Mixed,    // the offset changes inside the quarter hour: ask for every second
};

struct OffsetSlot {
    std::int64_t bucket = std::numeric_limits<std::int64_t>::min();
    std::int32_t offset = 0;
    std::uint32_t generation = 0;
    SlotState state = SlotState::SeenOnce;
};

std::atomic<std::uint32_t> gZoneGeneration{1};
// Kept per thread without a destructor: mingw-w64's emulated thread-local storage may free an
// object's memory before running its destructor at thread exit.
static_assert(std::is_trivially_destructible_v<std::array<OffsetSlot, kCacheSlots>>,
              "the per-thread offset cache must need no destructor");
thread_local std::array<OffsetSlot, kCacheSlots> tOffsetCache;

// The zone's offset from UTC at @p seconds, or 0 (UTC) where the system cannot say.
std::int32_t zoneOffsetAt(std::int64_t seconds)
{
    return platform::localZoneOffset(seconds);
}

} // namespace

std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    return daysFromCivilImpl(std::clamp<std::int64_t>(year, -1000000000, 1000000000), std::clamp(month, 1, 12), day);
}

DateTime makeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    DateTime result;
    result.year = year;
    result.month = month;
    result.day = day;
    result.hour = hour;
    result.minute = minute;
    result.second = second;
    result.weekday = weekdayFromDays(daysFromCivil(year, month, day));
    return result;
}

DateTime civilFromUnix(std::int64_t secondsUtc)
{
    // Counted from a start some eras before the earliest clamped second, every quantity is
    // non-negative: plain unsigned divisions by constants, which the compiler turns into multiplies.
    const auto sinceStart = static_cast<std::uint64_t>(clampSeconds(secondsUtc) - kStartSeconds);
    const std::uint64_t dayFromStart = sinceStart / kSecondsPerDay;
    const auto secondOfDay = static_cast<std::uint32_t>(sinceStart - dayFromStart * kSecondsPerDay);

    // The inverse of daysFromCivilImpl: the 400-year era, then the year and day within it.
    const std::uint64_t era = dayFromStart / kDaysPerEra;
    const auto dayOfEra = static_cast<std::uint32_t>(dayFromStart - era * kDaysPerEra);
    const std::uint32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint32_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);

    DateTime result;
    result.year = static_cast<int>(static_cast<std::int64_t>(era) * 400 - kStartEras * 400 + yearOfEra + (month <= 2 ? 1 : 0));
    result.month = month;
    result.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    result.hour = static_cast<int>(secondOfDay / 3600);
    result.minute = static_cast<int>(secondOfDay / 60 % 60);
    result.second = static_cast<int>(secondOfDay % 60);
    result.weekday = static_cast<int>((dayFromStart + kStartWeekday) % 7);
    return result;
}

DateTime localFromUnix(std::int64_t seconds)
{
    seconds = clampSeconds(seconds);
    const std::int64_t bucket = floorDiv(seconds, kBucketSeconds);
    const std::uint32_t generation = gZoneGeneration.load(std::memory_order_relaxed);
    OffsetSlot& slot = tOffsetCache[static_cast<std::uint64_t>(bucket) % kCacheSlots];
    if (slot.bucket != bucket || slot.generation != generation) {
        // A first visit costs one question, as without a cache: time stamps spread thinly over the
        // years would otherwise pay for checks that never pay back.
        const std::int32_t offset = zoneOffsetAt(seconds);
        slot = OffsetSlot{bucket, offset, generation, SlotState::SeenOnce};
        return civilFromUnix(seconds + offset);
    }
    if (slot.state == SlotState::SeenOnce) {
        // Zones change their offset on quarter hours nowadays, but not in the days of local mean
        // time (London moved from -0:01:15 to GMT in 1847). So a quarter hour counts as steady only
        // when its first and last second have the same offset.
        const std::int64_t bucketStart = bucket * kBucketSeconds;
        const std::int32_t atStart = zoneOffsetAt(bucketStart);
        if (atStart == zoneOffsetAt(bucketStart + kBucketSeconds - 1)) {
            slot.offset = atStart;
            slot.state = SlotState::Steady;
        } else {
            slot.state = SlotState::Mixed;
        }
    }
    if (slot.state == SlotState::Steady)
        return civilFromUnix(seconds + slot.offset);
    return civilFromUnix(seconds + zoneOffsetAt(seconds));
}

void timeZoneChanged()
{
    gZoneGeneration.fetch_add(1, std::memory_order_relaxed);
}

} // namespace dirlix
