// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the dialog font cap.
#include "layout/DesignFont.h"

#include <QWidget>

namespace dirlix {

void applyDesignFont(QWidget* window)
{
    if (window->font().pointSizeF() > kDesignPointSize) {
        QFont capped = window->font();
        capped.setPointSizeF(kDesignPointSize);
        window->setFont(capped);
    }
}

} // namespace dirlix
