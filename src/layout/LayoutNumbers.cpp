// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: number reading and whole-number rounding used by the layout engine.
#include "layout/LayoutNumbers.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>

namespace dirlix {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Beyond this an exponent says all there is to say: no double is that large or that small
// for any mantissa the text could hold, so the exact figure need not be kept.
constexpr std::int64_t kExponentCap = 1'000'000'000'000;

LayoutResult<double> readRadixNumber(std::string_view digits, int radix)
{
    double value = 0;
    for (char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    if (!std::isfinite(value))
        return LayoutError::Overflow;
    return value;
}

} // namespace

LayoutResult<double> readLayoutNumber(std::string_view text)
{
    // Tabs and line feeds may stand anywhere, even between digits; drop them first so the
    // reader below sees only the characters that matter.
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != '\t' && c != '\n')
            s.push_back(c);

    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'O'))
        return readRadixNumber(std::string_view(s).substr(2), s[1] == 'H' ? 16 : 8);

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string intDigits;
    std::string fracDigits;
    while (i < s.size() && isDigit(s[i]))
        intDigits.push_back(s[i++]);
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            fracDigits.push_back(s[i++]);
    }
    if (intDigits.empty() && fracDigits.empty())
        return 0.0;

    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'D')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            ++i;
        }
        while (i < s.size() && isDigit(s[i])) {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (s[i] - '0');
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    // Leading zeros carry no value; without them the size of the number is easy to judge.
    const std::size_t intStart = intDigits.find_first_not_of('0');
    intDigits.erase(0, intStart == std::string::npos ? intDigits.size() : intStart);
    const std::size_t fracNonZero = fracDigits.find_first_not_of('0');
    if (intDigits.empty() && fracNonZero == std::string::npos)
        return negative ? -0.0 : 0.0;

    // The number lies between 10^(magnitude-1) and 10^magnitude.
    const std::int64_t magnitude = exponent
        + (intDigits.empty() ? -static_cast<std::int64_t>(fracNonZero) : static_cast<std::int64_t>(intDigits.size()));
    if (magnitude > 400)
        return LayoutError::Overflow;
    if (magnitude < -400)
        return negative ? -0.0 : 0.0;

    std::string normal = intDigits.empty() ? "0" : intDigits;
    if (!fracDigits.empty())
        normal += "." + fracDigits;
    normal += "e" + std::to_string(exponent);
    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        if (magnitude > 0)
            return LayoutError::Overflow;
        value = 0;
    } else if (ec != std::errc() || !std::isfinite(value)) {
        return LayoutError::Overflow;
    }
    return negative ? -value : value;
}

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

LayoutResult<std::int16_t> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return LayoutError::Overflow;
    const double rounded = roundHalfEven(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return LayoutError::Overflow;
    return static_cast<std::int16_t>(rounded);
}

LayoutResult<std::int32_t> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return LayoutError::Overflow;
    const double rounded = roundHalfEven(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return LayoutError::Overflow;
    return static_cast<std::int32_t>(rounded);
}

} // namespace dirlix
