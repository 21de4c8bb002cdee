// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's time zone from Windows' zone settings.
#include "platform/LocalZone.h"

#include <windows.h>

namespace dirlix::platform {

std::int32_t localZoneOffset(std::int64_t seconds)
{
    // Windows' times count from 1601 in 100-nanosecond steps and end in the year 30827.
    constexpr std::int64_t kFrom1601 = 11644473600LL;
    if (seconds < -kFrom1601 || seconds > 910692730085LL)
        return 0;
    const std::uint64_t ticks = std::uint64_t(seconds + kFrom1601) * 10000000ULL;
    const FILETIME utcTime{DWORD(ticks & 0xFFFFFFFF), DWORD(ticks >> 32)};
    SYSTEMTIME utc, local;
    FILETIME localTime;
    if (!FileTimeToSystemTime(&utcTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localTime))
        return 0;
    const std::int64_t localTicks =
        std::int64_t((std::uint64_t(localTime.dwHighDateTime) << 32) | localTime.dwLowDateTime);
    return std::int32_t((localTicks - std::int64_t(ticks)) / 10000000);
}

} // namespace dirlix::platform
