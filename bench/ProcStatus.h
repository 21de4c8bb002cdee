// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro benchmarks: reading this process's memory figures from /proc.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace dirlix::bench {

/** A field of /proc/self/status such as "VmRSS:" or "VmHWM:", in bytes; 0 when it cannot be read. */
inline long long procStatus(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atoll(line.c_str() + std::strlen(key)) * 1024;
    return 0;
}

} // namespace dirlix::bench
