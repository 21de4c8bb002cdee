// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: dirlix-list --hash and --duplicates: what the files hold.
#pragma once

#include "cli/ListCommand.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dirlix::cli {

/**
 * Reads @p args[@p i] when it is --hash, --hash=ALGO or --duplicates, into @p into. Returns false
 * for any other argument; true with @p error set for an unknown ALGO. "--hash" alone never takes
 * the next argument (that one may be the folder): it means sha256.
 */
bool parseContentOption(const std::vector<std::string>& args, std::size_t& i, ListOptions& into, std::string& error);

/** Why the options given cannot go with --hash or --duplicates; empty when they can. */
std::string contentConflict(const ListOptions& options);

/** The lines of --help on --hash and --duplicates. */
std::string contentUsageText();

/**
 * Walks options.directory with @p walk and writes the groups of files with identical content:
 * per file "group<TAB>size<TAB>path" (CSV and TSV: the columns Group, Size, Path; JSON Lines: one
 * object per group), the groups that waste the most first, and a summary line on standard error.
 * Returns ExitOk, ExitSomeUnreadable when some folder or file could not be read or the output not
 * written, or ExitUsage for a missing folder.
 */
int runDuplicates(const ListOptions& options, const WalkOptions& walk);

} // namespace dirlix::cli
