// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the printing commands.
#include "app/PrintCommands.h"

#include "app/FileListModel.h"
#include "app/PdfExport.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/FormatDate.h"
#include "platform/ReplacingFile.h"
#include "output/frmOptions.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>

#include <ctime>

namespace dirlix {

namespace {
PrintCommands::ChoosePdf gChoosePdf;
PrintCommands::SetUpPrinter gSetUpPrinter;
} // namespace

struct PrintCommands::Printing {
    std::unique_ptr<RowSource> rows;
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;
    std::unique_ptr<ListPages> pages;
    QProgressDialog* progress = nullptr;
};

void PrintCommands::setChoosePdf(ChoosePdf choose)
{
    gChoosePdf = std::move(choose);
}

void PrintCommands::setSetUpPrinter(SetUpPrinter setUp)
{
    gSetUpPrinter = std::move(setUp);
}

PrintCommands::PrintCommands(frmMain* window) : QObject(window), mWindow(window)
{
    printAction = new QAction(tr("&Print…"), window);
    printAction->setShortcut(QKeySequence::Print);
    previewAction = new QAction(tr("Print Pre&view…"), window);
    pdfAction = new QAction(tr("Export PD&F…"), window);
    for (QAction* action : {printAction, previewAction, pdfAction})
        window->mnuFile->insertAction(window->mnuFileExit, action);
    window->mnuFile->insertSeparator(window->mnuFileExit);
    window->addAction(printAction);
    connect(printAction, &QAction::triggered, this, &PrintCommands::print);
    connect(previewAction, &QAction::triggered, this, &PrintCommands::preview);
    connect(pdfAction, &QAction::triggered, this, &PrintCommands::exportPdf);
    mPageTimer = new QTimer(this);
    mPageTimer->setInterval(0);
    connect(mPageTimer, &QTimer::timeout, this, &PrintCommands::printNextPage);
}

PrintCommands::~PrintCommands()
{
    if (mPrinting)
        mPrinting->printer.abort();
}

PageHeading PrintCommands::heading() const
{
    // The date in the list's own pattern, as the rows show theirs.
    const std::string pattern = mWindow->options() ? mWindow->options()->dateFormat().toStdString()
                                                   : std::string(kDefaultDatePattern);
    const std::string made = FormatDate(localFromUnix(std::time(nullptr)), pattern, mWindow->model()->locale());
    const std::string& start = mWindow->search()->lastSummary().startFolder;
    return {QString::fromUtf8(start.data(), qsizetype(start.size())), QString::fromUtf8(made.data(), qsizetype(made.size()))};
}

void PrintCommands::print()
{
    const QString title = tr("Print");
    if (mPrinting) {
        mWindow->reportFailure(title, tr("The list is still being printed; wait for it, or cancel it, first."));
        return;
    }
    auto printing = std::make_unique<Printing>();
    const bool accepted = gSetUpPrinter ? gSetUpPrinter(mWindow, printing->printer)
                                        : QPrintDialog(&printing->printer, mWindow).exec() == QDialog::Accepted;
    if (!accepted)
        return;
    if (!printing->painter.begin(&printing->printer)) {
        mWindow->reportFailure(title, tr("The printer could not be started."));
        return;
    }
    printing->rows = mWindow->shownRows();
    printing->pages = std::make_unique<ListPages>(*printing->rows, mWindow->model()->locale(), heading());
    printing->pages->begin(printing->painter, QRectF(QPointF(0, 0), QSizeF(printing->printer.width(), printing->printer.height())));
    printing->progress = new QProgressDialog(tr("Printing the list…"), tr("Cancel"), 0, 0, mWindow);
    printing->progress->setWindowTitle(title);
    printing->progress->setMinimumDuration(500);
    connect(printing->progress, &QProgressDialog::canceled, this, [this] { endPrinting(false); });
    mPrinting = std::move(printing);
    mPageTimer->start();
}

void PrintCommands::printNextPage()
{
    // One page per turn: the window answers between pages, and Cancel is seen at once.
    if (!mPrinting)
        return;
    mPrinting->pages->paintPage(mPrinting->painter);
    mPrinting->progress->setLabelText(tr("Printing the list: page %1, %n row(s)…", nullptr,
                                         int(mPrinting->pages->rowsPainted())).arg(mPrinting->pages->pagesPainted()));
    if (!mPrinting->pages->morePages())
        endPrinting(true);
    else if (!mPrinting->printer.newPage())
        endPrinting(false);
}

void PrintCommands::endPrinting(bool completed)
{
    mPageTimer->stop();
    if (!mPrinting)
        return;
    std::unique_ptr<Printing> printing = std::move(mPrinting);
    if (!completed)
        printing->printer.abort();
    printing->painter.end();
    printing->progress->disconnect(this);
    printing->progress->deleteLater();
    mWindow->statusText()->setText(completed ? tr("%n row(s) printed on %1 page(s).", nullptr, int(printing->pages->rowsPainted()))
                                                   .arg(printing->pages->pagesPainted())
                                             : tr("Printing stopped."));
    emit printFinished(completed);
}

void PrintCommands::preview()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, mWindow);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        QPainter painter(target);
        auto rows = mWindow->shownRows();
        ListPages pages(*rows, mWindow->model()->locale(), heading());
        pages.begin(painter, QRectF(QPointF(0, 0), QSizeF(target->width(), target->height())));
        do
            pages.paintPage(painter);
        while (pages.morePages() && pages.pagesPainted() < kPreviewPages && target->newPage());
        if (pages.morePages())
            mWindow->statusText()->setText(tr("Print Preview shows the first %1 pages; Print prints them all.").arg(kPreviewPages));
    });
    dialog.exec();
}

void PrintCommands::exportPdf()
{
    const QString title = tr("Export PDF");
    if (mWindow->exporter()->isRunning()) {
        mWindow->reportFailure(title, tr("Another output is still writing; wait for it to finish, or stop it, first."));
        return;
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString suggestion = QDir(folder).filePath(QStringLiteral("filelist.pdf"));
    QString path = gChoosePdf ? gChoosePdf(mWindow, suggestion)
                              : QFileDialog::getSaveFileName(mWindow, title, QDir::toNativeSeparators(suggestion),
                                                             tr("PDF documents (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    ExportController::Job job;
    job.exporter = std::make_unique<PdfExporter>(mWindow->model()->locale(), heading());
    auto target = std::make_unique<ReplacingFile>(QFile::encodeName(path).toStdString());
    target->useUsualPermissions();
    job.target = std::move(target);
    job.rows = mWindow->shownRows();
    mWindow->startExport(title, std::move(job), false);
}

} // namespace dirlix
