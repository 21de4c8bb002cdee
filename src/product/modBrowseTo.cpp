// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: opening a document or web address with the user's default program.
#include "product/modBrowseTo.h"

#include "product/DesktopOpener.h"

namespace dirlix::modBrowseTo {

void BrowseTo(const QString& target)
{
    // The help links are fire and forget: a missing page or browser must not disturb the window.
    (void)desktopOpener().open(target);
}

} // namespace dirlix::modBrowseTo
