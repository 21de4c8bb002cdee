// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the window as the layout engine sees it.
#pragma once

#include <memory>
#include <optional>
#include <vector>

namespace dirlix {

class LayoutControl;

/**
 * A window whose controls the layout engine places. Lengths are twips. Every read may fail
 * (empty result) and every set may be refused (false), so that a window that has gone away
 * or a property it lacks is an answer, not an exception.
 */
class LayoutWindow {
public:
    virtual ~LayoutWindow() = default;

    /**
     * The window's outer width, menu bar included: the size the minimum applies to and from which
     * growth is measured. Empty when it cannot be read.
     */
    virtual std::optional<double> Width() const = 0;
    /** The window's outer height, as Width(). */
    virtual std::optional<double> Height() const = 0;
    /** Sets the outer width; may raise the window's resize event before it returns. False when refused. */
    virtual bool setWidth(double twips) = 0;
    /** Sets the outer height; as setWidth(). */
    virtual bool setHeight(double twips) = 0;
    /** 0 for the normal state, 1 minimised, 2 maximised (any non-zero value is "not normal"); empty when unknown. */
    virtual std::optional<int> WindowState() const = 0;
    /**
     * Every control of the window once, controls inside containers and menu entries included,
     * in an order that stays the same from call to call. The window may build the objects afresh
     * on each call; the caller shares their ownership.
     */
    virtual std::vector<std::shared_ptr<LayoutControl>> Controls() const = 0;
};

} // namespace dirlix
