// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: libFuzzer target for the line template: one line per input, the same however the row is reached.
#include "fuzz/FuzzInput.h"
#include "output/ColumnTexts.h"
#include "output/FormatDate.h"
#include "output/LineTemplate.h"
#include "search/FileList.h"
#include "search/Walker.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace dirlix;
using fuzz::check;

// The input: flags, size, two time stamps and attributes, then texts separated by zero bytes:
// the template, the name, the folder, the date pattern and the sub-item texts. The line made is
// left in fuzz::output, for the replay to hold against the kept input's expected line.
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

    DateLocale locale;
    if (flags & 0x40)
        locale.thousandsSeparator = "\xe2\x80\xaf";
    // One list serves many inputs (a new list costs a whole chunk of rows); each input adds one row.
    static FileList list;
    if (list.count() >= 4096)
        list.clear();
    const std::size_t index = list.count();

    WalkBlock block;
    if (!(flags & 0x80)) {
        // A found file; with flag 0x10 one whose values could not be read.
        block.folder = std::make_shared<const FolderPath>(nullptr, folder);
        block.names = name;
        WalkEntry entry;
        entry.nameLength = std::uint32_t(name.size());
        entry.values = {fileSize, created, modified, attributes, std::uint8_t(flags & 0x10 ? RecordValuesUnknown : 0), 0};
        block.entries.push_back(entry);
        list.appendBlock(block, datePattern);
    } else {
        // A row given texts one by one: its size and dates are never read back from its texts,
        // not even from texts a search would give (flag 0x20).
        const int subItems = flags & 7;
        list.appendRow(name);
        for (int subItem = 1; subItem <= subItems; ++subItem) {
            std::string text = in.text();
            if (flags & 0x20) {
                if (subItem == 1)
                    text = std::to_string(fileSize);
                if (subItem == 6 || subItem == 7)
                    text = FormatDate(civilFromUnix(std::int64_t(std::uint64_t(subItem == 6 ? created : modified) %
                                                                 253402300800u)),
                                      "yyyy-mm-dd HH:MM:SS");
            }
            list.setSubItem(index + 1, subItem, text);
        }
    }
    std::string folderScratch;
    const Row row = list.row(index, folderScratch);
    RowTexts texts(locale);

    LineTemplate compiled(lineTemplate);
    std::string line = "keep";
    compiled.ExpandTemplate(line, row, texts);
    check(line.compare(0, 4, "keep") == 0);
    line.erase(0, 4);

    // One compiled template serves many rows: a second row comes out the same.
    std::string second;
    compiled.ExpandTemplate(second, row, texts);
    check(second == line);
    if (!(flags & 0x80)) {
        // The companion's path, the walk's own row, gives the same line.
        std::string direct;
        LineTemplate(lineTemplate).ExpandTemplate(direct, block.row(0, block.folder->text(), datePattern), texts);
        check(direct == line);
    }
    fuzz::output = line;
    return 0;
}
