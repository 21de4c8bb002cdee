// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: libFuzzer target for the line template: the compiled plan against the step-by-step expansion.
#include "fuzz/FuzzInput.h"
#include "output/FormatDate.h"
#include "output/LineTemplate.h"
#include "output/ReferenceTemplate.h"
#include "search/FileList.h"
#include "search/Walker.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace dirlix;
using fuzz::check;

// The input: flags, size, two time stamps and attributes, then texts separated by zero bytes:
// the template, the name, the folder, the date pattern and the sub-item texts.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in{data, size};
    const auto flags = in.take<std::uint8_t>();
    // Sizes from the file system are never negative.
    const std::int64_t fileSize = in.take<std::int64_t>() & INT64_MAX;
    const auto created = in.take<std::int64_t>();
    const auto modified = in.take<std::int64_t>();
    const auto attributes = in.take<std::uint16_t>();
    const std::string lineTemplate = in.text();
    const std::string name = in.text();
    const std::string folder = in.text() + "/";
    const std::string datePattern = in.text();
    const bool needsRowTexts = lineTemplate.find("%S") != std::string::npos ||
                               lineTemplate.find("%C") != std::string::npos || lineTemplate.find("%M") != std::string::npos;

    DateLocale locale;
    if (flags & 0x40)
        locale.thousandsSeparator = "\xe2\x80\xaf";
    // One list serves many inputs (a new list costs a whole chunk of rows); each input adds one row.
    static FileList list;
    if (list.count() >= 4096)
        list.clear();
    list.setLocale(locale);
    const std::size_t index = list.count();
    test::ReferenceRow expected;
    expected.locale = locale;
    expected.size = fileSize;

    if (!(flags & 0x80)) {
        // A found file.
        WalkBlock block;
        block.folder = folder;
        block.names = name;
        WalkEntry entry;
        entry.nameLength = std::uint32_t(name.size());
        entry.properties.size = fileSize;
        entry.properties.created = created;
        entry.properties.modified = modified;
        entry.properties.attributes = attributes;
        block.entries.push_back(entry);
        list.appendBlock(block, datePattern);
        for (int column = 0; column < 8; ++column)
            expected.texts[column] = column == 0 ? list.mainText(index + 1) : list.subItem(index + 1, column);
        expected.created = localFromUnix(created);
        expected.modified = localFromUnix(modified);
    } else {
        // A row made of texts; with flag 0x20 its Size and time stamp texts are the ones a search
        // would give, otherwise they are whatever the input holds.
        const int subItems = flags & 7;
        list.appendRow(expected.texts[0] = name);
        expected.subItems = subItems;
        expected.created = civilFromUnix(std::int64_t(std::uint64_t(created) % 253402300800u));
        expected.modified = civilFromUnix(std::int64_t(std::uint64_t(modified) % 253402300800u));
        for (int subItem = 1; subItem <= subItems; ++subItem) {
            std::string text = in.text();
            if (flags & 0x20) {
                if (subItem == 1)
                    text = std::to_string(fileSize);
                if (subItem == 6 || subItem == 7)
                    text = FormatDate(subItem == 6 ? expected.created : expected.modified, "yyyy-mm-dd HH:MM:SS");
            }
            list.setSubItem(index + 1, subItem, text);
            expected.texts[subItem] = text;
        }
    }

    LineTemplate compiled(lineTemplate);
    std::string line = "keep", error;
    if (!compiled.appendLine(line, list, index, &error)) {
        // Only a row made of texts may fail, only for a text the template needs, and it says why;
        // texts as a search gives them always expand.
        check((flags & 0x80) && needsRowTexts && !error.empty() && line == "keep");
        check(!(flags & 0x20) || expected.subItems != 7);
        return 0;
    }
    check(line.starts_with("keep"));
    line.erase(0, 4);
    if (!(flags & 0x80) || (flags & 0x20) || !needsRowTexts)
        check(line == test::referenceExpand(lineTemplate, expected));

    if (!(flags & 0x80)) {
        // The companion's path, from raw values, gives the same line.
        RowValues values = list.valuesOf(list.row(index));
        std::string direct;
        LineTemplate(lineTemplate).appendLine(direct, values, list.patternOf(index), locale);
        check(direct == line);
        // One compiled template serves many rows: a second row comes out the same.
        std::string second;
        check(compiled.appendLine(second, list, index) && second == line);
    }
    return 0;
}
