// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: conversion between twips and device-independent pixels.
#pragma once

#include <cmath>
#include <limits>

namespace dirlix {

/** Twips (1/1440 inch) in one device-independent pixel (1/96 inch). */
inline constexpr int kTwipsPerPixel = 15;

/** @p pixels device-independent pixels in twips; exact. */
constexpr double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

/**
 * @p twips in whole device-independent pixels, rounded to nearest (halves away from zero).
 * Values beyond the int range are clamped to it; not a number gives 0.
 */
inline int twipsToPixels(double twips)
{
    const double pixels = std::round(twips / kTwipsPerPixel);
    if (std::isnan(pixels))
        return 0;
    if (pixels <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (pixels >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(pixels);
}

} // namespace dirlix
