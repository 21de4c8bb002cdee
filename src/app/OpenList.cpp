// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading a saved list into the window.
#include "app/OpenList.h"

#include "app/FileListModel.h"
#include "app/RowBlocks.h"
#include "output/SavedList.h"

#include <QFile>
#include <QFileInfo>

namespace dirlix {

namespace {
constexpr int kFirstDeliveryMs = 50;
constexpr int kDeliveryMs = 200;
// The reading hands blocks over when this many rows wait, and pauses while the view has more
// than a few of these to take, so that memory stays flat however fast the file reads.
constexpr std::size_t kHandOverRows = 16384;
constexpr std::size_t kMaxWaitingRows = std::size_t(1) << 18;
} // namespace

OpenList::OpenList(FileListModel* model, std::function<std::string()> datePattern, QObject* parent)
    : QObject(parent), mModel(model), mDatePattern(std::move(datePattern))
{
    connect(&mTimer, &QTimer::timeout, this, &OpenList::deliver);
}

OpenList::~OpenList()
{
    mStop = true;
    join();
}

void OpenList::join()
{
    if (mThread.joinable())
        mThread.join();
}

void OpenList::start(const QString& path)
{
    if (isRunning()) {
        mStop = true;
        join();
    }
    mStop = false;
    mEnded = false;
    mRowsRead = 0;
    mWaiting.clear();
    mWaitingRows = 0;
    mError.clear();
    mSummary = {};
    mSummary.path = path;
    mSummary.written = QFileInfo(path).lastModified();
    mModel->clear();
    mThread = std::thread([this, file = QFile::encodeName(path).toStdString()] {
        RowBlocks blocks;
        std::vector<WalkBlock> ready;
        const auto handOver = [&](bool all) {
            blocks.take(ready, all);
            // Waits while the view is behind; a stop ends the wait.
            for (;;) {
                std::lock_guard lock(mMutex);
                if (mWaitingRows < kMaxWaitingRows || mStop.load()) {
                    for (WalkBlock& block : ready) {
                        mWaitingRows += block.entries.size();
                        mWaiting.push_back(std::move(block));
                    }
                    ready.clear();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        };
        std::string error;
        readJsonLinesFile(
            file,
            [&](std::uint64_t, std::uint64_t, JsonLineRow& row) {
                blocks.append(row.folder, row.name, savedRecord(row));
                mRowsRead.fetch_add(1, std::memory_order_relaxed);
                if (blocks.waiting() >= kHandOverRows)
                    handOver(false);
                return true;
            },
            error, &mStop);
        handOver(true);
        std::lock_guard lock(mMutex);
        mError = std::move(error);
        mEnded = true;
    });
    mTimer.start(kFirstDeliveryMs);
}

void OpenList::stop()
{
    mStop = true;
}

void OpenList::cancel()
{
    if (!isRunning())
        return;
    mStop = true;
    join();
    mTimer.stop();
    std::lock_guard lock(mMutex);
    mWaiting.clear();
    mWaitingRows = 0;
}

void OpenList::deliver()
{
    mTimer.setInterval(kDeliveryMs);
    std::vector<WalkBlock> batch;
    bool ended = false;
    {
        std::lock_guard lock(mMutex);
        batch.swap(mWaiting);
        mWaitingRows = 0;
        ended = mEnded.load();
    }
    if (!batch.empty()) {
        mModel->appendBlocks(batch, mDatePattern());
        emit rowsDelivered();
    }
    if (!ended)
        return;
    mTimer.stop();
    join();
    mSummary.rows = mModel->list().count();
    mSummary.stopped = mStop.load();
    mSummary.error = QString::fromStdString(mError);
    emit finished();
}

} // namespace dirlix
