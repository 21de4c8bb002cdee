// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's time zone from the C library's zone rules.
#include "platform/LocalZone.h"

#include <ctime>
#include <limits>

namespace dirlix::platform {

std::int32_t localZoneOffset(std::int64_t seconds)
{
    if (seconds < std::numeric_limits<std::time_t>::min() || seconds > std::numeric_limits<std::time_t>::max())
        return 0;
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr)
        return 0;
    return static_cast<std::int32_t>(parts.tm_gmtoff);
}

} // namespace dirlix::platform
