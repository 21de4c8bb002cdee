// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the find bar.
#include "app/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace dirlix {

FindBar::FindBar(QWidget* parent) : QWidget(parent)
{
    auto* label = new QLabel(tr("Find:"), this);
    text = new QLineEdit(this);
    text->setClearButtonEnabled(true);
    text->setPlaceholderText(tr("part of a name, or a mask such as *.txt"));
    text->setMinimumWidth(200);
    label->setBuddy(text);
    wholePath = new QCheckBox(tr("&Whole path"), this);
    closeButton = new QToolButton(this);
    closeButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    closeButton->setAutoRaise(true);
    closeButton->setToolTip(tr("Close the find bar (Esc)"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(text, 1);
    row->addWidget(wholePath);
    row->addWidget(closeButton);
    hide();

    connect(text, &QLineEdit::textChanged, this, [this](const QString& value) { emit changed(value, wholePath->isChecked()); });
    connect(wholePath, &QCheckBox::toggled, this, [this](bool whole) { emit changed(text->text(), whole); });
    connect(closeButton, &QToolButton::clicked, this, &FindBar::dismiss);
    text->installEventFilter(this);
}

void FindBar::open()
{
    show();
    text->setFocus(Qt::ShortcutFocusReason);
    text->selectAll();
}

void FindBar::dismiss()
{
    text->clear();
    hide();
    emit closed();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    // Esc belongs to the find bar while its text has the focus, before any window shortcut
    // (such as the one that stops a search) can take it.
    if (watched == text && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dirlix
