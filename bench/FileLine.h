// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the line the bare walkers print for a file: path, size, mode, birth and modification time.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace dirlix::bench {

inline void appendNumber(std::string& out, long long value)
{
    char buffer[24];
    const int n = std::snprintf(buffer, sizeof buffer, "%lld", value);
    out.append(buffer, std::size_t(n));
}

/** Appends the line of the file @p name in @p folder (ending in '/') with the details @p sx. */
inline void appendFileLine(std::string& out, std::string_view folder, std::string_view name, const struct statx& sx)
{
    out += folder;
    out += name;
    for (const long long value : {(long long)sx.stx_size, (long long)sx.stx_mode, (long long)sx.stx_btime.tv_sec,
                                  (long long)sx.stx_mtime.tv_sec}) {
        out += '\t';
        appendNumber(out, value);
    }
    out += '\n';
}

} // namespace dirlix::bench
