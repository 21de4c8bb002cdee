// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Find Duplicates: the groups of listed files with identical content, found in the background.
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <thread>

class QAction;
class QTimer;

namespace dirlix {

class DuplicateWindow;
class frmMain;

/**
 * The Find Duplicates item of the File menu. It looks for duplicates among the files of the
 * selected rows (every listed row when none is selected, in the order shown) on a thread of its
 * own, with progress in the status bar and Stop, then shows the groups in the duplicates window
 * (DuplicateWindow), raised above the main window. A stopped run shows nothing and says so; a new
 * search or list stops a run, as the window's end does.
 */
class DuplicateCommands : public QObject {
    Q_OBJECT
public:
    /** Adds the item to @p window's File menu, before Exit. */
    explicit DuplicateCommands(frmMain* window);
    /** Stops a running search for duplicates and waits for its thread, which a Stop ends soon. */
    ~DuplicateCommands() override;

    /** The File menu's item. */
    QAction* action() const { return mAction; }
    /**
     * Starts looking for duplicates; refuses, telling why, while other work on the list runs, while
     * a comparison is shown or when no list is.
     */
    void find();
    /** Whether duplicates are being looked for. */
    bool isRunning() const { return mWorker.joinable(); }
    /** Asks a running search for duplicates to stop; returns whether one was running. */
    bool stop();
    /** The window of the groups found last; null until a search for duplicates has ended with groups shown. */
    DuplicateWindow* results() const;

signals:
    /** A search for duplicates ended: shown, stopped or refused. */
    void finished();

private:
    struct Job;
    void poll();
    void showProgress();

    frmMain* mWindow;
    QAction* mAction;
    QTimer* mTimer;
    QPointer<DuplicateWindow> mResults;
    std::shared_ptr<Job> mJob;
    std::thread mWorker;
};

} // namespace dirlix
