// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading one growth factor out of a control's layout rule text.
#pragma once

#include "layout/LayoutResult.h"

#include <string_view>

namespace dirlix {

/**
 * The factor that the rule text @p pOpts gives for @p key ("X=", "Y=", "W=" or "H=").
 *
 * The first occurrence of the key counts, matched case-sensitively anywhere in the text (also
 * inside a longer word); its value runs up to the next space or the end of the text. The value
 * is a whole number or two with a "/" between them; each part is read as a number and rounded
 * half to even to 16 bits before the division, so "1.5" gives 2 and a fraction is written "1/2".
 * An absent key or an empty value gives 0.
 *
 * Fails with Overflow for a part outside -32768..32767 or for a value that ends beyond character
 * 32767 of the text (characters counted as UTF-16 units), and with DivisionByZero for a
 * denominator of 0, a "/" with nothing readable after it included.
 */
LayoutResult<double> GetOptionValue(std::string_view key, std::string_view pOpts);

} // namespace dirlix
