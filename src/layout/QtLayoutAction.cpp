// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a menu action seen through the layout engine's control interface.
#include "layout/QtLayoutAction.h"

#include "layout/QtLayoutWindow.h"

namespace dirlix {

QtLayoutAction::QtLayoutAction(QAction* action, std::weak_ptr<LayoutWindow> parent)
    : mAction(action)
    , mParent(std::move(parent))
{
}

std::string QtLayoutAction::typeName() const
{
    return mAction ? mAction->metaObject()->className() : std::string();
}

std::string QtLayoutAction::Tag() const
{
    if (!mAction)
        return {};
    return mAction->property(QtLayoutWindow::kTagProperty).toString().toStdString();
}

std::shared_ptr<LayoutWindow> QtLayoutAction::Parent() const { return mParent.lock(); }

} // namespace dirlix
