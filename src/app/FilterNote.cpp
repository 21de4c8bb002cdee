// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the status bar's note of the filter in force.
#include "app/FilterNote.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTextDocument>

#include <cmath>

namespace dirlix {

namespace {
const QString kEllipsis = QStringLiteral("…");
}

FilterNote::FilterNote(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    // Mouse only: the window's tab order stays as designed; the Filter menu command is the keyboard's way.
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    hide();
    // Its room follows the window's width, which the status bar does not tell it.
    if (parent)
        parent->window()->installEventFilter(this);
}

bool FilterNote::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        updateGeometry();
    return QLabel::eventFilter(watched, event);
}

void FilterNote::setWords(const QString& words)
{
    mWords = words;
    setToolTip(tr("Filter: %1").arg(words));
    updateText();
    updateGeometry();
    setVisible(!words.isEmpty());
}

QString FilterNote::textFor(const QString& shownWords) const
{
    return tr("Filter: %1 &nbsp;<a href=\"edit\">Change…</a> &nbsp;<a href=\"clear\">Clear</a>")
        .arg(shownWords.toHtmlEscaped());
}

int FilterNote::plainWidth(const QString& shownWords) const
{
    // The text as the label draws it, links and spaces included, with a margin for its frame.
    QTextDocument text;
    text.setDefaultFont(font());
    text.setDocumentMargin(0);
    text.setHtml(textFor(shownWords));
    return int(std::ceil(text.idealWidth())) + 8;
}

QSize FilterNote::sizeHint() const
{
    QSize hint = QLabel::sizeHint();
    int width = plainWidth(mWords);
    if (const QWidget* top = window())
        width = std::min(width, std::max(plainWidth(kEllipsis), top->width() / 3));
    hint.setWidth(width);
    return hint;
}

QSize FilterNote::minimumSizeHint() const
{
    QSize hint = QLabel::minimumSizeHint();
    hint.setWidth(plainWidth(kEllipsis));
    return hint;
}

void FilterNote::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateText();
}

void FilterNote::updateText()
{
    const int room = width() - plainWidth(QString());
    setText(textFor(fontMetrics().elidedText(mWords, Qt::ElideRight, std::max(room, 0))));
}

} // namespace dirlix
