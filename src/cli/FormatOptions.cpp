// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list's format options.
#include "cli/FormatOptions.h"

#include "output/FolderTotals.h"
#include "output/HtmlExport.h"

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
    if (arg.rfind("--csv-formulas=", 0) == 0) {
        const std::string how = arg.substr(std::string_view("--csv-formulas=").size());
        if (how == "quote")
            into.csvFormulas = CsvFormulas::Quote;
        else if (how == "keep")
            into.csvFormulas = CsvFormulas::Keep;
        else
            error = "unknown --csv-formulas '" + how + "' (choose quote or keep)";
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
    into.html = name == "html";
    into.format = into.html ? std::nullopt : textFormatNamed(name);
    if (!into.format && !into.html)
        error = "unknown format '" + name + "' (choose columns, csv, tsv, jsonl or html)";
    return true;
}

std::string formatConflict(const FormatOptions& options, bool lineTemplate, bool workbook)
{
    const std::pair<bool, const char*> chosen[] = {{options.format.has_value() || options.html, "--format"},
                                                   {options.folderTotals, "--folders"}};
    for (const auto& [given, name] : chosen) {
        if (given && lineTemplate)
            return std::string(name) + " and --template cannot be used together";
        if (given && workbook)
            return std::string(name) + " and --xlsx cannot be used together";
    }
    if (options.html && options.folderTotals)
        return "--folders and --format=html cannot be used together (the page shows the folder totals)";
    if (!options.header && options.format != TextFormat::Csv && options.format != TextFormat::Tsv)
        return "--no-header needs --format=csv or --format=tsv";
    if (options.csvFormulas && options.format != TextFormat::Csv)
        return "--csv-formulas needs --format=csv";
    return {};
}

std::unique_ptr<Exporter> makeFormatExporter(const FormatOptions& options, const DateLocale& locale,
                                             const std::string& startFolder, bool hashColumn)
{
    if (options.html)
        return std::make_unique<HtmlExporter>(locale, HtmlPageInfo{startFolder, 0});
    const TextFormat format = options.format.value_or(TextFormat::Columns);
    const CsvFormulas formulas = options.csvFormulas.value_or(CsvFormulas::Quote);
    if (options.folderTotals)
        return std::make_unique<FolderTotalsExporter>(format, startFolder, options.header, formulas);
    return makeRowExporter(format, locale, options.header, formulas, hashColumn);
}

} // namespace dirlix::cli
