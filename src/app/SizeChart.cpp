// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the size chart, drawn with QPainter.
#include "app/SizeChart.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dirlix {

SizeChart::SizeChart(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SizeChart::setPoints(const QString& title, std::vector<Point> points)
{
    mTitle = title;
    mPoints = std::move(points);
    update();
}

void SizeChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().base());
    const QFontMetrics metrics(font());
    painter.setPen(palette().text().color());
    if (mPoints.empty()) {
        painter.drawText(rect(), Qt::AlignCenter, tr("Select a volume to see its size over its scans."));
        return;
    }
    painter.drawText(QRect(0, 2, width(), metrics.height()), Qt::AlignHCenter, mTitle);

    // The vertical axis starts at zero, so that a drive that grew by a little looks so.
    std::uint64_t most = 1;
    for (const Point& point : mPoints)
        most = std::max(most, point.bytes);
    const QLocale locale;
    const QString top = locale.formattedDataSize(qint64(most), 1);
    const int left = metrics.horizontalAdvance(top) + 10;
    const QRect plot(left, metrics.height() + 8, width() - left - 14, height() - 2 * metrics.height() - 16);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    painter.setPen(palette().mid().color());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.topLeft(), plot.topLeft() + QPoint(-4, 0));
    painter.setPen(palette().text().color());
    painter.drawText(QRect(0, plot.top() - metrics.height() / 2, left - 6, metrics.height()), Qt::AlignRight, top);
    painter.drawText(QRect(0, plot.bottom() - metrics.height() / 2, left - 6, metrics.height()), Qt::AlignRight,
                     QStringLiteral("0"));

    const auto at = [&](std::size_t i) {
        const double x = mPoints.size() == 1 ? plot.center().x()
                                             : plot.left() + double(plot.width()) * double(i) / double(mPoints.size() - 1);
        const double y = plot.bottom() - double(plot.height()) * double(mPoints[i].bytes) / double(most);
        return QPointF(x, y);
    };
    QPainterPath line;
    for (std::size_t i = 0; i < mPoints.size(); ++i)
        i == 0 ? line.moveTo(at(i)) : line.lineTo(at(i));
    painter.setPen(QPen(palette().highlight().color(), 2));
    painter.drawPath(line);
    painter.setBrush(palette().highlight());
    // Scan numbers under the axis, as many as fit.
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("#0000")) + 4;
    const std::size_t every = std::max<std::size_t>(1, std::size_t(labelWidth * int(mPoints.size()) / std::max(1, plot.width())) + 1);
    for (std::size_t i = 0; i < mPoints.size(); ++i) {
        const QPointF point = at(i);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(point, 3, 3);
        if (i % every == 0 || i + 1 == mPoints.size()) {
            painter.setPen(palette().text().color());
            painter.drawText(QRectF(point.x() - labelWidth / 2.0, plot.bottom() + 3, labelWidth, metrics.height()),
                             Qt::AlignHCenter, QStringLiteral("#%1").arg(mPoints[i].scan));
        }
    }
}

} // namespace dirlix
