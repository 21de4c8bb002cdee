// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the check of a catalog file's header, made before SQLite may write anything to it.
#pragma once

#include <string>

namespace dirlix::catalog {

/** What checkCatalogFile() found. */
enum class FileCheck {
    Missing, ///< nothing at the path
    Empty,   ///< an empty file: a new catalog may be made in it
    Usable,  ///< an SQLite database that is ours, or still blank, of a schema this program knows
    Refused, ///< anything else; the reason is set
};

/**
 * Reads the header of the file @p path (nothing is written): a text or other foreign file, a
 * database cut short, another program's database and a catalog of a newer schema version are
 * refused, with the reason in @p error in words for the user.
 */
FileCheck checkCatalogFile(const std::string& path, std::string& error);

} // namespace dirlix::catalog
