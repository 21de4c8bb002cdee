// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: one export at a time on a worker thread, with progress and Stop.
#pragma once

#include "output/Exporter.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace dirlix {

/** A text that one thread sets and others read, such as the line template an export follows. */
class SharedText {
public:
    void set(std::string text)
    {
        std::lock_guard lock(mMutex);
        mText = std::move(text);
    }
    std::string get() const
    {
        std::lock_guard lock(mMutex);
        return mText;
    }

private:
    mutable std::mutex mMutex;
    std::string mText;
};

/**
 * Runs one export at a time off the user-interface thread: the exporter reads its rows (a
 * snapshot taken when the export starts) and writes them to its target while the window goes on.
 * finished() is emitted on the user-interface thread when it ends, completely, stopped or failed.
 */
class ExportController : public QObject {
    Q_OBJECT
public:
    /** One export: what writes, where to, and which rows. */
    struct Job {
        std::unique_ptr<Exporter> exporter;
        std::unique_ptr<ExportTarget> target;
        std::unique_ptr<RowSource> rows;
    };

    explicit ExportController(QObject* parent = nullptr);
    /** Stops a running export and waits for it; a stopped export leaves nothing behind. */
    ~ExportController() override;

    /** Starts @p job. Returns false, and does nothing, while another export runs. */
    bool start(Job job);
    /** Asks the running export to stop; finished() follows. */
    void stop() { mStop.store(true); }
    /** True from start() until finished() is emitted. */
    bool isRunning() const { return mRunning; }
    /** True while the worker still writes: false once it is done, before finished() arrives. */
    bool isWriting() const { return mRunning && !mWorkerDone.load(); }

    /** Rows written so far and rows in all (0 while unknown) by the running export. */
    std::uint64_t rowsWritten() const { return mProgress.rowsWritten.load(std::memory_order_relaxed); }
    std::uint64_t rowsTotal() const { return mProgress.rowsTotal.load(std::memory_order_relaxed); }

    /** What the last export that ended did. */
    const ExportResult& lastResult() const { return mResult; }

signals:
    void finished();

private:
    void done();

    Job mJob;
    ExportProgress mProgress;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mWorkerDone{false};
    ExportResult mResult;
    ExportResult mWorkerResult;
    std::thread mThread;
    bool mRunning = false;
};

} // namespace dirlix
