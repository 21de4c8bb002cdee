// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list's printed pages.
#include "app/ListPages.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace dirlix {

namespace {

// The printed columns: the list's visible ones, in its order.
constexpr int kColumns[6] = {ColFile, ColSize, ColAttrib, ColCreated, ColModified, ColDirectory};
constexpr int kPrinted = 6;

QString textOf(const std::string& bytes)
{
    // Invalid UTF-8 shows as replacement characters, as in the list.
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

ListPages::ListPages(RowSource& rows, const DateLocale& locale, PageHeading heading)
    : mRows(rows), mTexts(locale), mHeading(std::move(heading))
{
    mFont.setFamily(QStringLiteral("Sans Serif"));
    mFont.setStyleHint(QFont::SansSerif);
    mFont.setPointSizeF(7.5);
    mBold = mFont;
    mBold.setBold(true);
}

bool ListPages::readRow()
{
    Row row;
    mHavePending = mRows.next(row);
    if (!mHavePending)
        return false;
    mPending.clear();
    std::string text;
    for (int column : kColumns) {
        text.clear();
        mTexts.appendColumn(text, column, row);
        mPending << textOf(text);
    }
    return true;
}

void ListPages::begin(QPainter& painter, const QRectF& page)
{
    mArea = page;
    const QFontMetricsF metrics(mFont, painter.device());
    const QFontMetricsF bold(mBold, painter.device());
    mLine = metrics.height() * 1.2;
    readRow();

    // Size, Attrib and the dates as wide as their texts; File and Directory share the rest.
    const double gap = metrics.horizontalAdvance(QStringLiteral("  "));
    double widths[kPrinted] = {};
    const QString samples[kPrinted] = {{}, QStringLiteral("000000000000"), QStringLiteral("ARSH"),
                                       mHavePending ? mPending[3] : QString(), mHavePending ? mPending[4] : QString(), {}};
    double fixed = 0;
    for (int i = 1; i < 5; ++i) {
        const QString caption = QString::fromLatin1(kColumnCaptions[kColumns[i] - 1].data(),
                                                    qsizetype(kColumnCaptions[kColumns[i] - 1].size()));
        widths[i] = std::max(metrics.horizontalAdvance(samples[i]), bold.horizontalAdvance(caption)) + gap;
        fixed += widths[i];
    }
    const double rest = std::max(page.width() - fixed, page.width() * 0.3);
    widths[0] = rest * 0.45;
    widths[5] = rest * 0.55;
    // A page too narrow for every column shrinks them all alike.
    const double total = fixed + rest, scale = total > page.width() ? page.width() / total : 1.0;
    mColumnLeft[0] = page.left();
    for (int i = 0; i < kPrinted; ++i)
        mColumnLeft[i + 1] = mColumnLeft[i] + widths[i] * scale;
}

void ListPages::paintPage(QPainter& painter)
{
    ++mPage;
    const QFontMetricsF metrics(mFont, painter.device());
    const double gap = metrics.horizontalAdvance(QStringLiteral("  "));
    double y = mArea.top();

    // The heading: the start folder and the page number, then the date.
    painter.setFont(mBold);
    const QString number = QCoreApplication::translate("ListPages", "Page %1").arg(mPage);
    const double numberWidth = QFontMetricsF(mBold, painter.device()).horizontalAdvance(number) + gap;
    const QString title = mHeading.startFolder.isEmpty() ? QCoreApplication::translate("ListPages", "File list")
                                                         : QCoreApplication::translate("ListPages", "File list of %1").arg(mHeading.startFolder);
    painter.drawText(QRectF(mArea.left(), y, mArea.width() - numberWidth, mLine), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(mBold, painter.device()).elidedText(title, Qt::ElideMiddle, mArea.width() - numberWidth));
    painter.drawText(QRectF(mArea.left(), y, mArea.width(), mLine), Qt::AlignRight | Qt::AlignVCenter, number);
    y += mLine;
    painter.setFont(mFont);
    painter.drawText(QRectF(mArea.left(), y, mArea.width(), mLine), Qt::AlignLeft | Qt::AlignVCenter, mHeading.made);
    y += mLine * 1.5;

    // The captions, on every page.
    const auto cells = [&](const QStringList& texts, const QFont& font) {
        const QFontMetricsF fitted(font, painter.device());
        painter.setFont(font);
        for (int i = 0; i < kPrinted; ++i) {
            const QRectF cell(mColumnLeft[i], y, mColumnLeft[i + 1] - mColumnLeft[i] - gap / 2, mLine);
            const Qt::TextElideMode elide = kColumns[i] == ColDirectory ? Qt::ElideMiddle : Qt::ElideRight;
            const Qt::Alignment align = (kColumns[i] == ColSize ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            // drawText clips to the cell; only File and Directory are cut with an ellipsis, and a
            // folder's cut text is kept, since rows of one folder mostly follow each other.
            if (kColumns[i] == ColFile) {
                painter.drawText(cell, align, fitted.elidedText(texts[i], elide, cell.width()));
            } else if (kColumns[i] == ColDirectory) {
                if (texts[i] != mLastFolder || &font != mLastFolderFont) {
                    mLastFolder = texts[i];
                    mLastFolderFont = &font;
                    mLastFolderCut = fitted.elidedText(texts[i], elide, cell.width());
                }
                painter.drawText(cell, align, mLastFolderCut);
            } else {
                painter.drawText(cell, align, texts[i]);
            }
        }
        y += mLine;
    };
    QStringList captions;
    for (int column : kColumns)
        captions << QString::fromLatin1(kColumnCaptions[column - 1].data(), qsizetype(kColumnCaptions[column - 1].size()));
    cells(captions, mBold);
    painter.drawLine(QPointF(mArea.left(), y), QPointF(mArea.right(), y));
    y += mLine * 0.2;

    // At least one row a page, however small the page, so that the pages always come to an end.
    for (bool first = true; mHavePending && (first || y + mLine <= mArea.bottom()); first = false) {
        cells(mPending, mFont);
        ++mRowsPainted;
        readRow();
    }
}

} // namespace dirlix
