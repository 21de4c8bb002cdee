// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list as a PDF document, written like every other output.
#pragma once

#include "app/ListPages.h"
#include "output/Exporter.h"

namespace dirlix {

/**
 * Export PDF: the rows as ListPages lays them out, on A4 pages (portrait, 10 mm margins),
 * written through the export target, so it runs on the export worker with progress and Stop and
 * never leaves a partial file. Painting a PDF needs no window: it may run on any thread.
 */
class PdfExporter : public Exporter {
public:
    PdfExporter(const DateLocale& locale, PageHeading heading) : mLocale(locale), mHeading(std::move(heading)) {}

    ExportResult write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                       const std::atomic<bool>* stop = nullptr) override;

private:
    DateLocale mLocale;
    PageHeading mHeading;
};

} // namespace dirlix
