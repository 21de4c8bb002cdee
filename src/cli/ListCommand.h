// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command-line companion dirlix-list: options and the listing.
#pragma once

#include "cli/CatalogCommand.h"
#include "cli/FormatOptions.h"
#include "content/Digest.h"
#include "search/FilterRules.h"
#include "search/Walker.h"

#include <optional>
#include <string>
#include <vector>

namespace dirlix::cli {

/** The companion's options as given on its command line. */
struct ListOptions {
    std::string directory;
    unsigned threads = 0; ///< -j: threads that read folders; 0 means one per core
    std::optional<std::string> datePattern; ///< empty optional: the stored setting, else the default
    std::optional<std::string> outputFile;  ///< empty optional: standard output
    bool textOutput = false;                ///< -t/--template: the text output's lines instead of columns
    std::optional<std::string> lineTemplate; ///< with textOutput; empty optional: the stored setting, else the default
    std::optional<std::string> workbookFile; ///< --xlsx: a workbook written there instead of text lines
    FormatOptions formats;                  ///< --format, --no-header, --folders
    std::optional<std::string> compareWith; ///< --compare: the saved list to compare the folder with
    bool followLinks = false;               ///< -L/--follow: enter links to folders, each folder once
    bool oneFileSystem = false;             ///< -x/--one-file-system: stay on DIR's file system
    FilterRules filter;                     ///< -i, -e, sizes, dates, --dot-folders: what is listed
    CatalogOptions catalog;                 ///< --catalog and its operations
    bool help = false;
    bool version = false;
    /** Set by the program when it started with standard output closed: what would go there is refused. */
    bool standardOutputClosed = false;
    // What the files hold (ContentCommand.h).
    std::optional<HashAlgorithm> hash;      ///< --hash[=ALGO]: a checksum per file; empty: none
    bool duplicates = false;                ///< --duplicates: groups of identical files instead of the list
};

/** Exit statuses of the companion. */
enum ExitStatus : int {
    ExitOk = 0,
    ExitSomeUnreadable = 1, ///< the listing is complete, but some folders could not be read, or writing failed on the way
    ExitUsage = 2,          ///< bad command line, the start folder does not exist, or the output cannot be opened
};

/** Reads @p args (without the program name). Returns nothing and sets @p error on a bad command line. */
std::optional<ListOptions> parseArguments(const std::vector<std::string>& args, std::string& error);

/** The text of --help. */
std::string usageText();

/**
 * Reports on standard error how a walk of @p directory ended: a missing folder, or each folder that
 * could not be read. Returns ExitUsage for a missing folder, ExitSomeUnreadable when some folders
 * could not be read, else ExitOk.
 */
int reportWalk(const Walker& walker, bool found, const std::string& directory);

/**
 * Runs the companion with @p options; messages go to standard error. Returns the exit status.
 * @p walkOptions lets tests reach the walk's seams.
 */
int runList(const ListOptions& options, const WalkOptions& walkOptions = {});

} // namespace dirlix::cli
