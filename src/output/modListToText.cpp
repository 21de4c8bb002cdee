// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text output.
#include "output/modListToText.h"

#include "platform/ReplacingFile.h"

namespace dirlix::modListToText {

bool TemplateExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    mTemplate.compile(mSource());
    mTemplate.ExpandTemplate(out, row, mTexts);
    out += "\r\n";
    return true;
}

bool ColumnsExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    if (row.hashAlgorithm.empty()) {
        mTexts.appendRow(out, row, '\t', '\n');
        return true;
    }
    mTexts.appendRow(out, row, '\t', '\t');
    out += row.hash;
    out += '\n';
    return true;
}

ExportResult ExportListToText(RowSource& rows, const std::string& path, const TemplateSource& source,
                              const DateLocale& locale, ExportProgress& progress, const std::atomic<bool>* stop)
{
    ReplacingFile file(path);
    TemplateExporter exporter(source, locale);
    return exporter.write(rows, file, progress, stop);
}

} // namespace dirlix::modListToText
