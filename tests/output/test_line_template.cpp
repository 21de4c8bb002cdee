// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the line template, against expected files and against a step-by-step expansion.
#include "output/LineTemplate.h"
#include "output/ReferenceTemplate.h"
#include "output/TextRows.h"
#include "output/modListToText.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace dirlix;
using namespace dirlix::test;

namespace {

void addSizes(FileList& list)
{
    const std::int64_t sizes[] = {0, 511, 512, 1536, 2560, 1234567, 4295491584, 1572864};
    int n = 0;
    for (std::int64_t size : sizes)
        addFile(list, "/s/", "s" + std::to_string(n++), size, localTime(2024, 3, 7, 14, 5, 9),
                localTime(2024, 3, 8, 9, 1, 2));
}

void addOddNames(FileList& list)
{
    for (const char* name : {"a%TAB%b", "50%%off %TAB%.txt", "x%1y", "bad\xfename", "A"})
        addFile(list, "/odd %Dir%/", name, 7, localTime(2024, 1, 1, 0, 0, 0), localTime(2024, 1, 1, 0, 0, 0));
}

struct Case {
    const char* expected; // file under tests/data/text
    std::string lineTemplate;
    std::function<void(FileList&)> rows;
};

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string allDatePlaceholders(char source)
{
    std::string out;
    for (std::string_view marker : kDateMarkers)
        out += (out.empty() ? "%" : ",%") + std::string(1, source) + std::string(marker);
    return out;
}

} // namespace

// Each case is a fault the output would show: a wrong step order, a lost limit, a value read again
// as a placeholder, a wrong rounding or grouping, a wrong line end.
TEST(LineTemplate, ExportsMatchTheExpectedFiles)
{
    const Case cases[] = {
        {"default", std::string(modListToText::kDefaultTemplate), addReport},
        {"example-tabs", "%Fn%%TAB%%Skk% KB%TAB%%Cdd%/%Cmm%/%Cyyyy% %CHH%:%CMM%", addReport},
        {"example-hour", "%MI%:%MMM% %Mam%", addReport},
        {"example-path", "%6%1", addReport},
        {"columns", "%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%20", addReport},
        {"dates", allDatePlaceholders('C') + ";" + allDatePlaceholders('M') + "|%cdd%|%CDD%|%MM%", addReport},
        {"sizes", "%Sb%|%Sbb%|%Sk%|%Skk%|%Sm%|%Smm%", addSizes},
        {"limit", repeated("%Sb%", 21) + "|" + repeated("%1", 22), addReport},
        {"case", "%sb%|%SB%|%Sb %", addReport},
        {"percent", "%%1|100%%|%%%%|%%%1", addReport},
        {"line-breaks", "a%NL%b%CRLF%c", addReport},
        {"empty-template", "", [](FileList& list) { addReport(list), addReport(list), addReport(list); }},
        {"empty-list", std::string(modListToText::kDefaultTemplate), [](FileList&) {}},
        {"odd-names", "%Fn%|%1|%Dir%|%6%1|%T%1B%|%TA%3B%", addOddNames},
    };
    TempDir tmp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        FileList list;
        c.rows(list);
        const std::string path = tmp / "filelist.txt";
        const auto result = modListToText::ExportListToText(list, path, [&] { return c.lineTemplate; });
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.rows, list.count());
        EXPECT_EQ(readFile(path), readFile(std::string(DIRLIX_TEST_DATA "/text/") + c.expected + ".txt"));
    }
}

TEST(LineTemplate, GroupedSizesUseTheListsThousandsSeparator)
{
    FileList list;
    DateLocale locale;
    locale.thousandsSeparator = "\xe2\x80\xaf"; // a narrow no-break space, as French uses
    list.setLocale(locale);
    addSizes(list);
    TempDir tmp;
    const auto result = modListToText::ExportListToText(list, tmp / "out.txt", [] { return "%Sb%|%Sk%|%Sm%"; });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(tmp / "out.txt"), readFile(DIRLIX_TEST_DATA "/text/sizes-locale.txt"));
}

// Rows made of texts: their size and time stamps are read back from the texts, and a text that
// cannot be read is an error for that row only when the template needs it.
TEST(LineTemplate, RowsOfTextsReadTheirSizeAndTimesFromTheTexts)
{
    FileList list;
    const std::size_t row = list.appendRow("typed%1.txt");
    list.setSubItem(row, 1, "4295491584");
    list.setSubItem(row, 5, "/typed/");
    list.setSubItem(row, 6, "2024-02-29 00:30:00");
    list.setSubItem(row, 7, "1999-12-31 23:59:59");
    LineTemplate lineTemplate("%Fn% %Sk% %Cdd%.%Cmm% %CI%%Cam% %Myyyy% %MHH% %Dir% %8 %9");
    std::string line, error;
    EXPECT_TRUE(lineTemplate.appendLine(line, list, 0, &error)) << error;
    EXPECT_EQ(line, "typed%1.txt 4,194,816 29.02 12am 1999 23 /typed/ 1999-12-31 23:59:59 %9");

    // Only four sub-items: "%5" and later stay as typed.
    const std::size_t shortRow = list.appendRow("short");
    list.setSubItem(shortRow, 4, "four");
    line.clear();
    EXPECT_TRUE(LineTemplate("%1|%4|%5|%6|%8").appendLine(line, list, 1));
    EXPECT_EQ(line, "short||four|%6|%8");

    for (const auto& [subItem, text] : {std::pair{1, "12 kB"}, {1, "99999999999999999999"}, {6, "2024-02-30 10:00:00"},
                                        {7, "2024-03-07 24:00:00"}, {7, "07/03/2024 10:00:00"}}) {
        SCOPED_TRACE(text);
        FileList bad;
        bad.appendRow("bad");
        bad.setSubItem(1, 1, "1");
        bad.setSubItem(1, 6, "2024-03-07 10:00:00");
        bad.setSubItem(1, 7, "2024-03-07 10:00:00");
        bad.setSubItem(1, subItem, text);
        LineTemplate needsAll("%Sb% %Cd% %Md%");
        line = "kept";
        error.clear();
        EXPECT_FALSE(needsAll.appendLine(line, bad, 0, &error));
        EXPECT_EQ(line, "kept");
        EXPECT_NE(error.find(text), std::string::npos) << error;
        EXPECT_TRUE(LineTemplate("%1 %2 %7 %8").appendLine(line, bad, 0)) << "unused texts are not read";
    }
}

TEST(LineTemplate, FastDateMarkersEqualTheFormatter)
{
    DateLocale german;
    german.monthShort = {"Jan.", "Feb.", "März", "Apr.", "Mai", "Juni", "Juli", "Aug.", "Sep.", "Okt.", "Nov.", "Dez."};
    german.dayShort = {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
    std::mt19937_64 random(6);
    for (int i = 0; i < 3000; ++i) {
        // Mostly usual dates, some far outside the four-digit years.
        const std::int64_t span = i % 10 == 0 ? std::int64_t(1) << 42 : std::int64_t(1) << 33;
        const DateTime when = civilFromUnix(std::int64_t(random() % std::uint64_t(span)) - span / 4);
        for (const DateLocale* locale : {&englishLocale(), static_cast<const DateLocale*>(&german)}) {
            for (int marker = 0; marker < 16; ++marker) {
                std::string fast;
                LineTemplate::appendDateMarker(fast, marker, when, *locale);
                ASSERT_EQ(fast, DateMarkerValue(marker, when, *locale))
                    << "marker " << kDateMarkers[marker] << " year " << when.year << " hour " << when.hour;
            }
        }
    }
}

// The compiled plan against the plain expansion, for random templates full of '%' and near-misses,
// and rows whose values hold placeholders, over found files and rows made of texts.
TEST(LineTemplate, CompiledPlanEqualsStepByStepExpansion)
{
    std::vector<std::string> parts{"%", "%%", "1", "0", "T", "AB%", "%TAB%", "%NL%", "%CRLF%", "%1", "%10",
                                   "%2", "%5", "%7", "%8", "%9", "%Fn%", "%Dir%", "%Sb%", "%Sbb%", "%Sk%", "%Skk%",
                                   "%Sm%", "%Smm%", "%S", "b%", "%C", "%M", "M%", "MM%", "dd%", "x", " ", "\xfe"};
    for (std::string_view marker : kDateMarkers) {
        parts.push_back("%C" + std::string(marker));
        parts.push_back("%M" + std::string(marker));
        parts.push_back(std::string(marker));
    }
    const std::vector<std::string> valueParts{"%", "%%", "1", "TAB", "%TAB%", "%1", "%Fn%", "%Cdd%", "a", "B%",
                                              "%T", "\xc3\xa9", ""};
    std::mt19937 random(20240307);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    auto valueText = [&] {
        std::string text;
        for (int n = int(random() % 4); n > 0; --n)
            text += pick(valueParts);
        return text;
    };

    DateLocale locale;
    locale.thousandsSeparator = "'";
    for (int round = 0; round < 3000; ++round) {
        std::string lineTemplate;
        const int length = int(random() % 12);
        for (int i = 0; i < length; ++i)
            lineTemplate += pick(parts);
        if (round % 20 == 0) { // now and then pass the limit of 20
            const std::string part = pick(parts);
            for (int i = 0; i < 21 + round % 3; ++i)
                lineTemplate += part;
        }

        FileList list;
        list.setLocale(locale);
        ReferenceRow expected;
        expected.locale = locale;
        const std::int64_t size = std::int64_t(random() % 3 == 0 ? random() : random() % 5000) * (round % 7 + 1);
        if (round % 3 != 0) {
            const std::int64_t created = std::int64_t(random() % 2000000000u);
            const std::int64_t modified = created + std::int64_t(random() % 100000000u);
            addFile(list, "/f" + valueText() + "/", "n" + valueText(), size, created, modified,
                    std::uint16_t(random() % 64), round % 2 ? "dd%Cdd%" : "yyyy");
            for (int column = 0; column < 8; ++column)
                expected.texts[column] = column == 0 ? list.mainText(1) : list.subItem(1, column);
            expected.created = localFromUnix(created);
            expected.modified = localFromUnix(modified);
        } else {
            // A row made of texts, with any number of sub-items set.
            const int subItems = int(random() % 8);
            list.appendRow(expected.texts[0] = valueText());
            expected.created = makeDateTime(1990 + int(random() % 50), 1 + int(random() % 12), 1 + int(random() % 28),
                                            int(random() % 24), int(random() % 60), int(random() % 60));
            expected.modified = makeDateTime(2000, 2, 29, int(random() % 24), 0, 59);
            for (int subItem = 1; subItem <= subItems; ++subItem) {
                std::string text = valueText();
                if (subItem == 1)
                    text = std::to_string(size);
                if (subItem == 6 || subItem == 7) {
                    const DateTime& when = subItem == 6 ? expected.created : expected.modified;
                    text = FormatDate(when, "yyyy-mm-dd HH:MM:SS");
                }
                list.setSubItem(1, subItem, text);
                expected.texts[subItem] = text;
            }
            expected.subItems = subItems;
            if (subItems < 7) // the texts a template needs are missing, so only check templates that need none
                lineTemplate.erase(std::remove(lineTemplate.begin(), lineTemplate.end(), 'S'), lineTemplate.end());
            if (subItems < 7)
                while (lineTemplate.find("%C") != std::string::npos || lineTemplate.find("%M") != std::string::npos)
                    lineTemplate.replace(std::min(lineTemplate.find("%C"), lineTemplate.find("%M")), 2, "%c");
        }
        expected.size = size;

        LineTemplate compiled(lineTemplate);
        std::string line, error;
        ASSERT_TRUE(compiled.appendLine(line, list, 0, &error)) << error << " for " << lineTemplate;
        ASSERT_EQ(line, referenceExpand(lineTemplate, expected)) << "template: " << lineTemplate;
    }
}

// Bytes are whole numbers past what a double holds exactly, up to the largest size a file system gives.
TEST(LineTemplate, ByteSizesStayExactBeyondDoublePrecision)
{
    FileList list;
    addFile(list, "/big/", "odd", 9007199254740993, 0, 0);
    addFile(list, "/big/", "max", INT64_MAX, 0, 0);
    LineTemplate lineTemplate("%Sbb%|%Sb%|%Smm%");
    std::string line;
    ASSERT_TRUE(lineTemplate.appendLine(line, list, 0));
    EXPECT_EQ(line, "9007199254740993|9,007,199,254,740,993|8589934592");
    line.clear();
    ASSERT_TRUE(lineTemplate.appendLine(line, list, 1));
    EXPECT_EQ(line, "9223372036854775807|9,223,372,036,854,775,807|8796093022208");
}
