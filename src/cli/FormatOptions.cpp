// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list's format options.
#include "cli/FormatOptions.h"

#include "output/FolderTotals.h"

namespace dirlix::cli {

bool parseFormatOption(const std::vector<std::string>& args, std::size_t& i, FormatOptions& into, std::string& error)
{
    const std::string& arg = args[i];
    if (arg == "--no-header") {
        into.header = false;
        return true;
    }
    if (arg == "--folders") {
        into.folderTotals = true;
        return true;
    }
    std::string name;
    if (arg == "--format") {
        if (i + 1 >= args.size()) {
            error = "option --format needs a value";
            return true;
        }
        name = args[++i];
    } else if (arg.rfind("--format=", 0) == 0) {
        name = arg.substr(std::string_view("--format=").size());
    } else {
        return false;
    }
    into.format = textFormatNamed(name);
    if (!into.format)
        error = "unknown format '" + name + "' (choose columns, csv, tsv or jsonl)";
    return true;
}

std::string formatConflict(const FormatOptions& options, bool lineTemplate, bool workbook)
{
    const std::pair<bool, const char*> chosen[] = {{options.format.has_value(), "--format"},
                                                   {options.folderTotals, "--folders"}};
    for (const auto& [given, name] : chosen) {
        if (given && lineTemplate)
            return std::string(name) + " and --template cannot be used together";
        if (given && workbook)
            return std::string(name) + " and --xlsx cannot be used together";
    }
    if (!options.header && options.format != TextFormat::Csv && options.format != TextFormat::Tsv)
        return "--no-header needs --format=csv or --format=tsv";
    return {};
}

std::unique_ptr<Exporter> makeFormatExporter(const FormatOptions& options, const DateLocale& locale,
                                             const std::string& startFolder, bool hashColumn)
{
    const TextFormat format = options.format.value_or(TextFormat::Columns);
    if (options.folderTotals)
        return std::make_unique<FolderTotalsExporter>(format, startFolder, options.header);
    return makeRowExporter(format, locale, options.header, hashColumn);
}

} // namespace dirlix::cli
