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

/** The date pattern of the list's Created and Modified columns until the user picks another. */
inline constexpr std::string_view kDefaultDatePattern = "dd/mm/yy HH:MM:SS";

/**
 * A date pattern read once into tokens, so that it can format many time stamps cheaply.
 * Any text is a valid pattern: characters that are not tokens are copied.
 *
 * The language, read left to right; letters match in either case:
 * - "am/pm" and "a/p" (tried first, as whole texts) give the part before the "/" before noon and
 *   the part after it from noon on, in the letter case written ("AM/PM" gives AM or PM). Either
 *   marker anywhere in the pattern puts h and hh on the 12-hour clock (0 shows as 12).
 * - A run of one token letter is one token: d (day), dd (day, 2 digits), ddd (short weekday),
 *   dddd (full weekday); m, mm (month number), mmm, mmmm (month names); y (day of the year,
 *   1..366), yy (year, 2 digits), yyyy (year, at least 4 digits); h, hh (hour); n, nn (minutes);
 *   s, ss (seconds). "Hh" is hh, "Mmm" is mmm.
 * - A run longer than its letter's tokens is cut greedily into the longest tokens: ddddd is
 *   dddd + d, mmmmm is mmmm + m, yyy is yy + y, hhh is hh + h (likewise n and s).
 * - m and mm mean minutes when the nearest token before them (separators and other characters
 *   skipped, AM/PM markers counted as tokens) is h or hh; otherwise they mean the month.
 * - "/" gives the locale's date separator and ":" its time separator.
 * - Every other byte is copied unchanged; there is no quoting or escaping.
 * - An empty pattern gives the locale's general pattern.
 * Names come from the locale; numbers are plain ASCII digits. Fields out of range (month 13) are
 * printed as numbers and clamped for names; the weekday and day of year come from the date itself.
 */
class DatePattern {
public:
    explicit DatePattern(std::string_view pattern);

    /**
     * Appends the text of @p when in this pattern to @p out, leaving what @p out held before.
     * Allocates nothing beyond the growth of @p out (an empty pattern reads the locale's general
     * pattern on the stack, unless it is very long). An empty pattern gives the locale's general form.
     */
    void appendTo(std::string& out, const DateTime& when, const DateLocale& locale = englishLocale()) const;

    /** The pattern text as given. */
    const std::string& text() const { return mText; }

    /** One piece of the pattern, for a formatter outside this program (the web page's script). */
    struct Piece {
        enum Field : std::uint8_t { Text, Day, Weekday, Month, MonthName, Minute, DayOfYear, Year, Hour, Second, AmPm };
        Field field = Text;
        /** Numbers: the fewest digits (zeros in front); names: 3 short, 4 long; Year: 2 (last two digits) or 4. */
        std::uint8_t width = 0;
        bool twelveHour = false; ///< Hour: on the 12-hour clock (0 shows as 12)
        std::string text;        ///< Text: the bytes to copy; AmPm: the text before noon
        std::string afternoon;   ///< AmPm: the text from noon on
    };
    /**
     * The pattern as pieces that give, one after another, exactly what appendTo() writes: the
     * separators already taken from @p locale, an empty pattern as the locale's general pattern.
     */
    std::vector<Piece> pieces(const DateLocale& locale = englishLocale()) const;

    struct Token {
        std::uint8_t kind;   // what the token stands for (implementation detail)
        std::uint8_t width;  // how many characters of a literal, or the run length
        std::uint32_t start; // offset of a literal in mText
    };

private:
    std::string mText;
    std::vector<Token> mTokens;
    bool mTwelveHour = false;
};

/** The text of @p when in @p pattern. Never fails; an empty pattern gives the locale's general form. */
std::string FormatDate(const DateTime& when, std::string_view pattern,
                       const DateLocale& locale = englishLocale());

/** The sixteen date markers of the line template, in the order they are expanded ("d%" .. "am%"). */
extern const std::array<std::string_view, 16> kDateMarkers;

/**
 * The value of marker number @p index (0-based, order of kDateMarkers) for @p when: "d%" to "yyyy%"
 * the pattern of the same letters; "I%" the 12-hour hour right-aligned in two characters; "II%" the
 * 12-hour hour in two digits; "H%" the hour right-aligned in two characters; "HH%", "MM%", "SS%"
 * hour, minutes and seconds in two digits; "am%" am or pm. An index out of range gives "".
 */
std::string DateMarkerValue(int index, const DateTime& when, const DateLocale& locale = englishLocale());

/**
 * Replaces every date placeholder of @p source ('C' or 'M') in @p line: for each marker in order,
 * the first 20 exact, case-sensitive matches of "%" + source + marker, each search going on after
 * the text just inserted. Later markers do search text that earlier ones inserted. Returns @p line.
 */
std::string& ExpandDatePlaceholders(std::string& line, char source, const DateTime& when,
                                    const DateLocale& locale = englishLocale());

/**
 * @p text trimmed of spaces (only ' ') and right-aligned in exactly @p width characters (cut on the
 * left). Characters are UTF-8 code points; a continuation byte counts with the character before it
 * (one at the very start counts as a character). A width of 0 or less gives "".
 */
std::string PadLeft(std::string_view text, std::int16_t width);

} // namespace dirlix
