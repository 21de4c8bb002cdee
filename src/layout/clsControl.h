// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: one control's layout record.
#pragma once

#include "layout/LayoutControl.h"

#include <cstdint>
#include <memory>

namespace dirlix {

/**
 * A registered control: its rectangle when it was registered (twips, in its container's
 * coordinates) and the four growth factors read from its rule text. Made by
 * clsLayout::AddControl and never changed afterwards. The record shares ownership of the
 * control, so the control outlives every record of it.
 */
struct clsControl {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    /** Share of the window's width growth by which the control moves right ("X="). */
    double xr = 0;
    /** Share of the window's height growth by which the control moves down ("Y="). */
    double yr = 0;
    /** Share of the window's width growth by which the control widens ("W="). */
    double wr = 0;
    /** Share of the window's height growth by which the control heightens ("H="). */
    double hr = 0;
    /** The registered control; never null in a record of the engine. */
    std::shared_ptr<LayoutControl> ctrl;
};

} // namespace dirlix
