// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Print…, Print Preview… and Export PDF…: the list as shown, on paper or in a PDF.
#pragma once

#include "app/ListPages.h"

#include <QObject>

#include <functional>
#include <memory>

class QAction;
class QPrinter;
class QProgressDialog;
class QTimer;
class QPainter;
class QWidget;

namespace dirlix {

class frmMain;

/**
 * The printing commands of the main window's File menu. Each prints the rows the list shows, in
 * the order shown (ListPages lays them out). Print paints on the window's thread, as printers
 * need, one page per turn of the event loop with a progress dialog whose Cancel stops it; Export
 * PDF runs as an export on the worker thread (PdfExporter), with the status bar's progress and
 * Stop. Print Preview shows the first pages (at most kPreviewPages), since a preview holds every
 * page it shows in memory.
 */
class PrintCommands : public QObject {
    Q_OBJECT
public:
    explicit PrintCommands(frmMain* window);
    ~PrintCommands() override;

    /** Pages Print Preview shows at most. */
    static constexpr int kPreviewPages = 100;

    QAction* printAction;
    QAction* previewAction;
    QAction* pdfAction;

    /** Asks for the PDF file to write, starting at @p suggestion; an empty text cancels. */
    using ChoosePdf = std::function<QString(QWidget* parent, const QString& suggestion)>;
    /** Replaces the file dialog of Export PDF (tests); an empty function brings it back. */
    static void setChoosePdf(ChoosePdf choose);
    /** Sets up @p printer with the user; false cancels. */
    using SetUpPrinter = std::function<bool(QWidget* parent, QPrinter& printer)>;
    /** Replaces the print dialog (tests print to a PDF file); an empty function brings it back. */
    static void setSetUpPrinter(SetUpPrinter setUp);

    /** True while Print paints its pages. */
    bool isPrinting() const { return mPrinting != nullptr; }

signals:
    /** Print ended: printed completely, cancelled or failed. */
    void printFinished(bool completed);

private:
    struct Printing;
    PageHeading heading() const;
    void print();
    void preview();
    void exportPdf();
    void printNextPage();
    void endPrinting(bool completed);

    frmMain* mWindow;
    std::unique_ptr<Printing> mPrinting;
    QTimer* mPageTimer;
};

} // namespace dirlix
