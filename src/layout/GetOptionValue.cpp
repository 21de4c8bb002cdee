// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading one growth factor out of a control's layout rule text.
#include "layout/GetOptionValue.h"

#include "layout/LayoutNumbers.h"

#include <cstddef>
#include <cstdint>

namespace dirlix {

namespace {

// Character positions in a rule text are 16-bit: a value that reaches past this position
// cannot be read.
constexpr std::size_t kLastPosition = 32767;

// The 1-based character position of the byte at @p offset, counting characters the way the
// window system does (UTF-16 units), so that non-ASCII text in a rule counts as it is shown.
std::size_t characterPosition(std::string_view text, std::size_t offset)
{
    // A character takes at least one byte: a small offset needs no counting.
    if (offset < kLastPosition)
        return offset + 1;
    std::size_t units = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units + 1 + (offset > text.size() ? offset - text.size() : 0);
}

LayoutResult<std::int16_t> readPart(std::string_view text)
{
    const LayoutResult<double> number = readLayoutNumber(text);
    if (!number.ok())
        return number.error();
    return roundToInt16(number.value());
}

} // namespace

LayoutResult<double> GetOptionValue(std::string_view key, std::string_view pOpts)
{
    const std::size_t found = key.empty() ? 0 : pOpts.find(key);
    if (key.empty() || found == std::string_view::npos)
        return 0.0;
    const std::size_t start = found + key.size();
    std::size_t end = pOpts.find(' ', start);
    if (end == std::string_view::npos)
        end = pOpts.size();
    if (characterPosition(pOpts, end) > kLastPosition)
        return LayoutError::Overflow;

    const std::string_view value = pOpts.substr(start, end - start);
    const LayoutResult<std::int16_t> numerator = readPart(value);
    if (!numerator.ok())
        return numerator.error();

    std::int16_t denominator = 1;
    if (const std::size_t slash = value.find('/'); slash != std::string_view::npos) {
        if (characterPosition(value, slash) >= kLastPosition)
            return LayoutError::Overflow;
        const LayoutResult<std::int16_t> below = readPart(value.substr(slash + 1));
        if (!below.ok())
            return below.error();
        denominator = below.value();
    }
    if (denominator == 0)
        return LayoutError::DivisionByZero;
    return static_cast<double>(numerator.value()) / denominator;
}

} // namespace dirlix
