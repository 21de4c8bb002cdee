// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a child widget seen through the layout engine's control interface.
#pragma once

#include "layout/LayoutControl.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace dirlix {

/**
 * A QWidget as a layout control: position and size in its parent widget's coordinates, in
 * twips, stored at whole pixels. Refuses a negative or out-of-range width or height and any
 * value once the widget is destroyed. A QToolBar reports the type name "Toolbar", which the
 * engine leaves alone; other widgets report their class name.
 */
class QtLayoutWidget : public LayoutControl {
public:
    /** Adapts @p widget (not owned) of the window @p parent. */
    QtLayoutWidget(QWidget* widget, std::weak_ptr<LayoutWindow> parent);

    std::string typeName() const override;
    std::string Tag() const override;
    std::shared_ptr<LayoutWindow> Parent() const override;
    std::optional<double> Left() const override;
    std::optional<double> Top() const override;
    std::optional<double> Width() const override;
    std::optional<double> Height() const override;
    bool setLeft(double twips) override;
    bool setTop(double twips) override;
    bool setWidth(double twips) override;
    bool setHeight(double twips) override;

private:
    QPointer<QWidget> mWidget;
    std::weak_ptr<LayoutWindow> mParent;
};

} // namespace dirlix
