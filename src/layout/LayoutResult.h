// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the layout engine's errors and its value-or-error result.
#pragma once

#include <cstdint>

namespace dirlix {

/** Why a layout operation could not be done. None means it was done. */
enum class LayoutError : std::uint8_t {
    None = 0,
    /** A number outside the range of the whole-number type it had to fit, or a position beyond 32767. */
    Overflow,
    /** A rule value whose denominator is 0 (0/0 included). */
    DivisionByZero,
    /** A window or control property that could not be read (the object lacks it or is gone). */
    MissingProperty,
    /** A window property that refused the value it was given. */
    RefusedValue,
    /** The engine has no window: SetLayout has not been called. */
    NotAttached,
};

/**
 * A value, or the error that kept it from being computed. Errors are data here:
 * nothing in the layout engine throws.
 */
template <typename T>
class LayoutResult {
public:
    /** A successful result holding @p value. */
    LayoutResult(T value) : mValue(value) {}
    /** A failed result; @p error must not be LayoutError::None. */
    LayoutResult(LayoutError error) : mError(error) {}

    /** True when a value is held. */
    bool ok() const { return mError == LayoutError::None; }
    /** The value; only meaningful when ok(). */
    const T& value() const { return mValue; }
    /** The error, or LayoutError::None when ok(). */
    LayoutError error() const { return mError; }

private:
    T mValue{};
    LayoutError mError = LayoutError::None;
};

} // namespace dirlix
