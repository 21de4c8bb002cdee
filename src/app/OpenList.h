// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Open List: a saved JSON Lines list read into the window off its thread.
#pragma once

#include "search/Walker.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dirlix {

class FileListModel;

/**
 * Reads a saved list on a thread of its own and moves its rows into the model a few times a
 * second, in the saved order, with their saved values; their dates are made in the date pattern
 * in force when they arrive. A broken line ends the reading: the rows before it stay, and the
 * summary says which line and why.
 */
class OpenList : public QObject {
    Q_OBJECT
public:
    /** How the last reading ended. */
    struct Summary {
        QString path;       ///< the file, as chosen
        QDateTime written;  ///< the file's modification time
        std::uint64_t rows = 0;
        bool stopped = false;
        QString error;      ///< empty when the whole list was read (or it was stopped)
    };

    /** @p model receives the rows (not owned); @p datePattern is asked once per batch. */
    OpenList(FileListModel* model, std::function<std::string()> datePattern, QObject* parent = nullptr);
    ~OpenList() override;

    /** Empties the list and starts reading @p path; stops a reading that runs first. */
    void start(const QString& path);
    /** Asks the reading to stop; the rows read so far stay. finished() follows. */
    void stop();
    /** Ends a running reading at once and drops what it had not yet delivered; finished() does not follow. */
    void cancel();
    /** True from start() until finished(). */
    bool isRunning() const { return mThread.joinable(); }
    /** Rows read so far by the running reading. */
    std::uint64_t rowsRead() const { return mRowsRead.load(std::memory_order_relaxed); }
    const Summary& lastSummary() const { return mSummary; }

signals:
    void rowsDelivered();
    void finished();

private:
    void deliver();
    void join();

    FileListModel* mModel;
    std::function<std::string()> mDatePattern;
    QTimer mTimer;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mEnded{false};
    std::atomic<std::uint64_t> mRowsRead{0};
    std::mutex mMutex;
    std::vector<WalkBlock> mWaiting; // blocks read, not yet in the model
    std::size_t mWaitingRows = 0;    // their rows
    std::string mError;              // set by the reading thread before mEnded
    Summary mSummary;
};

} // namespace dirlix
