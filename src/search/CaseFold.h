// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: Unicode simple case folding of one code point, and UTF-8 decoding for name matching.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace dirlix {

/** The simple case folding of @p c (a Unicode code point): 'A' gives 'a', 'Σ' and 'ς' give 'σ'; others unchanged. */
char32_t foldCase(char32_t c);

/**
 * Decodes @p bytes as UTF-8 into @p out (replaced). Returns false, with @p out unspecified, when
 * they are not valid UTF-8 (overlong forms, surrogates and values beyond U+10FFFF included).
 */
bool decodeUtf8(std::string_view bytes, std::u32string& out);

} // namespace dirlix
