// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a menu action seen through the layout engine's control interface.
#pragma once

#include "layout/LayoutControl.h"

#include <QAction>
#include <QPointer>

#include <memory>

namespace dirlix {

/**
 * A QAction (a menu entry) as a layout control. It has a type name, a Tag and a window but no
 * position or size: those reads are empty and sets refused, so the engine never registers it.
 */
class QtLayoutAction : public LayoutControl {
public:
    /** Adapts @p action (not owned) of the window @p parent. */
    QtLayoutAction(QAction* action, std::weak_ptr<LayoutWindow> parent);

    std::string typeName() const override;
    std::string Tag() const override;
    std::shared_ptr<LayoutWindow> Parent() const override;
    std::optional<double> Left() const override { return std::nullopt; }
    std::optional<double> Top() const override { return std::nullopt; }
    std::optional<double> Width() const override { return std::nullopt; }
    std::optional<double> Height() const override { return std::nullopt; }
    bool setLeft(double) override { return false; }
    bool setTop(double) override { return false; }
    bool setWidth(double) override { return false; }
    bool setHeight(double) override { return false; }

private:
    QPointer<QAction> mAction;
    std::weak_ptr<LayoutWindow> mParent;
};

} // namespace dirlix
