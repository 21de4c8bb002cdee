// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list as one self-contained web page with a folder tree, a file table and a search.
#pragma once

#include "output/DateLocale.h"
#include "output/Exporter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dirlix {

/** What the page says about the list besides its rows. */
struct HtmlPageInfo {
    /**
     * The walk's start folder text, ending in the separator: the top of the page's tree. Empty
     * when not known (a list in the window): the tree then starts at the deepest folder that
     * holds every file.
     */
    std::string startFolder;
    /** When the list was made, in seconds since the epoch; 0 means when the export starts. */
    std::int64_t madeAt = 0;
};

/**
 * Appends @p bytes to @p out as a JSON string that is safe inside an HTML script element:
 * appendJsonString()'s text (invalid UTF-8 as U+FFFD) with '<', '>', '&', U+2028 and U+2029
 * written as \\u escapes, so that no name can end the element or start markup.
 */
void appendScriptJsonString(std::string& out, std::string_view bytes);

/**
 * The web page: one HTML file holding its style, its script and the rows, needing nothing else
 * (no network; a Content-Security-Policy that lets only its own script and style run). The rows
 * go in as JSON data blocks written as they come: each folder once (its parent and its name),
 * each file as its name, size, attribute bits and local times in seconds. The folder table with
 * each folder's own file count and size follows the rows, so memory grows with the folders,
 * never with the rows. The page's script shows the folder tree with totals, the chosen folder's
 * files sortable by column, and a search over every file; every text reaches the page as data,
 * never as markup. Dates are shown in each row's date pattern, made by the page from the
 * pattern's pieces (DatePattern::pieces()) and @p locale's names.
 */
class HtmlExporter : public Exporter {
public:
    HtmlExporter(const DateLocale& locale, HtmlPageInfo info) : mLocale(locale), mInfo(std::move(info)) {}

    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

private:
    DateLocale mLocale;
    HtmlPageInfo mInfo;
};

} // namespace dirlix
