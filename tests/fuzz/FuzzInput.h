// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro fuzz targets: reading numbers and texts off the front of a fuzzer's input, and failing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace dirlix::fuzz {

/** The part of a fuzzer's input not read yet; reads past its end give zeros and empty texts. */
struct Input {
    const std::uint8_t* data;
    std::size_t size;

    /** The next sizeof(T) bytes as a T (missing bytes are zero). */
    template <typename T> T take()
    {
        T value{};
        const std::size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }

    /** The bytes up to the next zero byte (which is skipped), or all that is left. */
    std::string text()
    {
        const void* end = std::memchr(data, 0, size);
        const std::size_t n = end ? std::size_t(static_cast<const std::uint8_t*>(end) - data) : size;
        std::string out(reinterpret_cast<const char*>(data), n);
        data += end ? n + 1 : n;
        size -= end ? n + 1 : n;
        return out;
    }
};

/** What a target made of its last input, where its kept inputs have expected outputs; else empty. */
inline std::string output;

/** Ends the run as a failure, for the fuzzer or the replay test, when @p holds is false. */
inline void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace dirlix::fuzz
