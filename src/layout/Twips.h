// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: conversion between twips and device-independent pixels.
#pragma once

namespace dirlix {

/** Twips (1/1440 inch) in device-independent pixels, 15 twips to a pixel, rounded to nearest. */
constexpr int twipsToPixels(double twips)
{
    const double pixels = twips / 15.0;
    return static_cast<int>(pixels < 0 ? pixels - 0.5 : pixels + 0.5);
}

/** Device-independent pixels in twips (15 twips to a pixel). */
constexpr int pixelsToTwips(int pixels)
{
    return pixels * 15;
}

} // namespace dirlix
