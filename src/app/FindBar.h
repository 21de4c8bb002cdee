// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the find bar: narrows the list to the rows whose name holds what is typed.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace dirlix {

/**
 * A strip with a text box, a "Whole path" check box and a close button, hidden until opened.
 * Esc in it clears the text and closes it. It only says what is asked for (changed()); the
 * narrowing itself is done by whoever listens.
 */
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    QLineEdit* text;
    QCheckBox* wholePath;
    QToolButton* closeButton;

    /** Shows the bar and puts the focus in its text, all of it selected. */
    void open();
    /** Clears the text and hides the bar. */
    void dismiss();

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    /** What to find changed: the text (empty: every row) and whether it is sought in the whole path. */
    void changed(const QString& text, bool wholePath);
    /** The bar was closed. */
    void closed();
};

} // namespace dirlix
