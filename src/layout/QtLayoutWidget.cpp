// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a child widget seen through the layout engine's control interface.
#include "layout/QtLayoutWidget.h"

#include "layout/QtLayoutWindow.h"
#include "layout/Twips.h"

#include <QToolBar>

namespace dirlix {

namespace {

// Positions may be negative, sizes may not; neither may leave the range a widget accepts.
bool fitsPosition(int pixels) { return pixels >= -QWIDGETSIZE_MAX && pixels <= QWIDGETSIZE_MAX; }
bool fitsSize(int pixels) { return pixels >= 0 && pixels <= QWIDGETSIZE_MAX; }

} // namespace

QtLayoutWidget::QtLayoutWidget(QWidget* widget, std::weak_ptr<LayoutWindow> parent)
    : mWidget(widget)
    , mParent(std::move(parent))
{
}

std::string QtLayoutWidget::typeName() const
{
    if (!mWidget)
        return {};
    // The engine knows tool bars by this one name, whatever the Qt class derived from QToolBar.
    if (qobject_cast<QToolBar*>(mWidget.data()))
        return "Toolbar";
    return mWidget->metaObject()->className();
}

std::string QtLayoutWidget::Tag() const
{
    if (!mWidget)
        return {};
    return mWidget->property(QtLayoutWindow::kTagProperty).toString().toStdString();
}

std::shared_ptr<LayoutWindow> QtLayoutWidget::Parent() const { return mParent.lock(); }

std::optional<double> QtLayoutWidget::Left() const
{
    if (!mWidget)
        return std::nullopt;
    return pixelsToTwips(mWidget->x());
}

std::optional<double> QtLayoutWidget::Top() const
{
    if (!mWidget)
        return std::nullopt;
    return pixelsToTwips(mWidget->y());
}

std::optional<double> QtLayoutWidget::Width() const
{
    if (!mWidget)
        return std::nullopt;
    return pixelsToTwips(mWidget->width());
}

std::optional<double> QtLayoutWidget::Height() const
{
    if (!mWidget)
        return std::nullopt;
    return pixelsToTwips(mWidget->height());
}

bool QtLayoutWidget::setLeft(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWidget || !fitsPosition(pixels))
        return false;
    mWidget->move(pixels, mWidget->y());
    return true;
}

bool QtLayoutWidget::setTop(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWidget || !fitsPosition(pixels))
        return false;
    mWidget->move(mWidget->x(), pixels);
    return true;
}

bool QtLayoutWidget::setWidth(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWidget || !fitsSize(pixels))
        return false;
    mWidget->resize(pixels, mWidget->height());
    return true;
}

bool QtLayoutWidget::setHeight(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWidget || !fitsSize(pixels))
        return false;
    mWidget->resize(mWidget->width(), pixels);
    return true;
}

} // namespace dirlix
