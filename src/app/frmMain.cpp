// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the main window: definition, start-up and handlers.
#include "app/frmMain.h"
#include "app/CatalogCommands.h"

#include "app/FileListModel.h"
#include "app/FilterNote.h"
#include "app/ChecksumCommands.h"
#include "app/DuplicateCommands.h"
#include "app/ListCommands.h"
#include "app/PrintCommands.h"
#include "app/ListWorkspace.h"
#include "app/RowActions.h"
#include "app/SaveListAs.h"
#include "app/SearchController.h"
#include "app/frmFilter.h"
#include "layout/QtLayoutWindow.h"
#include "layout/QtTwips.h"
#include "layout/clsLayout.h"
#include "platform/ReplacingFile.h"
#include "output/SettingsStore.h"
#include "output/SystemLocale.h"
#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "output/frmOptions.h"
#include "product/AppProduct.h"
#include "product/DesktopOpener.h"
#include "product/HelpCommands.h"
#include "product/frmAbout.h"
#include "product/modGlobal.h"
#include "search/modGetDir.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTableView>

// The icons live in a static library, whose resource the linker would otherwise drop; the
// resource's initialiser must be named outside any namespace.
static void initIconResources()
{
    Q_INIT_RESOURCE(dirlix_pro);
}

namespace dirlix {

namespace {
QString gTempFolder;
bool gFailureDialogs = true;

// What the filter left out of a search, for its summary: files seen and dropped, folders not entered.
QString filterSummary(const SearchController::Summary& summary)
{
    QStringList parts;
    if (summary.filteredOut != 0)
        parts << frmMain::tr("%n file(s)", nullptr, int(summary.filteredOut));
    if (summary.foldersLeftOut != 0)
        parts << frmMain::tr("%n folder(s)", nullptr, int(summary.foldersLeftOut));
    return parts.isEmpty() ? QString() : frmMain::tr("; the filter left out %1").arg(parts.join(frmMain::tr(" and ")));
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    initIconResources();
    defineWindow();
    defineMenus();
    defineStatusBar();
    Form_Load();
}

frmMain::~frmMain() = default;

QString frmMain::TempFolder()
{
    return gTempFolder;
}

void frmMain::setFailureDialogsShown(bool shown)
{
    gFailureDialogs = shown;
}

bool frmMain::failureDialogsShown()
{
    return gFailureDialogs;
}

void frmMain::defineWindow()
{
    setWindowTitle(QStringLiteral("Quillborne Software - Dirlix"));
    QIcon icon;
    for (const char* size : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/icons/dirlix-pro-%1.png").arg(QLatin1String(size)));
    setWindowIcon(icon);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The design client area; the layout engine moves and stretches the controls beyond it.
    client->setMinimumSize(twipsToPixels(8310), twipsToPixels(3750));
    setCentralWidget(client);

    // In the order of the window's definition, which is the order the layout engine walks.
    ListView1 = placeTwips(new QTableView(client), 120, 1320, 8055, 2295);
    cmdSearch = placeTwips(new QPushButton(tr("Search"), client), 7200, 480, 975, 375);
    cmdBrowse = placeTwips(new QPushButton(tr("..."), client), 6600, 480, 495, 375);
    txtDir = placeTwips(new QLineEdit(client), 120, 480, 6375, 375);
    Label2 = placeTwips(new QLabel(tr("Content"), client), 120, 1080, 8055, 375);
    Label1 = placeTwips(new QLabel(tr("Directory"), client), 120, 240, 4095, 255);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QtLayoutWindow::setTag(ListView1, QStringLiteral("W=1 H=1"));
    QtLayoutWindow::setTag(cmdSearch, QStringLiteral("X=1"));
    QtLayoutWindow::setTag(cmdBrowse, QStringLiteral("X=1"));
    QtLayoutWindow::setTag(txtDir, QStringLiteral("W=1"));
    QtLayoutWindow::setTag(Label2, QString());
    QtLayoutWindow::setTag(Label1, QString());

    // The file list in a fixed-pitch face, every other control in the dialog face.
    // A report-style list: a header of captions, one line per row, no grid, whole rows selected.
    // A table view rather than a tree view: it never lays out all rows again when rows are
    // added, so a list of millions still takes new rows in a moment.
    ListView1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListView1->setShowGrid(false);
    ListView1->setWordWrap(false);
    ListView1->setSortingEnabled(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(QFontMetrics(ListView1->font()).height() + 3);
    ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->horizontalHeader()->setStretchLastSection(false);

    // No default button: Enter in the directory box does not search.
    cmdSearch->setAutoDefault(false);
    cmdBrowse->setAutoDefault(false);

    // Tab order: txtDir, "...", Search, the list (labels never take the focus).
    setTabOrder(txtDir, cmdBrowse);
    setTabOrder(cmdBrowse, cmdSearch);
    setTabOrder(cmdSearch, ListView1);

    connect(cmdSearch, &QPushButton::clicked, this, &frmMain::cmdSearch_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
}

void frmMain::defineMenus()
{
    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFileText = mnuFile->addAction(tr("Output to &Text"));
    mnuFileExcel = mnuFile->addAction(tr("Output to &Excel"));
    mnuFileSaveAs = mnuFile->addAction(tr("Save List &As…"));
    mnuFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(mnuFileSaveAs); // Ctrl+S works also when the menu bar is not open
    mnuFileExit = mnuFile->addAction(tr("E&xit"));
    mnuEdit = menuBar()->addMenu(tr("&Edit")); // filled by the list's workspace
    mnuOptions = menuBar()->addAction(tr("&Options"));
    mnuFilter = menuBar()->addAction(tr("Fil&ter…"));
    mnuHelp = menuBar()->addMenu(tr("&Help"));
    mnuHelpContents = mnuHelp->addAction(tr("&Contents"));
    mnuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelpContents->setShortcutContext(Qt::WindowShortcut);
    mnuHelpFAQ = mnuHelp->addAction(tr("&FAQ"));
    mnuHelpSupport = mnuHelp->addAction(tr("&Support"));
    mnuHelp1 = mnuHelp->addSeparator();
    mnuHelpAbout = mnuHelp->addAction(tr("&About"));
    // F1 works wherever the focus is in the window, also when the menu bar is not open.
    addAction(mnuHelpContents);

    connect(mnuFileText, &QAction::triggered, this, &frmMain::mnuFileText_Click);
    connect(mnuFileExcel, &QAction::triggered, this, &frmMain::mnuFileExcel_Click);
    connect(mnuFileSaveAs, &QAction::triggered, this, &frmMain::mnuFileSaveAs_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuOptions, &QAction::triggered, this, &frmMain::mnuOptions_Click);
    connect(mnuFilter, &QAction::triggered, this, [this] { mFilter->open(); });
    connect(mnuHelpContents, &QAction::triggered, this, [] { mnuHelpContents_Click(); });
    connect(mnuHelpFAQ, &QAction::triggered, this, [] { mnuHelpFAQ_Click(); });
    connect(mnuHelpSupport, &QAction::triggered, this, [] { mnuHelpSupport_Click(); });
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

void frmMain::defineStatusBar()
{
    mStatusText = new QLabel(this);
    mStatusText->setTextFormat(Qt::RichText);
    mStatusText->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    mStop = new QPushButton(tr("Stop"), this);
    mStop->setAutoDefault(false);
    mStop->setFocusPolicy(Qt::NoFocus);
    mStop->hide();
    mFilterText = new FilterNote(this);
    statusBar()->addWidget(mStatusText, 1);
    statusBar()->addPermanentWidget(mFilterText);
    statusBar()->addPermanentWidget(mStop);
    statusBar()->setSizeGripEnabled(true);
    connect(mStatusText, &QLabel::linkActivated, this, &frmMain::showUnreadableFolders);
    connect(mFilterText, &QLabel::linkActivated, this,
            [this](const QString& link) { link == QLatin1String("clear") ? mFilter->clearRules() : mFilter->open(); });

    // Esc stops a running search; at any other time it does nothing.
    mStopShortcut = new QAction(this);
    mStopShortcut->setShortcut(QKeySequence(Qt::Key_Escape));
    mStopShortcut->setShortcutContext(Qt::WindowShortcut);
    mStopShortcut->setEnabled(false);
    addAction(mStopShortcut);
}

void frmMain::Form_Load()
{
    const clsProductInfo& product = AppProduct();
    // The temporary folder as the environment names it. QDir::tempPath() would turn a TMPDIR that
    // does not exist into an empty text, and so the output into the root folder.
    const QString tmpdir = qEnvironmentVariable("TMPDIR");
    gTempFolder = QDir::toNativeSeparators(tmpdir.isEmpty() ? QDir::tempPath() : QDir::cleanPath(tmpdir));
    if (!gTempFolder.endsWith(QDir::separator()))
        gTempFolder += QDir::separator();
    setWindowTitle(toQString(product.Name));
    QCoreApplication::setApplicationName(toQString(modGlobal::pProduct->Name));
    setWindowState(Qt::WindowNoState);

    // The window at its design size before the engine reads it as the reference size.
    resize(sizeHint().expandedTo(minimumSizeHint()));

    mLayout = std::make_unique<clsLayout>();
    QList<QObject*> controls{ListView1, cmdSearch, cmdBrowse, txtDir, Label2, Label1};
    for (QAction* item : {mnuFile->menuAction(), mnuFileText, mnuFileExcel, mnuFileExit, mnuOptions,
                          mnuHelp->menuAction(), mnuHelpContents, mnuHelpFAQ, mnuHelpSupport, mnuHelp1, mnuHelpAbout})
        controls.append(item);
    auto window = QtLayoutWindow::create(this, controls);
    mLayout->SetLayout(window);
    window->applyMinimumSize(*mLayout);

    InitControls();
    if (const QString problem = settingsFileProblem(toQString(product.CompanyName)); !problem.isEmpty())
        mStatusText->setText(problem.toHtmlEscaped());
    txtDir->setFocus();
}

void frmMain::InitControls()
{
    mModel = new FileListModel(this);
    mModel->setLocale(systemDateLocale());
    ListView1->setModel(mModel);
    // Hidden rather than narrowed to nothing, so that the Directory column is the last one shown
    // and stretches to the view's edge.
    ListView1->setColumnHidden(6, true);
    ListView1->setColumnHidden(7, true);

    // Owned by the main window so that it stays out of the taskbar and above the window it serves.
    mOptions = std::make_unique<frmOptions>(this);
    mTemplateText = std::make_shared<SharedText>();
    // The export thread follows the template as it is edited, but never touches the dialog.
    connect(mOptions->TextFormat, &QLineEdit::textChanged, this,
            [text = mTemplateText](const QString& value) { text->set(value.toStdString()); });
    mOptions->LoadSettings();
    mTemplateText->set(mOptions->textFormat().toStdString());
    mExport = new ExportController(this);
    connect(mExport, &ExportController::finished, this, &frmMain::exportFinished);

    mSearch = new SearchController(
        mModel, [this] { return mOptions ? mOptions->dateFormat().toStdString() : std::string(); }, this);
    mProgressTimer = new QTimer(this);
    mProgressTimer->setInterval(250);
    connect(mProgressTimer, &QTimer::timeout, this, &frmMain::showProgress);
    mLists = new ListCommands(this);
    mCatalogs = new CatalogCommands(this);
    mPrint = new PrintCommands(this);
    mChecksums = new ChecksumCommands(this);
    mDuplicates = new DuplicateCommands(this);
    connect(mSearch, &SearchController::finished, this, &frmMain::showSummary);
    connect(mSearch, &SearchController::rowsDelivered, this, &frmMain::fitColumnsOnce);
    connect(mStop, &QPushButton::clicked, this, &frmMain::stopWork);
    connect(mStopShortcut, &QAction::triggered, this, &frmMain::stopWork);

    mWorkspace = new ListWorkspace(this, ListView1, mModel, mSearch, txtDir);
    mWorkspace->fillEditMenu(mnuEdit);
    connect(mWorkspace->rows(), &RowActions::failed, this, [this](const QString& message) {
        reportFailure(tr("Open"), message);
    });

    mFilter = new frmFilter(this);
    connect(mFilter, &frmFilter::rulesChanged, this, &frmMain::applyFilter);
    mFilter->LoadSettings();
}

void frmMain::applyFilter()
{
    // Noted beside the status text for as long as it holds, so that a short list is never taken for all there is.
    mSearch->setFilter(mFilter->rules());
    mFilterText->setWords(mFilter->describe());
}

void frmMain::UnloadOptions()
{
    if (mOptions) {
        mOptions->close();
        mOptions.reset();
    }
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (mLayout)
        mLayout->RedrawLayout();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (mSearch)
        mSearch->stop();
    if (mExport)
        mExport->stop();
    // Its thread is joined when the window goes; asked now, it has ended its reading by then.
    if (mDuplicates)
        mDuplicates->stop();
    UnloadOptions();
    mLayout.reset();
    event->accept();
}

void frmMain::cmdSearch_Click()
{
    // The text as typed; its bytes are the folder's name on this system.
    mColumnsFitted = false;
    mLists->leave();
    mSearch->start(QFile::encodeName(txtDir->text()).toStdString());
    mStop->show();
    mStopShortcut->setEnabled(true);
    showProgress();
    mProgressTimer->start();
}

void frmMain::cmdBrowse_Click()
{
    txtDir->setText(modGetDir::GetDir(tr("Choose Directory")));
}

void frmMain::mnuFileText_Click()
{
    const QString path = TempFolder() + QString::fromUtf8(modListToText::kFileName.data(),
                                                          qsizetype(modListToText::kFileName.size()));
    ExportController::Job job;
    // The template is read for every row, so an edit in the open Options dialog counts at once.
    job.exporter = std::make_unique<modListToText::TemplateExporter>([text = mTemplateText] { return text->get(); },
                                                                     mModel->locale());
    job.target = std::make_unique<ReplacingFile>(QFile::encodeName(path).toStdString());
    job.rows = shownRows();
    startExport(tr("Output to Text"), std::move(job), true, true);
}

void frmMain::mnuFileExcel_Click()
{
    // A fresh name for each workbook: one that is still open in a spreadsheet is never touched.
    ExportController::Job job;
    job.exporter = std::make_unique<modListToExcel::WorkbookExporter>(mModel->locale());
    job.target = std::make_unique<FreshFile>(QFile::encodeName(TempFolder()).toStdString(),
                                             modListToExcel::freshBaseName(), ".xlsx");
    job.rows = shownRows();
    startExport(tr("Output to Excel"), std::move(job));
}

void frmMain::mnuFileSaveAs_Click()
{
    const QString title = tr("Save List As");
    if (exportBusy(title))
        return; // before the dialog, so that no choice is made in vain
    SaveListAs::ExporterContext context{mModel->locale(), [text = mTemplateText] { return text->get(); }, {}};
    context.hashColumn = !mModel->hashAlgorithm().empty();
    if (mLists->comparing())
        context.rowFormat = [lists = mLists](TextFormat format) { return lists->differencesExporter(format); };
    SaveListAs::Request request = SaveListAs::ask(this, context);
    if (!request.error.isEmpty())
        reportFailure(title, request.error);
    if (!request.job.exporter)
        return;
    request.job.rows = shownRows();
    startExport(title, std::move(request.job), false);
}

std::unique_ptr<RowSource> frmMain::shownRows() const
{
    // The differences while a comparison is shown; else walk order (the list's own rows()) until
    // the user sorts or types in the find bar.
    if (auto differences = mLists->shownRows())
        return differences;
    return mModel->shownRows();
}

bool frmMain::exportBusy(const QString& title)
{
    if (mExport->isRunning())
        reportFailure(title, tr("%1 is still writing; wait for it to finish, or stop it, first.").arg(mExportTitle));
    return mExport->isRunning();
}

void frmMain::startExport(const QString& title, ExportController::Job job, bool openWhenDone, bool asText)
{
    if (exportBusy(title))
        return;
    mExportTitle = title;
    mOpenWhenDone = openWhenDone;
    mOpenAsText = asText;
    mExport->start(std::move(job));
    mStop->show();
    mStopShortcut->setEnabled(true);
    showProgress();
    mProgressTimer->start();
}

void frmMain::hideStopUnlessBusy()
{
    if (mSearch->isRunning() || mExport->isRunning() || mLists->isRunning() || mChecksums->isRunning() ||
        mDuplicates->isRunning())
        return;
    mStop->hide();
    mStopShortcut->setEnabled(false);
}

void frmMain::exportFinished()
{
    if (!mSearch->isRunning()) {
        mProgressTimer->stop();
        // Checksums or duplicates still being read keep their Stop.
        if (!mChecksums->isRunning() && !mDuplicates->isRunning()) {
            mStop->hide();
            mStopShortcut->setEnabled(false);
        }
    }
    const ExportResult& result = mExport->lastResult();
    const QString path = QFile::decodeName(QByteArray::fromStdString(result.path));
    const QString shown = QDir::toNativeSeparators(path);
    if (result.stopped) {
        mStatusText->setText(tr("%1 stopped; nothing was written.").arg(mExportTitle).toHtmlEscaped());
        return;
    }
    if (!result.ok) {
        reportFailure(mExportTitle, tr("The list could not be written: %1").arg(QString::fromStdString(result.error)));
        return;
    }
    mStatusText->setText(tr("%n row(s) written to %1", nullptr, int(result.rows)).arg(shown.toHtmlEscaped()));
    if (mOpenWhenDone && !(mOpenAsText ? desktopOpener().openText(path) : desktopOpener().open(path)))
        reportFailure(mExportTitle, tr("No program could be started to open %1.").arg(shown));
}

void frmMain::stopWork()
{
    // Esc and Stop end what runs: the export first, as it is the newer work.
    if (mExport->isWriting())
        mExport->stop();
    else if (!mLists->stop() && !mChecksums->stop() && !mDuplicates->stop())
        mSearch->stop();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuOptions_Click()
{
    mOptions->show();
    mOptions->raise();
    mOptions->activateWindow();
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.Init();
    about.exec();
}

void frmMain::fitColumnsOnce()
{
    // The visible columns take the width of the first rows of a search, so that dates and sizes
    // show whole; the user's own widths are kept for the rest of the search.
    if (mColumnsFitted)
        return;
    mColumnsFitted = true;
    // A few hundred rows tell the widths as well as a thousand, in a quarter of the time.
    ListView1->horizontalHeader()->setResizeContentsPrecision(256);
    const int widest = std::max(120, ListView1->viewport()->width() / 3);
    for (int column = 0; column < 6; ++column) {
        ListView1->resizeColumnToContents(column);
        ListView1->setColumnWidth(column, std::min(ListView1->columnWidth(column), widest));
    }
}

void frmMain::showProgress()
{
    if (mExport->isRunning()) {
        const QLocale locale;
        mStatusText->setText(tr("%1: %2 of %3 rows written…")
                                 .arg(mExportTitle, locale.toString(qulonglong(mExport->rowsWritten())),
                                      locale.toString(qulonglong(mExport->rowsTotal())))
                                 .toHtmlEscaped());
        return;
    }
    if (!mSearch->isRunning())
        return;
    const QString folder = mSearch->currentFolder();
    const QString count = QLocale().toString(qulonglong(mSearch->filesFound()));
    const QString elided = mStatusText->fontMetrics().elidedText(folder, Qt::ElideMiddle, std::max(100, width() / 2));
    mStatusText->setText(tr("Searching… %1 files found so far — %2").arg(count, elided.toHtmlEscaped()));
}

void frmMain::showSummary()
{
    if (!mExport->isRunning()) {
        mProgressTimer->stop();
        mStop->hide();
        mStopShortcut->setEnabled(false);
    }
    const SearchController::Summary& summary = mSearch->lastSummary();
    if (!summary.folderFound) {
        mStatusText->setText(tr("The folder \"%1\" does not exist.").arg(txtDir->text().toHtmlEscaped()));
        return;
    }
    const QLocale locale;
    QString text = tr("%1 files, %2, in %3 s")
                       .arg(locale.toString(qulonglong(summary.files)),
                            locale.formattedDataSize(qint64(summary.bytes)),
                            locale.toString(double(summary.elapsedMs) / 1000.0, 'f', 1));
    if (summary.stopped)
        text = tr("Stopped: ") + text;
    if (summary.abandoned)
        text += tr("; a folder did not answer and was left to the system");
    if (summary.sharedRows != 0)
        text += tr(" (%n row(s) share storage with another and are counted once)", nullptr, int(summary.sharedRows));
    text += filterSummary(summary);
    const auto unreadable = std::count_if(summary.errors.begin(), summary.errors.end(), [](const WalkError& error) {
        return error.kind != WalkErrorKind::CycleSkipped;
    });
    const auto cycles = qsizetype(summary.errors.size()) - qsizetype(unreadable);
    if (unreadable != 0)
        text += tr("; <a href=\"unreadable\">%n could not be read</a>", nullptr, int(unreadable));
    if (cycles != 0)
        text += tr("; <a href=\"unreadable\">%n folder link(s) back to a folder above not entered</a>", nullptr,
                   int(cycles));
    mStatusText->setText(text);
    // Names are shown as plain text: a folder named like markup must not be rendered as such.
    QString tip;
    for (std::size_t i = 0; i < summary.errors.size() && i < 20; ++i)
        tip += QString::fromUtf8(summary.errors[i].path).toHtmlEscaped() + QStringLiteral("<br>");
    mStatusText->setToolTip(tip.isEmpty() ? QString() : QStringLiteral("<p style='white-space:pre'>") + tip + QStringLiteral("</p>"));
}

namespace {
QString errorKindText(WalkErrorKind kind)
{
    switch (kind) {
    case WalkErrorKind::FolderUnreadable:
        return frmMain::tr("folder not read");
    case WalkErrorKind::ValuesUnreadable:
        return frmMain::tr("details not read");
    case WalkErrorKind::CycleSkipped:
        return frmMain::tr("link to a folder above it, not entered again");
    case WalkErrorKind::VirtualSkipped:
        return frmMain::tr("virtual file system (proc, sysfs and the like), not entered");
    }
    return {};
}
} // namespace

void frmMain::showUnreadableFolders()
{
    const auto& errors = mSearch->lastSummary().errors;
    QString list;
    for (const WalkError& error : errors) {
        list += QString::fromUtf8(error.path) + QStringLiteral(": ") + errorKindText(error.kind);
        if (error.error != 0)
            list += QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(error.error)) + QLatin1Char(')');
        list += QLatin1Char('\n');
    }
    QMessageBox box(QMessageBox::Information, tr("Not read"),
                    tr("%n item(s) could not be read or were not entered. Files of folders that could not be read "
                       "are not in the list; files whose details could not be read are listed without them.",
                       nullptr, int(errors.size())),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(list);
    box.exec();
}

void frmMain::reportFailure(const QString& title, const QString& message)
{
    mStatusText->setText(message.toHtmlEscaped());
    if (gFailureDialogs)
        QMessageBox::warning(this, title, message);
}

} // namespace dirlix
