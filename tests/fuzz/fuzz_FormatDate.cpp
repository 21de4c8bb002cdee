// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: libFuzzer target for the date pattern, the template's date placeholders and PadLeft.
#include "fuzz/FuzzInput.h"
#include "output/FormatDate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace dirlix;

namespace {

using fuzz::Input;

bool hasTokenLetter(std::string_view pattern)
{
    for (char c : pattern)
        if (std::strchr("dDmMyYhHnNsS", c) != nullptr && c != 0)
            return true;
    for (std::size_t i = 0; i + 3 <= pattern.size(); ++i)
        if ((pattern[i] | 0x20) == 'a' && pattern[i + 1] == '/' && (pattern[i + 2] | 0x20) == 'p')
            return true;
    return false;
}

// Counts characters as PadLeft does: a continuation byte belongs to the character before it.
std::size_t characters(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i == 0 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size};
    const auto seconds = in.take<std::int64_t>();
    const auto flags = in.take<std::uint8_t>();
    const auto width = in.take<std::int16_t>();
    const std::string text(reinterpret_cast<const char*>(in.data), in.size);

    DateTime when = civilFromUnix(seconds);
    if (flags & 1) {
        // Fields out of their range are printed as numbers and clamped for names.
        when.month = static_cast<std::int8_t>(seconds >> 8);
        when.day = static_cast<std::int8_t>(seconds >> 16);
        when.hour = static_cast<std::int8_t>(seconds >> 24);
        when.minute = static_cast<std::int8_t>(seconds >> 32);
        when.second = static_cast<std::int8_t>(seconds >> 40);
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
    if (appended != "keep" + formatted)
        std::abort();

    // A pattern without tokens is copied, only its separators mapped.
    if (!text.empty() && !hasTokenLetter(text)) {
        std::string expected;
        for (char c : text) {
            if (c == '/')
                expected += locale.dateSeparator;
            else if (c == ':')
                expected += locale.timeSeparator;
            else
                expected += c;
        }
        if (formatted != expected)
            std::abort();
    }

    // Date placeholders: a line with none stays as it is; every marker value stays within reach.
    for (char source : {'C', 'M'}) {
        std::string line = text;
        ExpandDatePlaceholders(line, source, when, locale);
        const std::string placeholder = std::string("%") + source;
        if (text.find(placeholder) == std::string::npos && line != text)
            std::abort();
    }
    for (int marker = -1; marker <= 16; ++marker) {
        const std::string value = DateMarkerValue(marker, when, locale);
        if ((marker < 0 || marker >= 16) && !value.empty())
            std::abort();
    }

    // PadLeft: the text trimmed of spaces, padded on the left to the width, or cut on the left at
    // the start of a character so that exactly width characters remain.
    const std::string padded = PadLeft(text, width);
    const std::size_t first = text.find_first_not_of(' ');
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (width <= 0) {
        if (!padded.empty())
            std::abort();
    } else if (characters(trimmed) <= static_cast<std::size_t>(width)) {
        if (padded != std::string(static_cast<std::size_t>(width) - characters(trimmed), ' ') + trimmed)
            std::abort();
    } else if (padded.size() > trimmed.size() || trimmed.compare(trimmed.size() - padded.size(), padded.size(), padded) != 0 ||
               (static_cast<unsigned char>(padded[0]) & 0xC0) == 0x80 ||
               characters(padded) != static_cast<std::size_t>(width)) {
        std::abort();
    }
    return 0;
}
