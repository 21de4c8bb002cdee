// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the date pattern language, the template's date placeholders and PadLeft.
#pragma once

#include "output/DateLocale.h"
#include "output/DateTime.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * A date pattern read once into tokens, so that it can format many time stamps cheaply.
 * Any text is a valid pattern: characters that are not tokens are copied.
 */
class DatePattern {
public:
    explicit DatePattern(std::string_view pattern);

    /** Appends the text of @p when in this pattern to @p out. An empty pattern gives the locale's general form. */
    void appendTo(std::string& out, const DateTime& when, const DateLocale& locale = englishLocale()) const;

    /** The pattern text as given. */
    const std::string& text() const { return mText; }

    struct Token {
        std::uint8_t kind;   // what the token stands for (implementation detail)
        std::uint8_t width;  // how many characters of a literal, or the run length
        std::uint32_t start; // offset of a literal in mText
    };

private:
    std::string mText;
    std::vector<Token> mTokens;
};

/** The text of @p when in @p pattern. Never fails; an empty pattern gives the locale's general form. */
std::string FormatDate(const DateTime& when, std::string_view pattern,
                       const DateLocale& locale = englishLocale());

/** The sixteen date markers of the line template, in the order they are expanded ("d%" .. "am%"). */
extern const std::array<std::string_view, 16> kDateMarkers;

/** The value of marker number @p index (0-based, order of kDateMarkers) for @p when. */
std::string DateMarkerValue(int index, const DateTime& when, const DateLocale& locale = englishLocale());

/**
 * Replaces every date placeholder of @p source ('C' or 'M') in @p line: for each marker in order,
 * the first 20 exact, case-sensitive matches of "%" + source + marker. Returns @p line.
 */
std::string& ExpandDatePlaceholders(std::string& line, char source, const DateTime& when,
                                    const DateLocale& locale = englishLocale());

/** @p text trimmed of spaces and right-aligned in exactly @p width characters (cut on the left). */
std::string PadLeft(std::string_view text, std::int16_t width);

} // namespace dirlix
