// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a search on the calling thread.
#include "search/modSearchDir.h"

namespace dirlix::modSearchDir {

SearchResult SearchDir(std::string_view directoryText, FileList& list, const DatePatternSource& datePattern,
                       const WalkOptions& options, const std::atomic<bool>* stop)
{
    SearchResult result;
    list.clear();
    Walker walker(options);
    result.folderFound = walker.run(
        directoryText,
        [&](WalkBlock&& block) { result.rowsAdded += list.appendBlock(block, datePattern()); }, stop);
    result.errors = walker.errors();
    return result;
}

} // namespace dirlix::modSearchDir
