// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a QWidget window seen through the layout engine's window interface.
#include "layout/QtLayoutWindow.h"

#include "layout/QtLayoutAction.h"
#include "layout/QtLayoutWidget.h"
#include "layout/Twips.h"
#include "layout/clsLayout.h"

#include <QAction>

namespace dirlix {

std::shared_ptr<QtLayoutWindow> QtLayoutWindow::create(QWidget* window, const QList<QObject*>& controls)
{
    // The constructor is private so that every adapter lives in a shared_ptr, which the
    // controls' Parent() relies on.
    return std::shared_ptr<QtLayoutWindow>(new QtLayoutWindow(window, controls));
}

QtLayoutWindow::QtLayoutWindow(QWidget* window, const QList<QObject*>& controls)
    : mWindow(window)
{
    for (QObject* control : controls)
        mControls.append(control);
}

void QtLayoutWindow::setTag(QObject* control, const QString& tag)
{
    if (control)
        control->setProperty(kTagProperty, tag);
}

void QtLayoutWindow::applyMinimumSize(const clsLayout& layout)
{
    if (mWindow)
        mWindow->setMinimumSize(std::max(0, twipsToPixels(layout.MinWidth())),
                                std::max(0, twipsToPixels(layout.MinHeight())));
}

// The widget's own size, not frameGeometry(): a window manager adds its frame some time after the
// window is shown, so a size taken with the frame at load (before it exists) and one taken later
// would differ by the frame, and the engine would read that difference as growth.
std::optional<double> QtLayoutWindow::Width() const
{
    if (!mWindow)
        return std::nullopt;
    return pixelsToTwips(mWindow->width());
}

std::optional<double> QtLayoutWindow::Height() const
{
    if (!mWindow)
        return std::nullopt;
    return pixelsToTwips(mWindow->height());
}

bool QtLayoutWindow::setWidth(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWindow || pixels < 0 || pixels > QWIDGETSIZE_MAX)
        return false;
    mWindow->resize(pixels, mWindow->height());
    return true;
}

bool QtLayoutWindow::setHeight(double twips)
{
    const int pixels = twipsToPixels(twips);
    if (!mWindow || pixels < 0 || pixels > QWIDGETSIZE_MAX)
        return false;
    mWindow->resize(mWindow->width(), pixels);
    return true;
}

std::optional<int> QtLayoutWindow::WindowState() const
{
    if (!mWindow)
        return std::nullopt;
    if (mWindow->isMinimized())
        return 1;
    if (mWindow->isMaximized() || mWindow->isFullScreen())
        return 2;
    return 0;
}

std::vector<std::shared_ptr<LayoutControl>> QtLayoutWindow::Controls() const
{
    std::vector<std::shared_ptr<LayoutControl>> result;
    if (!mWindow)
        return result;
    // Controls need a shared reference to their window; this adapter only ever lives in a
    // shared_ptr (see create()).
    const std::weak_ptr<LayoutWindow> self =
        std::const_pointer_cast<QtLayoutWindow>(shared_from_this());

    QList<QObject*> objects;
    if (mControls.isEmpty()) {
        for (QObject* child : mWindow->children())
            objects.append(child);
    } else {
        for (const QPointer<QObject>& control : mControls)
            objects.append(control.data());
    }
    for (QObject* object : objects) {
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            if (!widget->isWindow())
                result.push_back(std::make_shared<QtLayoutWidget>(widget, self));
        } else if (auto* action = qobject_cast<QAction*>(object)) {
            result.push_back(std::make_shared<QtLayoutAction>(action, self));
        }
    }
    return result;
}

} // namespace dirlix
