// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: placing Qt widgets by the twips geometry of the window definitions.
#pragma once

#include "layout/Twips.h"

#include <QRect>
#include <QWidget>

namespace dirlix {

/** A rectangle given in twips, in device-independent pixels. */
inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

/** Places @p widget at a rectangle given in twips, in its parent's coordinates; returns it. */
template <typename Widget>
Widget* placeTwips(Widget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

} // namespace dirlix
