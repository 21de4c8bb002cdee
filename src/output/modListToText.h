// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text output: one line per row from the line template; and the column lines.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"
#include "output/LineTemplate.h"

#include <functional>
#include <string>
#include <string_view>

namespace dirlix::modListToText {

/** The line template used when none is stored: the full path in double quotes. */
inline constexpr std::string_view kDefaultTemplate = "\"%6%1\"";

/** The name of the text output's file in the temporary folder. */
inline constexpr std::string_view kFileName = "filelist.txt";

/**
 * Gives the current line template. The export asks it for every row, so an edit made while the
 * export runs is in force from the next row on; a text equal to the previous one costs no new
 * compilation. Called on the exporting thread.
 */
using TemplateSource = std::function<std::string()>;

/**
 * The text output as an exporter: each row's line from the template that the source gives for
 * it, followed by carriage return and line feed. No byte-order mark; names and folders as their
 * original bytes, other text as UTF-8.
 */
class TemplateExporter : public LineExporter {
public:
    TemplateExporter(TemplateSource source, const DateLocale& locale) : mSource(std::move(source)), mTexts(locale) {}

protected:
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    TemplateSource mSource;
    LineTemplate mTemplate;
    RowTexts mTexts;
};

/**
 * The list's columns as lines: the eight column texts of each row separated by tabs, ended by a
 * line feed; what dirlix-list writes by default.
 */
// A row that carries checksums (Row::hashAlgorithm set) gets a ninth text, its Hash.
class ColumnsExporter : public LineExporter {
public:
    explicit ColumnsExporter(const DateLocale& locale) : mTexts(locale) {}

protected:
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    RowTexts mTexts;
};

/**
 * Writes every row of @p rows, in order, to @p path through the template of @p source. The file is
 * written completely under a new private name beside @p path and then renamed over it: a link at
 * @p path is replaced, not followed, and on any failure or stop the previous file is left
 * untouched and the result tells why. An empty list gives an empty file.
 */
ExportResult ExportListToText(RowSource& rows, const std::string& path, const TemplateSource& source,
                              const DateLocale& locale, ExportProgress& progress,
                              const std::atomic<bool>* stop = nullptr);

} // namespace dirlix::modListToText
