// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: Windows texts at the API edge: UTF-8 names in, UTF-16 out and back, long paths.
#pragma once

#include <string>
#include <string_view>

namespace dirlix::win {

/**
 * UTF-16 as the system spells it, turned into bytes. A name holding a lone surrogate (which
 * Windows allows) keeps it, encoded as UTF-8 encodes any other code point, so that every name
 * read from a folder turns back into the very same name in wide().
 */
std::string narrow(std::wstring_view text);

/** The inverse of narrow(): UTF-8 (lone surrogates included) to UTF-16; bytes that are no UTF-8 become U+FFFD. */
std::wstring wide(std::string_view text);

/**
 * The absolute form of the path text @p text for the file calls: "\\?\C:\..." or
 * "\\?\UNC\server\share\...", so that no length limit and no name rewriting applies. Relative
 * texts, "\" and "C:folder" are resolved as the system resolves them; "/" counts as "\". A text
 * that already starts with "\\?\" is taken as it is. Empty when the text cannot be resolved.
 */
std::wstring longPath(std::string_view text);

/** The errno closest to the Windows error @p error, so that callers above report it as on POSIX. */
int errnoOf(unsigned long error);

/** The system's words for @p error (from GetLastError()), as UTF-8 without a trailing line end. */
std::string errorText(unsigned long error);

} // namespace dirlix::win
