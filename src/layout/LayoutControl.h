// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a control as the layout engine sees it.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace dirlix {

class LayoutWindow;

/**
 * One control of a window. Left and Top are in the coordinates of the control's container;
 * all lengths are twips. A control may lack its position altogether (a menu entry): its reads
 * are then empty and its sets false. A set may also be refused for one value (a negative
 * width), leaving the control as it was.
 */
class LayoutControl {
public:
    virtual ~LayoutControl() = default;

    /** The class name that the window system reports for the control ("Toolbar" for a tool bar). */
    virtual std::string typeName() const = 0;
    /** The control's layout rule text (UTF-8); empty when it has none. */
    virtual std::string Tag() const = 0;
    /** The window that holds the control; null when it has none any more. */
    virtual std::shared_ptr<LayoutWindow> Parent() const = 0;

    /** The left edge; empty when the control has no position. */
    virtual std::optional<double> Left() const = 0;
    /** The top edge; empty when the control has no position. */
    virtual std::optional<double> Top() const = 0;
    /** The width; empty when the control has no size. */
    virtual std::optional<double> Width() const = 0;
    /** The height; empty when the control has no size. */
    virtual std::optional<double> Height() const = 0;

    /** Moves the left edge to @p twips, kept at the control's own resolution. False when refused. */
    virtual bool setLeft(double twips) = 0;
    /** Moves the top edge; as setLeft(). */
    virtual bool setTop(double twips) = 0;
    /** Sets the width; as setLeft(). */
    virtual bool setWidth(double twips) = 0;
    /** Sets the height; as setLeft(). */
    virtual bool setHeight(double twips) = 0;
};

} // namespace dirlix
