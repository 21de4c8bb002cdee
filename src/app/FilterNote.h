// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the status bar's note of the filter in force, with links to change and clear it.
#pragma once

#include <QLabel>

namespace dirlix {

/**
 * "Filter: *.jpg, ≥ 1 MB  Change…  Clear" in the status bar. The words are shortened with "…" to
 * the width the note gets, never the links, and it asks for at most a third of the window, so the
 * search's own message keeps its room. Hidden while there are no words. Its links are "edit" and
 * "clear" (linkActivated).
 */
class FilterNote : public QLabel {
    Q_OBJECT
public:
    explicit FilterNote(QWidget* parent = nullptr);

    /** Shows @p words (plain text); empty hides the note. */
    void setWords(const QString& words);
    const QString& words() const { return mWords; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString textFor(const QString& shownWords) const;
    int plainWidth(const QString& shownWords) const;
    void updateText();

    QString mWords;
};

} // namespace dirlix
