// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's time zone as the system knows it.
#pragma once

#include <cstdint>

namespace dirlix::platform {

/** The local zone's offset from UTC in seconds at @p seconds since the epoch; 0 where the system cannot say. */
std::int32_t localZoneOffset(std::int64_t seconds);

} // namespace dirlix::platform
