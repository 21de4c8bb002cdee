// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the text output: one line per list row from the line template, written safely.
#pragma once

#include "search/FileList.h"

#include <cstddef>
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
 * compilation.
 */
using TemplateSource = std::function<std::string()>;

/** What an export did. */
struct ExportResult {
    bool ok = false;
    /** Why the export failed (what, the path, the system's reason, or the row that could not be read); empty when ok. */
    std::string error;
    /** Rows written; 0 when the export failed, since nothing then replaces the previous file. */
    std::size_t rows = 0;
};

/**
 * Writes every row of @p list, in list order, to @p path: each row's line from the template that
 * @p source gives for it, followed by carriage return and line feed. No byte-order mark; names and
 * folders as their original bytes, other text as UTF-8. An empty list gives an empty file.
 *
 * The file is written completely under a new private name beside @p path and then renamed over
 * it: a link at @p path is replaced, not followed, and on any failure (the folder cannot be
 * written, the disk is full, a row made of texts holds an unreadable Size, "CYMD" or "MYMD" text
 * that the template needs) the previous file is left untouched and the result tells why.
 */
ExportResult ExportListToText(const FileList& list, const std::string& path, const TemplateSource& source);

/**
 * The line of row @p index (from 0) of @p list for @p lineTemplate, without a line end. Compiles
 * the template for this one row; the export keeps a compiled template instead. When a text of a
 * row made of texts cannot be read, returns an empty text and puts the reason in @p error (when
 * given).
 */
std::string ExpandTemplate(std::string_view lineTemplate, const FileList& list, std::size_t index,
                           std::string* error = nullptr);

} // namespace dirlix::modListToText
