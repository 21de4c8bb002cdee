// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the main window: directory box, Search, the file list, menus and status bar.
#pragma once

#include "app/ExportController.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QTableView;

namespace dirlix {

class clsLayout;
class FileListModel;
class FilterNote;
class frmFilter;
class CatalogCommands;
class ListWorkspace;
class frmOptions;
class ListCommands;
class PrintCommands;
class ChecksumCommands;
class DuplicateCommands;
class SearchController;

/**
 * The main window. Its controls are public under their names (for the layout engine, the
 * handlers and the tests). Constructing it runs the start-up sequence (Form_Load); closing it
 * unloads the Options dialog and releases the layout engine.
 */
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    QTableView* ListView1;
    QPushButton* cmdSearch;
    QPushButton* cmdBrowse;
    QLineEdit* txtDir;
    QLabel* Label2;
    QLabel* Label1;

    QMenu* mnuFile;
    QAction* mnuFileText;
    QAction* mnuFileExcel;
    QAction* mnuFileSaveAs;
    QAction* mnuFileExit;
    QMenu* mnuEdit;
    QAction* mnuOptions;
    QAction* mnuFilter;
    QMenu* mnuHelp;
    QAction* mnuHelpContents;
    QAction* mnuHelpFAQ;
    QAction* mnuHelpSupport;
    QAction* mnuHelp1;
    QAction* mnuHelpAbout;

    /** The Options dialog, loaded hidden for the window's whole life; null after unload. */
    frmOptions* options() const { return mOptions.get(); }
    /** The Filter dialog, whose rules each new search uses. */
    frmFilter* filter() const { return mFilter; }
    /** The status bar's note of the filter in force; hidden when none is. */
    FilterNote* filterText() const { return mFilterText; }
    /** The model behind ListView1. */
    FileListModel* model() const { return mModel; }
    /** The search that fills the list. */
    SearchController* search() const { return mSearch; }
    /** File, Open List and Compare With List. */
    ListCommands* lists() const { return mLists; }
    /** File, Open Catalog and Add to Catalog. */
    CatalogCommands* catalogs() const { return mCatalogs; }
    /** File, Print, Print Preview and Export PDF. */
    PrintCommands* printing() const { return mPrint; }
    /** File, Checksums. */
    ChecksumCommands* checksums() const { return mChecksums; }
    /** File, Find Duplicates. */
    DuplicateCommands* duplicates() const { return mDuplicates; }
    /** The export that runs in the background, one at a time. */
    ExportController* exporter() const { return mExport; }
    /** Sorting, the find bar and the row commands of the list. */
    ListWorkspace* workspace() const { return mWorkspace; }
    /** The layout engine; null after unload. */
    clsLayout* layout() const { return mLayout.get(); }
    /** The rows the list shows, in the order shown: what every output writes. */
    std::unique_ptr<RowSource> shownRows() const;
    /** The status bar's message. */
    QLabel* statusText() const { return mStatusText; }
    /** The button that stops a running search. */
    QPushButton* stopButton() const { return mStop; }
    /** Esc: stops what runs, like the Stop button; enabled while something runs. */
    QAction* stopShortcut() const { return mStopShortcut; }

    /** The folder the text output writes into, ending in the separator. */
    static QString TempFolder();

    /** Shows @p message in the status bar and, for failures, in a message box unless tests silence it. */
    void reportFailure(const QString& title, const QString& message);
    /** Hides Stop (and its key) unless a search, output, list or checksum work still runs. */
    void hideStopUnlessBusy();
    /** When false, failures go to the status bar only (tests). */
    static void setFailureDialogsShown(bool shown);
    /** Whether failures are shown in message boxes too, by this window and the windows it opens. */
    static bool failureDialogsShown();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class PrintCommands; // Export PDF runs as one of the window's exports
    void defineWindow();
    void defineMenus();
    void defineStatusBar();
    void Form_Load();
    void InitControls();
    void UnloadOptions();

    void cmdSearch_Click();
    void cmdBrowse_Click();
    void mnuFileText_Click();
    void mnuFileExcel_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExit_Click();
    void mnuOptions_Click();
    void applyFilter();
    void mnuHelpAbout_Click();

    void fitColumnsOnce();
    void showProgress();
    void showSummary();
    void showUnreadableFolders();
    void stopWork();
    bool exportBusy(const QString& title);
    void startExport(const QString& title, ExportController::Job job, bool openWhenDone = true, bool asText = false);
    void exportFinished();

    std::unique_ptr<clsLayout> mLayout;
    std::unique_ptr<frmOptions> mOptions;
    FileListModel* mModel = nullptr;
    SearchController* mSearch = nullptr;
    QLabel* mStatusText = nullptr;
    frmFilter* mFilter = nullptr;
    FilterNote* mFilterText = nullptr;
    QPushButton* mStop = nullptr;
    QAction* mStopShortcut = nullptr;
    QTimer* mProgressTimer = nullptr;
    bool mColumnsFitted = false;
    ExportController* mExport = nullptr;
    PrintCommands* mPrint = nullptr;
    ListWorkspace* mWorkspace = nullptr;
    ListCommands* mLists = nullptr;
    CatalogCommands* mCatalogs = nullptr;
    ChecksumCommands* mChecksums = nullptr;
    DuplicateCommands* mDuplicates = nullptr;
    std::shared_ptr<SharedText> mTemplateText; // the template as the Options dialog holds it, for the export thread
    QString mExportTitle;                      // the menu command of the running export
    bool mOpenWhenDone = true;                 // the running export's file goes to the desktop when written
    bool mOpenAsText = false;                  // ... to the system's text editor where it has one

};

} // namespace dirlix
