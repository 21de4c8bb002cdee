// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the layout engine that keeps a window's controls placed as the window is resized.
#pragma once

#include "layout/LayoutResult.h"
#include "layout/LayoutWindow.h"
#include "layout/clsControl.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * Keeps the controls of one window placed and sized as the window grows.
 *
 * A window creates one engine, calls SetLayout() with itself while it still has its design
 * size, and calls RedrawLayout() from its resize event. The size at SetLayout() is both the
 * smallest size the window may take in the normal state and the reference size from which
 * growth is measured; each control moves and grows by that growth times the factors of its
 * rule text (its Tag, such as "W=1 H=1" or "X=1/2").
 *
 * The engine shares ownership of the window and of every registered control until the next
 * SetLayout() or its own end. Not thread-safe: use it on the user-interface thread.
 */
class clsLayout {
public:
    /** The minimum outer width and reference width, in twips. 0 on a new engine. */
    float MinWidth() const;
    /**
     * Sets the minimum and reference width to @p Twips rounded half to even. Takes effect at the
     * next RedrawLayout(); SetLayout() overwrites it. Overflow (value unchanged) outside the
     * 32-bit range.
     */
    LayoutError setMinWidth(float Twips);
    /** The minimum outer height and reference height, in twips. 0 on a new engine. */
    float MinHeight() const;
    /** As setMinWidth(), for the height. */
    LayoutError setMinHeight(float Twips);

    /**
     * Attaches @p frm: its current outer size becomes the minimum and reference size, earlier
     * records are dropped, and every control of frm.Controls() whose type name is not "Toolbar"
     * is registered with its Tag through AddControl(). Controls that cannot be registered are
     * skipped silently. Fails, leaving the engine unchanged, when @p frm is null
     * (NotAttached) or its size cannot be read or rounded (MissingProperty, Overflow).
     */
    LayoutError SetLayout(std::shared_ptr<LayoutWindow> frm);

    /**
     * One layout pass: in the normal window state, enlarges the window to the minimum size when
     * it is smaller; then sets every registered control's Left, Top, Width and Height to its
     * registered value plus its factor times the window's growth over the reference size
     * (negative growth counts as 0). Values are handed over unrounded; an assignment the control
     * refuses is skipped and the pass goes on. A call made while a pass runs (the resize event
     * that the pass itself raises) returns at once with None. Errors reading the window, setting
     * its size or working out the growth end the pass and are returned; NotAttached before
     * SetLayout(), with nothing done.
     */
    LayoutError RedrawLayout();

    /**
     * Registers @p ctrl with the factors of the rule text @p pOpts and the control's current
     * rectangle, appending one record. All or nothing and silent: a rule value that overflows or
     * divides by zero, a control without a position (a menu entry), a rectangle that does not fit
     * 32 bits, a null control or an engine without SetLayout() registers nothing.
     */
    void AddControl(const std::shared_ptr<LayoutControl>& ctrl, std::string_view pOpts);

    /** The records in registration order; empty before SetLayout(). */
    const std::vector<clsControl>& records() const { return mControls; }
    /** The attached window; null before SetLayout(). */
    const std::shared_ptr<LayoutWindow>& window() const { return mForm; }

private:
    std::shared_ptr<LayoutWindow> mForm;
    std::vector<clsControl> mControls;
    // The collection exists only once a window is attached; AddControl needs it.
    bool mHasCollection = false;
    std::int32_t mMinWidth = 0;
    std::int32_t mMinHeight = 0;
    bool mInRedraw = false;
};

} // namespace dirlix
