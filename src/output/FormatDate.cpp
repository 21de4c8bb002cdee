// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the date pattern reader and formatter, the date placeholders and PadLeft.
#include "output/FormatDate.h"

#include <algorithm>
#include <iterator>
#include <span>

namespace dirlix {

namespace {

enum Kind : std::uint8_t {
    Literal,
    DateSeparator,
    TimeSeparator,
    AmPm,
    Day,
    Day2,
    WeekdayShort,
    WeekdayLong,
    Month,
    Month2,
    MonthShort,
    MonthLong,
    Minute,
    Minute2,
    DayOfYear,
    Year2,
    Year4,
    Hour,
    Hour2,
    Second,
    Second2,
};

constexpr std::size_t kMaxLiteralWidth = 255;

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesMarker(std::string_view text, std::size_t pos, std::string_view marker)
{
    if (text.size() - pos < marker.size())
        return false;
    for (std::size_t i = 0; i < marker.size(); ++i) {
        if (asciiLower(text[pos + i]) != marker[i])
            return false;
    }
    return true;
}

// The longest token of @p letter no longer than @p run characters, as (kind, length).
std::pair<Kind, std::size_t> longestToken(char letter, std::size_t run)
{
    switch (letter) {
    case 'd':
        if (run >= 4) return {WeekdayLong, 4};
        if (run == 3) return {WeekdayShort, 3};
        return run == 2 ? std::pair{Day2, std::size_t{2}} : std::pair{Day, std::size_t{1}};
    case 'm':
        if (run >= 4) return {MonthLong, 4};
        if (run == 3) return {MonthShort, 3};
        return run == 2 ? std::pair{Month2, std::size_t{2}} : std::pair{Month, std::size_t{1}};
    case 'y':
        if (run >= 4) return {Year4, 4};
        return run >= 2 ? std::pair{Year2, std::size_t{2}} : std::pair{DayOfYear, std::size_t{1}};
    case 'h':
        return run >= 2 ? std::pair{Hour2, std::size_t{2}} : std::pair{Hour, std::size_t{1}};
    case 'n':
        return run >= 2 ? std::pair{Minute2, std::size_t{2}} : std::pair{Minute, std::size_t{1}};
    default: // 's'
        return run >= 2 ? std::pair{Second2, std::size_t{2}} : std::pair{Second, std::size_t{1}};
    }
}

bool isTokenLetter(char lower)
{
    return lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 'n' || lower == 's';
}

// Digits without std::to_chars' generality: the values are small and this runs per field per row.
void appendNumber(std::string& out, std::int64_t value, int minDigits)
{
    if (value >= 0 && value < 100 && minDigits <= 2) {
        const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
        if (value >= 10 || minDigits == 2)
            out.append(digits, 2);
        else
            out.push_back(digits[1]);
        return;
    }
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* cursor = end;
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--cursor = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (end - cursor < minDigits)
        *--cursor = '0';
    if (value < 0)
        *--cursor = '-';
    out.append(cursor, end);
}

int weekdayOf(const DateTime& when)
{
    return static_cast<int>((daysFromCivil(when.year, when.month, when.day) % 7 + 11) % 7);
}

int dayOfYear(const DateTime& when)
{
    return static_cast<int>(daysFromCivil(when.year, when.month, when.day) - daysFromCivil(when.year, 1, 1) + 1);
}

int clampedMonthIndex(const DateTime& when)
{
    return std::clamp(when.month, 1, 12) - 1;
}

// The tokens of @p text into @p tokens (a vector, or FixedTokens for a pattern read for one use);
// @p twelveHour is set when an AM/PM marker puts the hours on the 12-hour clock.
template <class Tokens>
void readPattern(std::string_view text, Tokens& tokens, bool& twelveHour)
{
    bool afterHour = false; // whether the nearest token so far is h or hh

    auto addLiteral = [&tokens](std::size_t pos) {
        if (!tokens.empty()) {
            DatePattern::Token& last = tokens.back();
            if (last.kind == Literal && last.start + last.width == pos && last.width < kMaxLiteralWidth) {
                ++last.width;
                return;
            }
        }
        tokens.push_back(DatePattern::Token{Literal, 1, static_cast<std::uint32_t>(pos)});
    };

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t markerLength = 0;
        if (matchesMarker(text, pos, "am/pm"))
            markerLength = 5;
        else if (matchesMarker(text, pos, "a/p"))
            markerLength = 3;
        if (markerLength != 0) {
            tokens.push_back(
                DatePattern::Token{AmPm, static_cast<std::uint8_t>(markerLength), static_cast<std::uint32_t>(pos)});
            twelveHour = true;
            afterHour = false;
            pos += markerLength;
            continue;
        }

        const char letter = asciiLower(text[pos]);
        if (isTokenLetter(letter)) {
            std::size_t run = 1;
            while (pos + run < text.size() && asciiLower(text[pos + run]) == letter)
                ++run;
            pos += run;
            while (run > 0) {
                auto [kind, length] = longestToken(letter, run);
                if (afterHour && kind == Month)
                    kind = Minute;
                else if (afterHour && kind == Month2)
                    kind = Minute2;
                tokens.push_back(DatePattern::Token{kind, static_cast<std::uint8_t>(length), 0});
                afterHour = kind == Hour || kind == Hour2;
                run -= length;
            }
            continue;
        }

        if (text[pos] == '/')
            tokens.push_back(DatePattern::Token{DateSeparator, 1, 0});
        else if (text[pos] == ':')
            tokens.push_back(DatePattern::Token{TimeSeparator, 1, 0});
        else
            addLiteral(pos);
        ++pos;
    }
}

// Appends @p when in the pattern @p text read into @p tokens.
void appendTokens(std::string& out, const DateTime& when, const DateLocale& locale, const char* text,
                  std::span<const DatePattern::Token> tokens, bool twelveHour)
{
    for (const DatePattern::Token& token : tokens) {
        switch (token.kind) {
        case Literal:
            out.append(text + token.start, token.width);
            break;
        case DateSeparator:
            out += locale.dateSeparator;
            break;
        case TimeSeparator:
            out += locale.timeSeparator;
            break;
        case AmPm: {
            // "am/pm": before noon the two characters before the "/", after it the two after it.
            const std::size_t half = token.width / 2;
            out.append(text + token.start + (when.hour < 12 ? 0 : half + 1), half);
            break;
        }
        case Day:
        case Day2:
            appendNumber(out, when.day, token.kind == Day2 ? 2 : 1);
            break;
        case WeekdayShort:
            out += locale.dayShort[weekdayOf(when)];
            break;
        case WeekdayLong:
            out += locale.dayLong[weekdayOf(when)];
            break;
        case Month:
        case Month2:
            appendNumber(out, when.month, token.kind == Month2 ? 2 : 1);
            break;
        case MonthShort:
            out += locale.monthShort[clampedMonthIndex(when)];
            break;
        case MonthLong:
            out += locale.monthLong[clampedMonthIndex(when)];
            break;
        case Minute:
        case Minute2:
            appendNumber(out, when.minute, token.kind == Minute2 ? 2 : 1);
            break;
        case DayOfYear:
            appendNumber(out, dayOfYear(when), 1);
            break;
        case Year2:
            appendNumber(out, (when.year % 100 + 100) % 100, 2);
            break;
        case Year4:
            appendNumber(out, when.year, 4);
            break;
        case Hour:
        case Hour2: {
            int hour = when.hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            appendNumber(out, hour, token.kind == Hour2 ? 2 : 1);
            break;
        }
        case Second:
        case Second2:
            appendNumber(out, when.second, token.kind == Second2 ? 2 : 1);
            break;
        default:
            break;
        }
    }
}

// The tokens of a pattern read for one use, held on the stack; overflowed once it had more.
struct FixedTokens {
    DatePattern::Token items[64];
    std::size_t count = 0;
    bool overflowed = false;

    bool empty() const { return count == 0; }
    DatePattern::Token& back() { return items[count - 1]; }
    void push_back(const DatePattern::Token& token)
    {
        if (count < std::size(items))
            items[count++] = token;
        else
            overflowed = true;
    }
};

// The empty pattern stands for the locale's general pattern. It is read again for each use, on the
// stack: a compiled copy kept per thread would need a destructor at thread exit, which mingw-w64's
// emulated thread-local storage may run after freeing the object's memory. Few rows come here: the
// row texts keep each time stamp's text.
void appendGeneral(std::string& out, const DateTime& when, const DateLocale& locale)
{
    const std::string& general = locale.generalPattern;
    if (general.empty())
        return;
    FixedTokens tokens;
    bool twelveHour = false;
    readPattern(general, tokens, twelveHour);
    if (tokens.overflowed)
        DatePattern(general).appendTo(out, when, locale);
    else
        appendTokens(out, when, locale, general.data(), std::span(tokens.items, tokens.count), twelveHour);
}

} // namespace

DatePattern::DatePattern(std::string_view pattern)
    : mText(pattern)
{
    readPattern(mText, mTokens, mTwelveHour);
}

void DatePattern::appendTo(std::string& out, const DateTime& when, const DateLocale& locale) const
{
    if (mText.empty())
        appendGeneral(out, when, locale);
    else
        appendTokens(out, when, locale, mText.data(), mTokens, mTwelveHour);
}

std::vector<DatePattern::Piece> DatePattern::pieces(const DateLocale& locale) const
{
    if (mText.empty())
        return locale.generalPattern.empty() ? std::vector<Piece>{} : DatePattern(locale.generalPattern).pieces(locale);
    std::vector<Piece> out;
    const auto text = [&out](std::string_view bytes) {
        if (out.empty() || out.back().field != Piece::Text)
            out.push_back(Piece{});
        out.back().text += bytes;
    };
    const auto field = [&out](Piece::Field field, std::uint8_t width, bool twelveHour = false) {
        out.push_back(Piece{field, width, twelveHour, {}, {}});
    };
    for (const Token& token : mTokens) {
        switch (token.kind) {
        case Literal: text(std::string_view(mText).substr(token.start, token.width)); break;
        case DateSeparator: text(locale.dateSeparator); break;
        case TimeSeparator: text(locale.timeSeparator); break;
        case AmPm: {
            const std::size_t half = token.width / 2;
            out.push_back(Piece{Piece::AmPm, 0, false, mText.substr(token.start, half),
                                mText.substr(token.start + half + 1, half)});
            break;
        }
        case Day: case Day2: field(Piece::Day, token.kind == Day2 ? 2 : 1); break;
        case WeekdayShort: case WeekdayLong: field(Piece::Weekday, token.kind == WeekdayLong ? 4 : 3); break;
        case Month: case Month2: field(Piece::Month, token.kind == Month2 ? 2 : 1); break;
        case MonthShort: case MonthLong: field(Piece::MonthName, token.kind == MonthLong ? 4 : 3); break;
        case Minute: case Minute2: field(Piece::Minute, token.kind == Minute2 ? 2 : 1); break;
        case DayOfYear: field(Piece::DayOfYear, 1); break;
        case Year2: case Year4: field(Piece::Year, token.kind == Year4 ? 4 : 2); break;
        case Hour: case Hour2: field(Piece::Hour, token.kind == Hour2 ? 2 : 1, mTwelveHour); break;
        case Second: case Second2: field(Piece::Second, token.kind == Second2 ? 2 : 1); break;
        default: break;
        }
    }
    return out;
}

std::string FormatDate(const DateTime& when, std::string_view pattern, const DateLocale& locale)
{
    std::string out;
    DatePattern(pattern).appendTo(out, when, locale);
    return out;
}

const std::array<std::string_view, 16> kDateMarkers{"d%",  "dd%", "ddd%", "m%", "mm%", "mmm%", "mmmm%", "yy%",
                                                    "yyyy%", "I%", "II%", "H%", "HH%", "MM%", "SS%", "am%"};

std::string DateMarkerValue(int index, const DateTime& when, const DateLocale& locale)
{
    static const std::array<DatePattern, 16> patterns{
        DatePattern("d"),     DatePattern("dd"),     DatePattern("ddd"), DatePattern("m"),
        DatePattern("mm"),    DatePattern("mmm"),    DatePattern("mmmm"), DatePattern("yy"),
        DatePattern("yyyy"),  DatePattern("h a/p"),  DatePattern("Hh a/p"), DatePattern("h"),
        DatePattern("Hh"),    DatePattern("Nn"),     DatePattern("Ss"),   DatePattern("am/pm"),
    };
    if (index < 0 || index >= static_cast<int>(patterns.size()))
        return {};
    std::string value;
    patterns[static_cast<std::size_t>(index)].appendTo(value, when, locale);
    switch (index) {
    case 9: // "I%": the hour in front of " a" or " p", right-aligned
        return PadLeft(std::string_view(value).substr(0, 2), 2);
    case 10: // "II%"
        return value.substr(0, 2);
    case 11: // "H%"
        return PadLeft(value, 2);
    default:
        return value;
    }
}

std::string& ExpandDatePlaceholders(std::string& line, char source, const DateTime& when, const DateLocale& locale)
{
    constexpr int kMaxReplacements = 20;
    std::string placeholder;
    for (std::size_t index = 0; index < kDateMarkers.size(); ++index) {
        placeholder.assign(1, '%');
        placeholder += source;
        placeholder += kDateMarkers[index];

        std::size_t found = line.find(placeholder);
        if (found == std::string::npos)
            continue;
        const std::string value = DateMarkerValue(static_cast<int>(index), when, locale);
        for (int replaced = 0; replaced < kMaxReplacements && found != std::string::npos; ++replaced) {
            line.replace(found, placeholder.size(), value);
            found = line.find(placeholder, found + value.size());
        }
    }
    return line;
}

std::string PadLeft(std::string_view text, std::int16_t width)
{
    if (width <= 0)
        return {};
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string(static_cast<std::size_t>(width), ' ');
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);

    auto isContinuation = [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; };
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || !isContinuation(text[i]))
            ++characters;
    }
    const auto wanted = static_cast<std::size_t>(width);
    if (characters <= wanted)
        return std::string(wanted - characters, ' ').append(text);

    // Drop characters on the left until exactly width remain.
    std::size_t toDrop = characters - wanted;
    std::size_t cut = 1;
    while (true) {
        if (!isContinuation(text[cut]) && --toDrop == 0)
            break;
        ++cut;
    }
    return std::string(text.substr(cut));
}

} // namespace dirlix
