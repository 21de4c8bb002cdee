// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: JSON Lines written and read back; lines the reader must refuse.
#include "output/JsonLines.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace dirlix;
using namespace dirlix::test;

// Each row reads back to its exact name and folder bytes, size, modified time and leading tag:
// names that are not UTF-8, a time in the hour that a change of clocks repeats, a local mean time
// whose offset has seconds, values that could not be read, a row of texts.
TEST(JsonLines, RowsReadBackExactlyAndBrokenLinesAreRefusedWithAReason)
{
    ::setenv("TZ", "Europe/Amsterdam", 1);
    ::tzset();
    timeZoneChanged();
    FileList list;
    const std::int64_t repeatedHour = 1729989000; // 02:30 on 27 October 2024, summer time; the hour later is winter time
    addFiles(list, "/data/dir \xff\n\\/",
             {{"plain", 12345, repeatedHour, repeatedHour + 3600},
              {"bad\xff\xfe\xc3 \xed\xa0\x80 \xf4\x90\x80\x80", 2, 253402300800, -70000000000},
              {"quote\"back\\slash\x01\x7f four \xf0\x9f\x98\x80", 3, 0, -1},
              {"unread", 0, 0, 0, 0, RecordValuesUnknown}});
    list.setSubItem(list.appendRow("a row of texts"), 1, "123");
    RowTexts texts;
    Row row;
    JsonLineRow back;
    std::string line, error;
    const JsonTextMember tag[] = {{"change", "added\t\"now\""}};
    for (auto rows = list.rows(); rows->next(row);) {
        line.clear();
        appendJsonLine(line, row, texts, tag);
        ASSERT_TRUE(readJsonLine(line, back, error)) << error << "\n" << line;
        EXPECT_EQ(back.name, row.name);
        EXPECT_EQ(back.folder, row.folder);
        const bool known = row.values.valuesKnown();
        EXPECT_EQ(back.size, known ? std::optional(row.values.size) : row.texts ? std::optional<std::int64_t>(123) : std::nullopt);
        EXPECT_EQ(back.modified, known ? std::optional(row.values.modified) : std::nullopt) << line;
        ASSERT_NE(back.text("change"), nullptr);
        EXPECT_EQ(*back.text("change"), "added\t\"now\"");
    }

    const std::pair<std::string, std::string> broken[] = {
        {R"({"name":"a","folder":"/")", "',' or '}'"},
        {R"(["a"])", "not a JSON object"},
        {R"({"name":"a"})", "\"folder\" is missing"},
        {R"({"name":"a","folder":"/","size":1.5})", "size"},
        {R"({"name":"a","folder":"/","size":-1})", "size"},
        {R"({"name":"a","folder":"/","modified":"2024-02-30T00:00:00Z"})", "modified"},
        {R"({"name":"a","folder":"/","modified":"2024-03-01T00:00:00"})", "modified"},
        {R"({"name":"\ud800","folder":"/"})", "surrogate"},
        {"{\"name\":\"a\xff\",\"folder\":\"/\"}", "UTF-8"},
        {"{\"name\":\"a\x01\",\"folder\":\"/\"}", "control"},
        {R"({"name":"a\u00","folder":"/"})", "hex"},
        {R"({"name":"a","name":"b","folder":"/"})", "twice"},
        {R"({"name":"a","folder":"/"} x)", "end of the line"},
        {R"({"name":"\uFFFD","name_b64":"YQ==","folder":"/"})", "other bytes"},
        {R"({"name":"\uFFFD","name_b64":"/w=","folder":"/"})", "base64"},
        {R"({"name":"\uFFFD","name_b64":"/x==","folder":"/"})", "base64"},
        {R"({"name":"a","folder":"/","path":"/b"})", "path"},
        {R"({"name":"a","folder":"/","x":[1]})", "nested"},
        // Rows no walk gives: they would be reported removed for ever.
        {R"({"name":"a/b","folder":"/"})", "separator"},
        {R"({"name":"a\u0000","folder":"/"})", "zero byte"},
        {R"({"name":"","folder":"/"})", "not a file's name"},
        {R"({"name":"..","folder":"/x/"})", "not a file's name"},
        {R"({"name":"a","folder":"/x"})", "does not end in '/'"},
        {R"({"name":"\uFFFD","name_b64":"YS9i","folder":"/"})", "other bytes"},
        {R"({"name":"a","folder":"\uFFFD","folder_b64":"L3g="})", "other bytes"},
        {R"({"path":"/x/"})", "not a file's name"},
    };
    for (const auto& [text, reason] : broken) {
        EXPECT_FALSE(readJsonLine(text, back, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
    }
}

// A line of 80,000 keys, the last one repeating the first, is refused in far less than the 27 s a
// quadratic check took; a message quotes a short excerpt of a value, its control characters and
// stray bytes escaped, never the raw bytes.
TEST(JsonLines, HostileLinesAreRefusedQuicklyWithShortEscapedMessages)
{
    std::string line = "{\"name\":\"a\",\"folder\":\"/\"";
    for (int key = 0; key < 80000; ++key)
        line += ",\"k" + std::to_string(key) + "\":0";
    std::string distinct = line + "}";
    line += ",\"k0\":1}";
    JsonLineRow row;
    std::string error;
    EXPECT_FALSE(readJsonLine(line, row, error));
    EXPECT_NE(error.find("\"k0\" given twice"), std::string::npos) << error.substr(0, 200);
    EXPECT_TRUE(readJsonLine(distinct, row, error)) << error.substr(0, 200);

    const std::string value = "\\u001b[2J\\r\\u0085" + std::string(100000, 'y');
    EXPECT_FALSE(readJsonLine("{\"name\":\"a\",\"folder\":\"/\",\"size\":\"" + value + "\"}", row, error));
    EXPECT_LT(error.size(), 200u) << error.substr(0, 300);
    EXPECT_NE(error.find("\"\\x1b[2J\\r\\xc2\\x85yyy"), std::string::npos) << error;
    for (const char c : error)
        EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "a raw byte in: " << error;
    EXPECT_EQ(messageExcerpt("\xff\xe2\x82\xac\"\\\n", 40), "\"\\xff\xe2\x82\xac\\\"\\\\\\n\"");
    EXPECT_EQ(messageExcerpt("abcdef", 3), "\"abc\"...");
}
