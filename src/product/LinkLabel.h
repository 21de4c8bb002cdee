// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a label that reacts to a click, shown as a link.
#pragma once

#include <QLabel>

namespace dirlix {

/** A label in blue underlined text with a pointing-hand pointer that emits clicked() on a left click. */
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    /** The label was clicked with the left button. */
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace dirlix
