// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: number reading and whole-number rounding used by the layout engine.
#pragma once

#include "layout/LayoutResult.h"

#include <cstdint>
#include <string_view>

namespace dirlix {

/**
 * Reads the number at the start of @p text: an optional sign, digits with at most one "."
 * and an optional exponent ("E" or "D", optional sign, digits); or, after a leading "&H" or
 * "&O", a hexadecimal or octal whole number. Tab and line-feed characters are skipped
 * wherever they stand. Reading stops at the first character that cannot continue the
 * number; text with no number gives 0. Fails with Overflow only when the number is too
 * large for a double.
 */
LayoutResult<double> readLayoutNumber(std::string_view text);

/** @p value rounded to the nearest whole number, halves to the even neighbour. @p value must be finite. */
double roundHalfEven(double value);

/** @p value rounded half to even into a signed 16-bit number; Overflow outside -32768..32767 or when not finite. */
LayoutResult<std::int16_t> roundToInt16(double value);

/** @p value rounded half to even into a signed 32-bit number; Overflow outside the 32-bit range or when not finite. */
LayoutResult<std::int32_t> roundToInt32(double value);

} // namespace dirlix
