// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the date pattern language, the template's date placeholders and PadLeft.
#include "output/FormatDate.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <algorithm>
#include <vector>

namespace dirlix {
namespace {

// Tuesday, 5 March 2024, 14:07:09: the example moment of the program's own patterns.
const DateTime kExample = makeDateTime(2024, 3, 5, 14, 7, 9);
const DateTime kMidnight = makeDateTime(2024, 3, 5, 0, 30, 0);
const DateTime kNoon = makeDateTime(2024, 3, 5, 12, 0, 0);
const DateTime kOne = makeDateTime(2024, 3, 5, 13, 0, 0);

std::string expanded(std::string line, char source, const DateTime& when, const DateLocale& locale = englishLocale())
{
    ExpandDatePlaceholders(line, source, when, locale);
    return line;
}

TEST(FormatDate, Patterns)
{
    const DateTime sunday = makeDateTime(2023, 1, 1, 9, 5, 3);
    struct Case {
        const DateTime& when;
        const char* pattern;
        const char* text;
    };
    const Case cases[] = {
        // Some of the program's own patterns: runs without separators, "T", "Mmm" and "MM" after "HH".
        {kExample, "dd/mm/yy HH:MM:SS|dd Mmm yy", "05/03/24 14:07:09|05 Mar 24"},
        {kExample, "yyyymmdd.HHMMSS|yyyy-mm-ddTHH:MM", "20240305.140709|2024-03-05T14:07"},
        // Every token, in either letter case.
        {sunday, "d dd ddd dddd|m mm mmm mmmm|yy yyyy y|h hh n nn s ss",
         "1 01 Sun Sunday|1 01 Jan January|23 2023 1|9 09 5 05 3 03"},
        {kExample, "DD/MMM/YYYY hH:Nn:sS", "05/Mar/2024 14:07:09"},
        // Runs longer than the longest token are cut into the longest tokens; yyy is yy then the
        // day of the (leap) year.
        {kExample, "ddddd mmmmm|yyy|yyyyyy|hhh nnn sss", "Tuesday5 March3|2465|202424|1414 077 099"},
        {makeDateTime(2024, 12, 31), "y", "366"},
        // Years are at least four digits, and two for yy whatever the century.
        {makeDateTime(5, 7, 1), "yyyy yy", "0005 05"},
        {makeDateTime(12345, 7, 1), "yyyy yy", "12345 45"},
        // Everything else is copied, bytes included; "a", "p", "am/p" alone are no markers.
        {kExample, "[T-x.] a p é|am/p", "[T-x.] a p é|a3/p"},
        // m and mm are minutes only when the nearest token before them is an hour; an AM/PM marker
        // is a token, names are never minutes.
        {kExample, "mm:hh h:m|hh.-T mm|hh:ss:mm|HH:MM:MM|hh mmm", "03:14 14:7|14.-T 07|14:09:03|14:07:03|14 Mar"},
        {kExample, "h AM/PM mm", "2 PM 03"},
        // AM/PM markers anywhere put the hours on the 12-hour clock and keep their letter case.
        {kExample, "h a/p Hh|Am/pM A/p|AM/PM h", "2 p 02|pM p|PM 2"},
        {kMidnight, "h a/p Hh|Am/pM A/p", "12 a 12|Am A"},
        {kNoon, "h:nn am/pm", "12:00 pm"},
        {kOne, "hh:nn AM/PM", "01:00 PM"},
        {kMidnight, "h hh", "0 00"},
        {kOne, "h", "13"},
    };
    for (const auto& [when, pattern, text] : cases) {
        EXPECT_EQ(FormatDate(when, pattern), text) << pattern;
        // The compiled form appends to what the text already holds, row after row.
        const DatePattern compiled(pattern);
        std::string row = "x";
        compiled.appendTo(row, when);
        compiled.appendTo(row, when);
        EXPECT_EQ(row, std::string("x") + text + text) << pattern;
    }
}

TEST(FormatDate, LocaleGivesSeparatorsNamesAndTheGeneralForm)
{
    DateLocale german;
    german.monthShort[2] = "Mär";
    german.monthLong[2] = "März";
    german.dayShort[2] = "Di";
    german.dayLong[2] = "Dienstag";
    german.dateSeparator = ".";
    german.timeSeparator = "\xE2\x80\xA7"; // a multi-byte separator
    german.generalPattern = "dd/mm/yyyy hh:nn:ss";
    EXPECT_EQ(FormatDate(kExample, "dd/mm/yy HH:MM:SS", german), "05.03.24 14\xE2\x80\xA7" "07\xE2\x80\xA7" "09");
    EXPECT_EQ(FormatDate(kExample, "dddd, d. mmmm yyyy (ddd, Mmm)", german), "Dienstag, 5. März 2024 (Di, Mär)");
    EXPECT_EQ(FormatDate(kExample, "", german), "05.03.2024 14\xE2\x80\xA7" "07\xE2\x80\xA7" "09");
    // The general form follows the locale it is given, not the one seen first.
    EXPECT_EQ(FormatDate(kExample, ""), "3/5/2024 2:07:09 PM");
    DateLocale bare;
    bare.generalPattern.clear();
    EXPECT_EQ(FormatDate(kExample, "", bare), "");
    // A general form of more parts than a pattern read for one use holds on the stack gives the
    // same as that pattern given itself.
    DateLocale verbose;
    verbose.generalPattern.clear();
    for (int part = 0; part < 40; ++part)
        verbose.generalPattern += "d-h ";
    std::string parts;
    for (int part = 0; part < 40; ++part)
        parts += FormatDate(kExample, "d-h ");
    EXPECT_EQ(FormatDate(kExample, "", verbose), parts);
    EXPECT_EQ(FormatDate(kExample, verbose.generalPattern), parts);
    // "/" inside a marker is no date separator.
    EXPECT_EQ(FormatDate(kOne, "d/m am/pm", german), "5.3 pm");
}

TEST(FormatDate, OutOfRangeFieldsNeitherCrashNorReadOutsideTheNames)
{
    DateTime odd = kExample;
    odd.month = 13;
    odd.day = -2;
    odd.hour = 25;
    EXPECT_EQ(FormatDate(odd, "mmm mm dd hh"), "Dec 13 -02 25");
    odd.month = 0;
    EXPECT_EQ(FormatDate(odd, "mmmm"), "January");
    // The weekday is worked out from the date, not taken from a field that may be stale.
    DateTime stale = kExample;
    stale.weekday = 0;
    EXPECT_EQ(FormatDate(stale, "ddd"), "Tue");
}

TEST(DatePlaceholders, MarkerValuesAroundMidnightAndNoon)
{
    EXPECT_EQ(expanded("%Cd%|%Cdd%|%Cddd%|%Cm%|%Cmm%|%Cmmm%|%Cmmmm%|%Cyy%|%Cyyyy%|%CMM%|%CSS%", 'C', kExample),
              "5|05|Tue|3|03|Mar|March|24|2024|07|09");
    const char* hours = "%CI%|%CII%|%CH%|%CHH%|%Cam%";
    EXPECT_EQ(expanded(hours, 'C', kMidnight), "12|12| 0|00|am");
    EXPECT_EQ(expanded(hours, 'C', makeDateTime(2024, 3, 5, 9, 5, 3)), " 9|09| 9|09|am");
    EXPECT_EQ(expanded(hours, 'C', kNoon), "12|12|12|12|pm");
    EXPECT_EQ(expanded(hours, 'C', kOne), " 1|01|13|13|pm");
}

TEST(DatePlaceholders, ExactMatchingOnlyForTheGivenSource)
{
    const DateTime modified = makeDateTime(2024, 3, 8, 9, 1, 2);
    // Wrong case of source or marker, "%MM%" (modified minutes are "%MMM%"), and the other source stay.
    const std::string untouched = "%cdd% %CDD% %MM% %Cdd% %Md %MMm% %Mam";
    EXPECT_EQ(expanded(untouched, 'M', modified), untouched);
    EXPECT_EQ(expanded("%MI%:%MMM% %Mam%", 'M', modified), " 9:01 am");
    // A shorter marker never matches inside a longer placeholder.
    EXPECT_EQ(expanded("%Cdd%%Cd%%Cddd%", 'C', kExample), "055Tue");
    EXPECT_EQ(expanded("%CMM%%CMMM%", 'C', kExample), "07%CMMM%");
    // The line is changed in place and returned.
    std::string line = "%Cyyyy%";
    EXPECT_EQ(&ExpandDatePlaceholders(line, 'C', kExample), &line);
    EXPECT_EQ(line, "2024");
}

TEST(DatePlaceholders, TwentyReplacementsPerMarkerAndInsertedTextSeenOnlyByLaterMarkers)
{
    std::string line, expected;
    for (int i = 0; i < 25; ++i) {
        line += "%Cdd%.";
        expected += i < 20 ? "05." : "%Cdd%.";
    }
    // The limit counts each marker on its own.
    EXPECT_EQ(expanded(line + "%Cyy%", 'C', kExample), expected + "24");

    DateLocale tricky;
    tricky.monthLong[2] = "%Cyy%"; // inserted by marker 7, seen by marker 8
    tricky.monthShort[2] = "%Cd%"; // inserted by marker 6, marker 1 has already run
    tricky.dayShort[2] = "<%Cddd%>"; // inserted by marker 3 itself: not searched again
    EXPECT_EQ(expanded("%Cmmmm% %Cmmm%", 'C', kExample, tricky), "24 %Cd%");
    EXPECT_EQ(expanded("%Cddd%,%Cddd%", 'C', kExample, tricky), "<%Cddd%>,<%Cddd%>");
}

TEST(PadLeft, TrimsThenRightAlignsCuttingOnTheLeft)
{
    const std::tuple<const char*, int, const char*> cases[] = {
        {"2 ", 2, " 2"}, {"  12  ", 2, "12"}, {"12345", 2, "45"}, {"", 2, "  "}, {"   ", 3, "   "},
        {"a b", 5, "  a b"}, {"\t1", 2, "\t1"}, // only spaces are trimmed
        {"12", 0, ""}, {"12", -4, ""},
        // Characters, not bytes: a multi-byte character is kept whole.
        {"é", 2, " é"}, {"März", 3, "ärz"}, {"Mä", 1, "ä"},
    };
    for (const auto& [text, width, padded] : cases)
        EXPECT_EQ(PadLeft(text, static_cast<std::int16_t>(width)), padded) << '"' << text << "\" in " << width;
}

} // namespace
} // namespace dirlix

namespace dirlix {
namespace {

// What a formatter outside the program (the web page's script) makes of the pieces.
std::string fromPieces(const std::vector<DatePattern::Piece>& pieces, const DateTime& when, const DateLocale& locale)
{
    const auto digits = [](long long value, int width) {
        std::string text = std::to_string(value < 0 ? -value : value);
        text.insert(0, std::size_t(std::max(0, width - int(text.size()))), '0');
        return value < 0 ? "-" + text : text;
    };
    const long long days = daysFromCivil(when.year, when.month, when.day);
    std::string out;
    for (const DatePattern::Piece& p : pieces) {
        switch (p.field) {
        case DatePattern::Piece::Text: out += p.text; break;
        case DatePattern::Piece::Day: out += digits(when.day, p.width); break;
        case DatePattern::Piece::Weekday: out += (p.width == 4 ? locale.dayLong : locale.dayShort)[std::size_t((days % 7 + 11) % 7)]; break;
        case DatePattern::Piece::Month: out += digits(when.month, p.width); break;
        case DatePattern::Piece::MonthName: out += (p.width == 4 ? locale.monthLong : locale.monthShort)[std::size_t(when.month - 1)]; break;
        case DatePattern::Piece::Minute: out += digits(when.minute, p.width); break;
        case DatePattern::Piece::DayOfYear: out += digits(days - daysFromCivil(when.year, 1, 1) + 1, 1); break;
        case DatePattern::Piece::Year: out += p.width == 4 ? digits(when.year, 4) : digits((when.year % 100 + 100) % 100, 2); break;
        case DatePattern::Piece::Hour: out += digits(p.twelveHour ? (when.hour % 12 ? when.hour % 12 : 12) : when.hour, p.width); break;
        case DatePattern::Piece::Second: out += digits(when.second, p.width); break;
        case DatePattern::Piece::AmPm: out += when.hour < 12 ? p.text : p.afternoon; break;
        }
    }
    return out;
}

} // namespace

// Catches pieces that drift from the formatter: a token, separator, 12-hour rule or the general
// form that the pieces give otherwise than appendTo() does.
TEST(FormatDate, PiecesGiveWhatTheFormatterWrites)
{
    DateLocale dutch;
    dutch.monthShort[2] = "mrt";
    dutch.dayLong[2] = "dinsdag";
    dutch.dateSeparator = "-";
    dutch.timeSeparator = ".";
    for (const DateLocale& locale : {englishLocale(), dutch})
        for (const char* pattern : {"dd/mm/yy HH:MM:SS", "", "dddd d mmmm yyyy, h:nn am/pm", "ddd dd-mmm yyyyy a/p hhh:mm",
                                    "y yy yyyy m mm mmm mmmm mmmmm", "AM/PM h:m:s", "literal 100% text"})
            for (const DateTime& when : {kExample, kMidnight, kNoon, kOne, makeDateTime(-44, 3, 15, 23, 59, 59),
                                         makeDateTime(12345, 12, 31, 1, 2, 3)}) {
                const DatePattern compiled(pattern);
                std::string expected;
                compiled.appendTo(expected, when, locale);
                EXPECT_EQ(fromPieces(compiled.pieces(locale), when, locale), expected) << pattern;
            }
}

} // namespace dirlix
