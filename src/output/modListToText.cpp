// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text output.
#include "output/modListToText.h"

#include "output/LineTemplate.h"
#include "output/ReplacingFile.h"

namespace dirlix::modListToText {

namespace {

// Lines are gathered and written in pieces of about this size: few system calls, little memory.
constexpr std::size_t kWriteChunk = std::size_t(1) << 20;

} // namespace

ExportResult ExportListToText(const FileList& list, const std::string& path, const TemplateSource& source)
{
    ExportResult result;
    ReplacingFile file(path);
    if (!file.open()) {
        result.error = file.error();
        return result;
    }

    LineTemplate lineTemplate;
    std::string buffer;
    buffer.reserve(kWriteChunk + 4096);
    std::string rowError;
    for (std::size_t index = 0; index < list.count(); ++index) {
        lineTemplate.compile(source());
        if (!lineTemplate.appendLine(buffer, list, index, &rowError)) {
            result.error = "row " + std::to_string(index + 1) + ": " + rowError;
            return result; // the private file is removed with `file`
        }
        buffer += "\r\n";
        if (buffer.size() >= kWriteChunk) {
            if (!file.write(buffer)) {
                result.error = file.error();
                return result;
            }
            buffer.clear();
        }
    }
    if (!file.write(buffer) || !file.commit()) {
        result.error = file.error();
        return result;
    }
    result.ok = true;
    result.rows = list.count();
    return result;
}

std::string ExpandTemplate(std::string_view lineTemplate, const FileList& list, std::size_t index, std::string* error)
{
    LineTemplate compiled(lineTemplate);
    std::string line;
    compiled.appendLine(line, list, index, error);
    return line;
}

} // namespace dirlix::modListToText
