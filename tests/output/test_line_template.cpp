// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the line template, against expected files.
#include "output/LineTemplate.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dirlix;
using namespace dirlix::test;

namespace {

void addSizes(FileList& list)
{
    const std::int64_t created = localTime(2024, 3, 7, 14, 5, 9), modified = localTime(2024, 3, 8, 9, 1, 2);
    std::vector<TestFile> files;
    for (std::int64_t size : {0LL, 511LL, 512LL, 1536LL, 2560LL, 1234567LL, 4295491584LL, 1572864LL})
        files.push_back({"s" + std::to_string(files.size()), size, created, modified});
    addFiles(list, "/s/", files);
}

void addOddNames(FileList& list)
{
    const std::int64_t newYear = localTime(2024, 1, 1, 0, 0, 0);
    std::vector<TestFile> files;
    for (const char* name : {"a%TAB%b", "50%%off %TAB%.txt", "x%1y", "bad\xfename", "A"})
        files.push_back({name, 7, newYear, newYear});
    addFiles(list, "/odd %Dir%/", files);
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    while (times-- > 0)
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
// as a placeholder, a wrong rounding or grouping, a wrong line end, a name not written as its bytes.
TEST(LineTemplate, ExportsMatchTheExpectedFiles)
{
    DateLocale narrow = englishLocale(), german = englishLocale();
    narrow.thousandsSeparator = "\xe2\x80\xaf"; // a narrow no-break space, as French uses
    german.thousandsSeparator = ".";
    german.monthShort[2] = "M\xc3\xa4r";
    german.monthLong[2] = "M\xc3\xa4rz";
    german.dayShort[4] = "Do";
    german.dayShort[5] = "Fr";
    const struct {
        const char* expected; // file under tests/data/text
        std::string lineTemplate;
        std::function<void(FileList&)> rows;
        DateLocale locale = englishLocale();
    } cases[] = {
        {"default", std::string(modListToText::kDefaultTemplate), addReport},
        {"example-tabs", "%Fn%%TAB%%Skk% KB%TAB%%Cdd%/%Cmm%/%Cyyyy% %CHH%:%CMM%", addReport},
        {"example-hour", "%MI%:%MMM% %Mam%", addReport},
        {"example-path", "%6%1", addReport},
        {"columns", "%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%20", addReport},
        {"dates", allDatePlaceholders('C') + ";" + allDatePlaceholders('M') + "|%cdd%|%CDD%|%MM%", addReport},
        {"sizes", "%Sb%|%Sbb%|%Sk%|%Skk%|%Sm%|%Smm%", addSizes},
        {"sizes-locale", "%Sb%|%Sk%|%Sm%", addSizes, narrow},
        {"dates-locale", "%Cddd% %Cd%. %Cmmm%|%Mddd% %Mmmmm% %Myyyy%|%Sb%", addReport, german},
        {"limit", repeated("%Sb%", 21) + "|" + repeated("%1", 22), addReport},
        {"case", "%sb%|%SB%|%Sb %", addReport},
        {"percent", "%%1|100%%|%%%%|%%%1", addReport},
        {"line-breaks", "a%NL%b%CRLF%c", addReport},
        {"empty-template", "", [](FileList& list) { addReport(list), addReport(list), addReport(list); }},
        {"empty-list", std::string(modListToText::kDefaultTemplate), [](FileList&) {}},
        {"odd-names", "%Fn%|%1|%Dir%|%6%1|%T%1B%|%TA%3B%", addOddNames},
    };
    TempDir tmp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        FileList list;
        c.rows(list);
        const auto result = exportText(list, tmp / "filelist.txt", [&] { return c.lineTemplate; }, c.locale);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.rows, list.count());
        EXPECT_EQ(readFile(tmp / "filelist.txt"), readFile(std::string(DIRLIX_TEST_DATA "/text/") + c.expected + ".txt"));
    }
}

// Rows given texts one by one show their own texts, but no size or date is read back from them; a
// file whose values could not be read shows none either. Bytes stay exact beyond what a double holds.
TEST(LineTemplate, SizesAndDatesOnlyFromValuesThatWereRead)
{
    FileList list;
    const std::size_t typed = list.appendRow("typed%1.txt");
    list.setSubItem(typed, 1, "4295491584");
    list.setSubItem(typed, 5, "/typed/");
    list.setSubItem(typed, 7, "1999-12-31 23:59:59");
    list.setSubItem(list.appendRow("short"), 4, "four"); // four sub-items: "%6" and later stay as typed
    addFiles(list, "/big/", {{"odd", 9007199254740993, 0, 0}, {"max", INT64_MAX, 0, 0},
                             {"unread", 5, 0, 0, AttrHidden, RecordValuesUnknown}});
    const std::string expected[][3] = {
        {"typed%1.txt|4295491584||||/typed/||/typed/|1999-12-31 23:59:59||%9", "||",
         "typed%1.txt\t4295491584\t\t\t\t/typed/\t\t1999-12-31 23:59:59\n"},
        {"short||||||four|%6|%8||%9", "||", "short\t\t\t\tfour\t\t\t\n"},
        {"", "9007199254740993|9,007,199,254,740,993|8589934592", ""},
        {"", "9223372036854775807|9,223,372,036,854,775,807|8796093022208", ""},
        {"unread|||||/big/||/big/|||%9", "||", "unread\t\tH\t\t\t/big/\t\t\n"},
    };
    LineTemplate values("%Fn%|%2|%Sb%|%Cdd%|%Myyyy%|%Dir%|%5|%6|%8|%Smm%|%9"), sizes("%Sbb%|%Sb%|%Smm%");
    RowTexts texts;
    auto rows = list.rows();
    Row row;
    for (const auto& want : expected) {
        ASSERT_TRUE(rows->next(row));
        SCOPED_TRACE(std::string(row.name));
        std::string line, sizeLine, columns;
        values.ExpandTemplate(line, row, texts);
        sizes.ExpandTemplate(sizeLine, row, texts);
        texts.appendRow(columns, row, '\t', '\n');
        EXPECT_EQ(sizeLine, want[1]);
        if (!want[0].empty()) {
            EXPECT_EQ(line, want[0]);
            EXPECT_EQ(columns, want[2]);
        }
    }
}
