// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list --catalog: adding scans, finding files, listing and removing volumes, comparing.
#pragma once

#include "output/DateLocale.h"
#include "search/Walker.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dirlix::cli {

struct ListOptions;

/** The catalog options as given. */
struct CatalogOptions {
    std::optional<std::string> path;    ///< --catalog=CAT
    bool add = false;                   ///< --add: DIR becomes a new scan
    std::optional<std::string> label;   ///< --label=NAME
    std::optional<std::string> addList; ///< --add-list=LIST.jsonl
    std::optional<std::string> find;    ///< --find=MASK
    bool allScans = false;              ///< --all-scans
    bool volumes = false;               ///< --volumes
    std::optional<std::string> remove;  ///< --remove=LABEL or LABEL@N

    /** True when any catalog option was given. */
    bool given() const { return path || add || label || addList || find || allScans || volumes || remove; }
    /** True when the operation asked for works without a folder. */
    bool needsNoFolder() const { return addList || find || volumes || remove; }
};

/**
 * Reads @p args[@p i] when it is a catalog option (--catalog, --add, --label, --add-list, --find,
 * --all-scans, --volumes, --remove), with its value in the same argument after "=" or in the next
 * one (then @p i moves past it). Returns false for any other argument; true with @p error set for
 * a missing value.
 */
bool parseCatalogOption(const std::vector<std::string>& args, std::size_t& i, CatalogOptions& into, std::string& error);

/** Why the options given cannot go together with the catalog's; empty when they can. */
std::string catalogConflict(const ListOptions& options, bool haveDirectory);

/** The lines of --help that describe the catalog options. */
std::string catalogUsageText();

/**
 * Runs the catalog operation of @p options with the walk options @p walk (filters applied).
 * Messages go to standard error. Returns the exit status.
 */
int runCatalog(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
               const DateLocale& locale);

} // namespace dirlix::cli
