// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Checksums: the checksums of the listed files, read in the background.
#pragma once

#include "content/Digest.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QMenu;
class QTimer;

namespace dirlix {

class frmMain;

/**
 * The Checksums submenu of the File menu: one item per algorithm. Choosing one reads the files of
 * the selected rows (every listed row when none is selected) on a thread of its own, with progress
 * in the status bar and Stop, then shows them in the list's Hash column, which every output then
 * carries. The algorithm last chosen is remembered in the settings and checked in the submenu.
 * A stopped run shows nothing: a partly filled column would pass for files without checksums.
 */
class ChecksumCommands : public QObject {
    Q_OBJECT
public:
    explicit ChecksumCommands(frmMain* window);
    ~ChecksumCommands() override;

    /** The submenu's own action in the File menu. */
    QAction* menuAction() const;
    /** The submenu item of @p algorithm. */
    QAction* actionOf(HashAlgorithm algorithm) const { return mItems[int(algorithm)]; }
    /** Starts computing in @p algorithm; refuses, telling why, while other work on the list runs. */
    void compute(HashAlgorithm algorithm);
    /** Whether checksums are being read. */
    bool isRunning() const { return mWorker.joinable(); }
    /**
     * Asks a running computation to stop; returns whether one was running. Also called when the
     * list is emptied for a new search or list, whose rows the checksums would not fit.
     */
    bool stop();

signals:
    /** A computation ended: shown, stopped or refused. */
    void finished();

private:
    struct Job;
    void poll();
    void showProgress();

    frmMain* mWindow;
    QMenu* mMenu;
    QAction* mItems[4] = {};
    QTimer* mTimer;
    std::shared_ptr<Job> mJob;
    std::thread mWorker;
};

} // namespace dirlix
