// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a search on a worker thread that fills the list model in batches while it runs.
#pragma once

#include "search/FilterRules.h"
#include "search/WalkHandOff.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace dirlix {

class FileListModel;

/**
 * Runs one search at a time off the user-interface thread. The walk hands its blocks over in
 * batches (BackgroundWalk); a timer on the user-interface thread moves them into the model a few
 * times a second, each batch with the date pattern in force at that moment. Starting a new search
 * stops the running one and drops what it had not yet delivered.
 * Nothing here ever waits for a walk: one that a file system holds in the kernel past a short
 * grace after Stop is let go (BackgroundWalk::abandon()) and the search ends without it.
 */
class SearchController : public QObject {
    Q_OBJECT
public:
    /** What the last search did, for the status bar. */
    struct Summary {
        bool folderFound = true;
        bool stopped = false;
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;      ///< a file with several hard links counted once
        std::uint64_t sharedRows = 0; ///< rows whose storage another row already counts
        std::uint64_t filteredOut = 0; ///< files the filter left out
        std::uint64_t foldersLeftOut = 0; ///< folders the filter did not let the search enter
        qint64 elapsedMs = 0;
        /** The walk did not end when stopped (a folder did not answer) and was left behind; its errors are unknown. */
        bool abandoned = false;
        std::vector<WalkError> errors;
        std::string startFolder;                  ///< the folder searched, as its rows' folders begin
        std::shared_ptr<const WalkFilter> filter; ///< the filter the walk used; null: the plain rule
    };

    /**
     * @p model receives the rows (not owned); @p datePattern gives the date pattern in force now
     * and is asked once per batch, on the user-interface thread.
     */
    SearchController(FileListModel* model, std::function<std::string()> datePattern, QObject* parent = nullptr);
    ~SearchController() override;

    /** Options for the walks that start from now on (threads, test seams). */
    void setWalkOptions(WalkOptions options) { mOptions = std::move(options); }
    /** The filter of the searches that start from now on; ages count from each search's start. */
    void setFilter(FilterRules rules) { mFilter = std::move(rules); }

    /** Empties the list and starts walking @p directoryText (bytes as typed); stops a running search first. */
    void start(const std::string& directoryText);
    /**
     * Asks the running search to stop; the rows found so far stay. finished() follows within a
     * fraction of a second, even when the walk is blocked in a file system that does not answer.
     */
    void stop();
    /** True from start() until finished() is emitted. */
    bool isRunning() const { return mSession != nullptr; }

    /** Files found so far by the running search, and the folder it is reading. */
    std::uint64_t filesFound() const;
    QString currentFolder() const;

    /** The summary of the last search that ended. */
    const Summary& lastSummary() const { return mSummary; }

signals:
    /** New rows reached the model. */
    void rowsDelivered();
    /** The search ended, completely or stopped; lastSummary() tells how. */
    void finished();

private:
    void deliver();
    void finish(bool abandoned);

    FileListModel* mModel;
    std::function<std::string()> mDatePattern;
    WalkOptions mOptions;
    FilterRules mFilter;
    std::shared_ptr<const FilterCounts> mFilterCounts; // of the running search's filter; may be null
    std::string mStartFolder;                          // of the running search
    std::shared_ptr<const WalkFilter> mWalkFilter;     // of the running search; may be null
    std::unique_ptr<BackgroundWalk> mSession;
    std::vector<WalkBlock> mPending; // the batch taken last; blocks from mPendingAt on are not in the list yet
    std::size_t mPendingAt = 0;
    std::size_t mBatchRows = 0;      // the rows of that batch
    QTimer mTimer;
    QElapsedTimer mClock;
    QElapsedTimer mSinceStop; // valid once the running search was asked to stop
    Summary mSummary;
};

} // namespace dirlix
