// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the PDF exporter.
#include "app/PdfExport.h"

#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>

namespace dirlix {

namespace {

// The PDF writer writes to a device: this one hands the bytes to the export target, so the
// document lands in place only when it is complete.
class TargetDevice : public QIODevice {
public:
    explicit TargetDevice(ExportTarget& target) : mTarget(target) {}
    bool failed() const { return mFailed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (mFailed || !mTarget.write(std::string_view(data, std::size_t(size)))) {
            mFailed = true;
            return -1;
        }
        return size;
    }

private:
    ExportTarget& mTarget;
    bool mFailed = false;
};

} // namespace

ExportResult PdfExporter::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                const std::atomic<bool>* stop)
{
    ExportResult result;
    result.path = target.path();
    progress.rowsTotal.store(rows.total().value_or(0), std::memory_order_relaxed);
    if (!target.open()) {
        result.error = target.error();
        return result;
    }
    bool stopped = false;
    {
        TargetDevice device(target);
        device.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&device);
        pdf.setCreator(QStringLiteral("Dirlix Pro"));
        pdf.setTitle(mHeading.startFolder.isEmpty() ? QStringLiteral("File list")
                                                    : QStringLiteral("File list of ") + mHeading.startFolder);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        pdf.setResolution(300);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            target.discard();
            result.error = device.failed() ? target.error() : std::string("the PDF document could not be started");
            return result;
        }
        ListPages pages(rows, mLocale, mHeading);
        pages.begin(painter, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())));
        do {
            pages.paintPage(painter);
            progress.rowsWritten.store(pages.rowsPainted(), std::memory_order_relaxed);
            if (stop && stop->load(std::memory_order_relaxed)) {
                stopped = true;
                break;
            }
        } while (pages.morePages() && pdf.newPage());
        painter.end();
        result.rows = pages.rowsPainted();
        if (!stopped && device.failed()) {
            target.discard();
            result.error = target.error();
            result.rows = 0;
            return result;
        }
    }
    if (stopped) {
        target.discard();
        result.stopped = true;
        result.rows = 0;
        return result;
    }
    if (!target.commit()) {
        result.error = target.error();
        result.rows = 0;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace dirlix
