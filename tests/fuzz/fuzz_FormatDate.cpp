// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: libFuzzer target for the date pattern, the template's date placeholders and PadLeft.
// The input: seconds (8 bytes), flags (1), PadLeft's width (2), then the pattern text.
#include "fuzz/FuzzInput.h"
#include "output/FormatDate.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace dirlix;
using fuzz::check;

namespace {

bool hasToken(std::string_view pattern)
{
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != 0 && std::strchr("dDmMyYhHnNsS", pattern[i]) != nullptr)
            return true;
        if (i + 3 <= pattern.size() && (pattern[i] | 0x20) == 'a' && pattern[i + 1] == '/' && (pattern[i + 2] | 0x20) == 'p')
            return true;
    }
    return false;
}

// Counts characters as PadLeft does: a continuation byte belongs to the character before it.
std::size_t characters(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        count += i == 0 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in{data, size};
    const auto seconds = in.take<std::int64_t>();
    const auto flags = in.take<std::uint8_t>();
    const auto width = in.take<std::int16_t>();
    const std::string text(reinterpret_cast<const char*>(in.data), in.size);

    DateTime when = civilFromUnix(seconds);
    if (flags & 1) {
        // Fields out of their range are printed as numbers and clamped for names.
        int* fields[] = {&when.month, &when.day, &when.hour, &when.minute, &when.second};
        for (int i = 0; i < 5; ++i)
            *fields[i] = static_cast<std::int8_t>(seconds >> (8 * (i + 1)));
    }
    DateLocale locale;
    if (flags & 2) {
        locale.dateSeparator = "\xe2\x80\x92";
        locale.timeSeparator = "";
        locale.monthLong[0] = "";
    }

    // The compiled pattern and the one-off call agree, and appending keeps what was there.
    const std::string formatted = FormatDate(when, text, locale);
    std::string appended = "keep";
    DatePattern(text).appendTo(appended, when, locale);
    check(appended == "keep" + formatted);

    // A pattern without tokens is copied, only its separators mapped.
    if (!text.empty() && !hasToken(text)) {
        std::string expected;
        for (char c : text)
            expected += c == '/' ? locale.dateSeparator : c == ':' ? locale.timeSeparator : std::string(1, c);
        check(formatted == expected);
    }

    // Date placeholders: a line with none stays as it is; a marker number out of range gives nothing.
    for (char source : {'C', 'M'}) {
        std::string line = text;
        ExpandDatePlaceholders(line, source, when, locale);
        check(text.find(std::string("%") + source) != std::string::npos || line == text);
    }
    for (int marker = -1; marker <= 16; ++marker) {
        const std::string value = DateMarkerValue(marker, when, locale);
        check((marker >= 0 && marker < 16) || value.empty());
    }

    // PadLeft: the text trimmed of spaces, padded on the left to the width, or cut on the left at
    // the start of a character so that exactly width characters remain.
    const std::string padded = PadLeft(text, width);
    const std::size_t first = text.find_first_not_of(' ');
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (width <= 0)
        check(padded.empty());
    else if (characters(trimmed) <= static_cast<std::size_t>(width))
        check(padded == std::string(static_cast<std::size_t>(width) - characters(trimmed), ' ') + trimmed);
    else
        check(padded.size() <= trimmed.size() && trimmed.ends_with(padded) &&
              (static_cast<unsigned char>(padded[0]) & 0xC0) != 0x80 &&
              characters(padded) == static_cast<std::size_t>(width));
    return 0;
}
