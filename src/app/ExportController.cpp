// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the background export.
#include "app/ExportController.h"

#include "platform/ReplacingFile.h"

namespace dirlix {

ExportController::ExportController(QObject* parent) : QObject(parent) {}

ExportController::~ExportController()
{
    mStop.store(true);
    if (mThread.joinable())
        mThread.join();
}

bool ExportController::start(Job job)
{
    if (mRunning)
        return false;
    mRunning = true;
    mJob = std::move(job);
    mStop.store(false);
    mWorkerDone.store(false);
    mProgress.rowsWritten.store(0);
    mProgress.rowsTotal.store(mJob.rows->total().value_or(0));
    mThread = std::thread([this] {
        // A FIFO whose reader goes away fails the export; it must not end the program.
        failBrokenPipeWritesInThisThread();
        mWorkerResult = mJob.exporter->write(*mJob.rows, *mJob.target, mProgress, &mStop);
        mWorkerDone.store(true);
        // Back on the window's thread; dropped if the controller is gone by then.
        QMetaObject::invokeMethod(this, &ExportController::done, Qt::QueuedConnection);
    });
    return true;
}

void ExportController::done()
{
    mThread.join();
    mResult = std::move(mWorkerResult);
    mJob = {};
    mRunning = false;
    emit finished();
}

} // namespace dirlix
