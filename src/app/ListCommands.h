// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the File menu's saved-list commands: Open List and Compare With List.
#pragma once

#include "app/CompareModel.h"
#include "output/TextFormats.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QAction;
class QTimer;
class QWidget;

namespace dirlix {

class frmMain;
class OpenList;
class RowSource;

/**
 * File, Open List… (Ctrl+O) and File, Compare With List…: a saved JSON Lines list shown in the
 * window, or the differences between what the window shows and a saved list, shown with a Change
 * column first. The comparison stays until a new Search or Open List; while it is shown, the
 * outputs write its rows.
 */
class ListCommands : public QObject {
    Q_OBJECT
public:
    /** Asks for a saved list to read: @p title for the dialog. Returns the file, or nothing when cancelled. */
    using FileChooser = std::function<QString(QWidget* parent, const QString& title)>;

    /** Adds the two commands to @p window's File menu, before Exit. */
    explicit ListCommands(frmMain* window);
    ~ListCommands() override;

    QAction* openAction() const { return mOpen; }
    QAction* compareAction() const { return mCompare; }
    /** Replaces the file dialog (tests); an empty chooser brings the dialog back. */
    static void setFileChooser(FileChooser chooser);

    /** Shows the saved list @p path in the window. */
    void openList(const QString& path);
    /** Compares what the window shows with the saved list @p path and shows the differences. */
    void compareWith(const QString& path);

    /** Whether a comparison is shown. */
    bool comparing() const;
    /** The comparison shown (valid while comparing()). */
    const CompareModel* comparison() const { return mCompareModel; }
    /** The list reading (for its progress and summary). */
    OpenList* reading() const { return mReading; }
    /** True while a list is read or compared. */
    bool isRunning() const;
    /**
     * While comparing, an exporter of the shown rows in @p format with their change first (for
     * the outputs in the text formats); null when no comparison is shown.
     */
    std::unique_ptr<Exporter> differencesExporter(TextFormat format, bool header = true) const;
    /** The rows shown while comparing, in the order shown; null when no comparison is shown. */
    std::unique_ptr<RowSource> shownRows() const;
    /** A new search replaces what these commands showed: the reading stops, the comparison ends. */
    void leave();
    /** Stops a running reading or comparison. Returns false when none was running. */
    bool stop();

signals:
    /** A comparison ended and its result (or failure) is shown. */
    void compared();

private:
    void chooseAndOpen();
    void chooseAndCompare();
    void readingFinished();
    void comparisonFinished();
    void showProgress();
    void endComparison();
    void busyChanged(bool busy);
    void fitColumns();
    QString listDescription(const QString& path);

    frmMain* mWindow;
    QAction* mOpen;
    QAction* mCompare;
    OpenList* mReading;
    CompareModel* mCompareModel;
    QTimer* mProgress;
    bool mFitted = false;
    bool mShowingList = false; // the list shows a saved list, not a search
    // The comparison runs on a thread of its own; its result comes back through mResult.
    std::thread mWorker;
    std::atomic<bool> mStopWorker{false};
    std::shared_ptr<Comparison> mResult;
    std::shared_ptr<CompareProgress> mCompareProgress; // shared with the comparing thread
    std::size_t mCompareTotal = 0;                     // rows of the list compared
    QString mComparedWith;
};

} // namespace dirlix
