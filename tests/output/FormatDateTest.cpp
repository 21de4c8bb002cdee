// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the date pattern language, the template's date placeholders and PadLeft.
#include "output/FormatDate.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace dirlix {
namespace {

// Tuesday, 5 March 2024, 14:07:09: the example moment of the program's own patterns.
const DateTime kExample = makeDateTime(2024, 3, 5, 14, 7, 9);

std::string expanded(std::string line, char source, const DateTime& when, const DateLocale& locale = englishLocale())
{
    ExpandDatePlaceholders(line, source, when, locale);
    return line;
}

TEST(FormatDate, ProgramPatternsGiveTheirDocumentedTexts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"dd/mm/yy HH:MM:SS", "05/03/24 14:07:09"},
        {"dd/mm/yyyy", "05/03/2024"},
        {"dd/mm/yyyy HH:MM", "05/03/2024 14:07"},
        {"dd/mm/yyyy HH:MM:SS", "05/03/2024 14:07:09"},
        {"mm/dd/yyyy", "03/05/2024"},
        {"mm/dd/yyyy HH:MM", "03/05/2024 14:07"},
        {"mm/dd/yyyy HH:MM:SS", "03/05/2024 14:07:09"},
        {"dd Mmm yy", "05 Mar 24"},
        {"dd Mmm yy HH:MM", "05 Mar 24 14:07"},
        {"dd Mmm yy HH:MM:SS", "05 Mar 24 14:07:09"},
        {"yyyymmdd", "20240305"},
        {"yyyymmdd HHMM", "20240305 1407"},
        {"yyyymmdd HHMMSS", "20240305 140709"},
        {"yyyymmdd.HHMM", "20240305.1407"},
        {"yyyymmdd.HHMMSS", "20240305.140709"},
        {"yyyy-mm-dd", "2024-03-05"},
        {"yyyy-mm-ddTHH:MM", "2024-03-05T14:07"},
        {"yyyy-mm-ddTHH:MM:SS", "2024-03-05T14:07:09"},
        {"yyyy-mm-dd HH:MM", "2024-03-05 14:07"},
        {"yyyy-mm-dd HH:MM:SS", "2024-03-05 14:07:09"},
    };
    for (const auto& [pattern, expected] : cases) {
        EXPECT_EQ(FormatDate(kExample, pattern), expected) << pattern;
        // The compiled form appends to what the text already holds, row after row.
        const DatePattern compiled(pattern);
        std::string row = "x";
        compiled.appendTo(row, kExample);
        compiled.appendTo(row, kExample);
        EXPECT_EQ(row, std::string("x") + expected + expected) << pattern;
    }
}

TEST(FormatDate, EveryTokenAndTheLeadsChoicesForOtherRuns)
{
    const DateTime morning = makeDateTime(2023, 1, 1, 9, 5, 3); // a Sunday
    EXPECT_EQ(FormatDate(morning, "d dd ddd dddd"), "1 01 Sun Sunday");
    EXPECT_EQ(FormatDate(morning, "m mm mmm mmmm"), "1 01 Jan January");
    EXPECT_EQ(FormatDate(morning, "yy yyyy y"), "23 2023 1");
    EXPECT_EQ(FormatDate(morning, "h hh n nn s ss"), "9 09 5 05 3 03");
    // Letter case of tokens does not matter.
    EXPECT_EQ(FormatDate(kExample, "DD/MMM/YYYY hH:Nn:sS"), "05/Mar/2024 14:07:09");
    // Runs longer than the longest token are cut into the longest tokens.
    EXPECT_EQ(FormatDate(kExample, "ddddd"), "Tuesday5");
    EXPECT_EQ(FormatDate(kExample, "mmmmm"), "March3");
    EXPECT_EQ(FormatDate(kExample, "yyy"), "2465"); // yy, then day 65 of the leap year
    EXPECT_EQ(FormatDate(kExample, "yyyyyy"), "202424");
    EXPECT_EQ(FormatDate(kExample, "hhh nnn sss"), "1414 077 099");
    EXPECT_EQ(FormatDate(makeDateTime(2024, 12, 31), "y"), "366");
    // Years are at least four digits, and two for yy whatever the century.
    EXPECT_EQ(FormatDate(makeDateTime(5, 7, 1), "yyyy yy"), "0005 05");
    EXPECT_EQ(FormatDate(makeDateTime(12345, 7, 1), "yyyy yy"), "12345 45");
    // Everything else is copied, bytes included; "a", "p", "am/p" alone are no markers.
    EXPECT_EQ(FormatDate(kExample, "[T-x.] a p é"), "[T-x.] a p é");
    EXPECT_EQ(FormatDate(kExample, "am/p"), "a3/p");
}

TEST(FormatDate, MonthOrMinutesFollowsTheNearestTokenBefore)
{
    EXPECT_EQ(FormatDate(kExample, "hh:mm"), "14:07");
    EXPECT_EQ(FormatDate(kExample, "mm:hh"), "03:14");
    EXPECT_EQ(FormatDate(kExample, "h:m"), "14:7");
    EXPECT_EQ(FormatDate(kExample, "hh.-T mm"), "14.-T 07"); // literals between are skipped
    EXPECT_EQ(FormatDate(kExample, "hh:ss:mm"), "14:09:03");  // seconds come between: month
    EXPECT_EQ(FormatDate(kExample, "HH:MM:MM"), "14:07:03");  // minutes are no hour token
    EXPECT_EQ(FormatDate(kExample, "h AM/PM mm"), "2 PM 03"); // the marker is the nearest token
    EXPECT_EQ(FormatDate(kExample, "hh mmm"), "14 Mar");      // names are never minutes
}

TEST(FormatDate, AmPmMarkersSetThe12HourClockAndKeepTheirCase)
{
    const DateTime midnight = makeDateTime(2024, 3, 5, 0, 30, 0);
    const DateTime noon = makeDateTime(2024, 3, 5, 12, 0, 0);
    const DateTime one = makeDateTime(2024, 3, 5, 13, 0, 0);
    EXPECT_EQ(FormatDate(kExample, "h a/p"), "2 p");
    EXPECT_EQ(FormatDate(midnight, "h a/p"), "12 a");
    EXPECT_EQ(FormatDate(kExample, "Hh a/p"), "02 p");
    EXPECT_EQ(FormatDate(midnight, "Hh a/p"), "12 a");
    EXPECT_EQ(FormatDate(noon, "h:nn am/pm"), "12:00 pm");
    EXPECT_EQ(FormatDate(one, "hh:nn AM/PM"), "01:00 PM");
    EXPECT_EQ(FormatDate(midnight, "Am/pM A/p"), "Am A");
    EXPECT_EQ(FormatDate(kExample, "Am/pM A/p"), "pM p");
    EXPECT_EQ(FormatDate(kExample, "AM/PM h"), "PM 2"); // a marker after the hour counts too
    // Without a marker the clock has 24 hours, and "/" inside a marker is no date separator.
    EXPECT_EQ(FormatDate(midnight, "h hh"), "0 00");
    EXPECT_EQ(FormatDate(one, "h"), "13");
    DateLocale dotted;
    dotted.dateSeparator = ".";
    EXPECT_EQ(FormatDate(one, "d/m am/pm", dotted), "5.3 pm");
}

TEST(FormatDate, LocaleGivesSeparatorsNamesAndTheGeneralForm)
{
    DateLocale german;
    german.monthShort = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    german.monthLong = {"Januar", "Februar", "März", "April", "Mai", "Juni",
                        "Juli", "August", "September", "Oktober", "November", "Dezember"};
    german.dayShort = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    german.dayLong = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
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

TEST(DatePlaceholders, MarkerValuesInTheirOrder)
{
    const DateTime morning = makeDateTime(2024, 3, 5, 9, 5, 3);
    const char* atExample[16] = {"5", "05", "Tue", "3", "03", "Mar", "March", "24", "2024", " 2", "02", "14", "14", "07", "09", "pm"};
    const char* atMorning[16] = {"5", "05", "Tue", "3", "03", "Mar", "March", "24", "2024", " 9", "09", " 9", "09", "05", "03", "am"};
    for (int i = 0; i < 16; ++i) {
        const std::string placeholder = std::string("%C") + std::string(kDateMarkers[static_cast<std::size_t>(i)]);
        EXPECT_EQ(expanded("<" + placeholder + ">", 'C', kExample), std::string("<") + atExample[i] + ">") << placeholder;
        EXPECT_EQ(expanded("<" + placeholder + ">", 'C', morning), std::string("<") + atMorning[i] + ">") << placeholder;
    }
    EXPECT_EQ(DateMarkerValue(16, kExample), "");
    EXPECT_EQ(DateMarkerValue(-1, kExample), "");
}

TEST(DatePlaceholders, HoursAroundMidnightAndNoon)
{
    const char* line = "%CI%|%CII%|%CH%|%CHH%|%Cam%";
    EXPECT_EQ(expanded(line, 'C', makeDateTime(2024, 3, 5, 0, 30, 0)), "12|12| 0|00|am");
    EXPECT_EQ(expanded(line, 'C', makeDateTime(2024, 3, 5, 12, 0, 0)), "12|12|12|12|pm");
    EXPECT_EQ(expanded(line, 'C', makeDateTime(2024, 3, 5, 13, 0, 0)), " 1|01|13|13|pm");
    EXPECT_EQ(expanded("%Cd% %Cdd% %Cm% %Cmm%", 'C', makeDateTime(2024, 1, 1)), "1 01 1 01");
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

TEST(DatePlaceholders, TwentyReplacementsPerMarker)
{
    std::string line;
    for (int i = 0; i < 25; ++i)
        line += "%Cdd%.";
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += "05.";
    for (int i = 0; i < 5; ++i)
        expected += "%Cdd%.";
    EXPECT_EQ(expanded(line, 'C', kExample), expected);
    // The limit counts each marker on its own.
    EXPECT_EQ(expanded(line + "%Cyy%", 'C', kExample), expected + "24");
}

TEST(DatePlaceholders, InsertedTextIsSearchedOnlyByLaterMarkers)
{
    DateLocale tricky;
    tricky.monthLong[2] = "%Cyy%"; // inserted by marker 7, seen by marker 8
    tricky.monthShort[2] = "%Cd%"; // inserted by marker 6, marker 1 has already run
    tricky.dayShort[2] = "<%Cddd%>"; // inserted by marker 3 itself: not searched again
    EXPECT_EQ(expanded("%Cmmmm% %Cmmm%", 'C', kExample, tricky), "24 %Cd%");
    EXPECT_EQ(expanded("%Cddd%,%Cddd%", 'C', kExample, tricky), "<%Cddd%>,<%Cddd%>");
}

TEST(PadLeft, TrimsThenRightAlignsCuttingOnTheLeft)
{
    EXPECT_EQ(PadLeft("2 ", 2), " 2");
    EXPECT_EQ(PadLeft("  12  ", 2), "12");
    EXPECT_EQ(PadLeft("12345", 2), "45");
    EXPECT_EQ(PadLeft("", 2), "  ");
    EXPECT_EQ(PadLeft("   ", 3), "   ");
    EXPECT_EQ(PadLeft("a b", 5), "  a b");
    EXPECT_EQ(PadLeft("\t1", 2), "\t1"); // only spaces are trimmed
    EXPECT_EQ(PadLeft("12", 0), "");
    EXPECT_EQ(PadLeft("12", -4), "");
    // Characters, not bytes: a multi-byte character is kept whole.
    EXPECT_EQ(PadLeft("é", 2), " é");
    EXPECT_EQ(PadLeft("März", 3), "ärz");
    EXPECT_EQ(PadLeft("Mä", 1), "ä");
}

} // namespace
} // namespace dirlix
