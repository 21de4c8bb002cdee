// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where the program's own help pages are, and their addresses.
#pragma once

#include <string>

namespace dirlix {

/**
 * The folder of the help pages for an executable in @p appDir (no trailing separator):
 * @p appDir/Help when that folder exists (the build tree, or a program kept in one folder),
 * otherwise @p appDir/../share/dirlix-pro/Help (an installed program), lexically normalised.
 * Whether the pages exist there is not checked.
 */
std::string HelpFolder(const std::string& appDir);

/** HelpFolder(@p appDir) followed by the separator and @p page ("index.html"). */
std::string HelpPagePath(const std::string& appDir, const std::string& page);

/**
 * The file: URL of the absolute local path @p path: "file://" then the path with "\" made "/",
 * a "/" put before a drive letter, and every byte other than letters, digits, "-._~/:" and the
 * sub-delimiters percent-encoded (so spaces, "%", "#", "?" and non-ASCII bytes survive).
 */
std::string FileUrl(const std::string& path);

/**
 * @p configured when it is not empty (a web address set at build time); otherwise the file: URL
 * of our own page @p page in the help folder of @p appDir.
 */
std::string ResolvePageAddress(const std::string& configured, const std::string& appDir,
                               const std::string& page);

} // namespace dirlix
