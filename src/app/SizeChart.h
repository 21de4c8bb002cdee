// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a small chart of a volume's total size over its scans.
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

namespace dirlix {

/** Draws one line through a volume's total sizes, scan by scan, with the sizes and scan numbers on its axes. */
class SizeChart : public QWidget {
    Q_OBJECT
public:
    explicit SizeChart(QWidget* parent = nullptr);

    /** One scan: its number and total size in bytes. */
    struct Point {
        std::int64_t scan = 0;
        std::uint64_t bytes = 0;
    };
    /** Shows @p points (oldest first) under the title @p title; none clears the chart. */
    void setPoints(const QString& title, std::vector<Point> points);
    const std::vector<Point>& points() const { return mPoints; }

    QSize sizeHint() const override { return {360, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString mTitle;
    std::vector<Point> mPoints;
};

} // namespace dirlix
