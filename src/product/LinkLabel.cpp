// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a clickable link label.
#include "product/LinkLabel.h"

#include <QMouseEvent>

namespace dirlix {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace dirlix
