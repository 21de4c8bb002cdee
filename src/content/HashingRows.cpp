// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: rows with checksums, read ahead on a pool.
#include "content/HashingRows.h"

#include "content/ContentReader.h"

#include <algorithm>

namespace dirlix {

namespace {

// Rows are handed to the threads in batches, so that a small file costs no handing over of its own:
// at most this many rows, and fewer once their files add up to this many bytes, so that large files
// are still read on every thread at once.
constexpr std::size_t kBatchRows = 32;
constexpr std::int64_t kBatchBytes = std::int64_t(1) << 20;

} // namespace

HashingRows::HashingRows(RowSource& rows, HashAlgorithm algorithm, unsigned threads, FailureCallback failed,
                         const std::atomic<bool>* stop)
    : mRows(rows), mAlgorithm(algorithm), mFailed(std::move(failed)), mStop(stop)
{
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    // Enough rows ahead that small files keep every thread busy while a large one is read; one
    // more for the row handed out last, whose texts the caller still views.
    mRing.resize(std::size_t(threads) * 8 * kBatchRows + 1);
    for (unsigned i = 0; i < threads; ++i)
        mThreads.emplace_back([this] { work(); });
}

HashingRows::~HashingRows()
{
    {
        std::lock_guard lock(mMutex);
        mQuit = true;
        mJobs.clear();
    }
    mWorkReady.notify_all();
    for (std::thread& thread : mThreads)
        thread.join();
}

void HashingRows::work()
{
    ContentReader reader;
    reader.setStop(mStop);
    const std::unique_ptr<Digest> digest = makeDigest(mAlgorithm);
    std::unique_lock lock(mMutex);
    for (;;) {
        mWorkReady.wait(lock, [this] { return mQuit || !mJobs.empty(); });
        if (mQuit)
            return;
        const Batch batch = mJobs.front();
        mJobs.pop_front();
        lock.unlock();

        for (std::uint64_t number = batch.first; number != batch.end; ++number) {
            Slot& row = slot(number);
            ExpectedFile expected;
            if (row.values.valuesKnown()) {
                expected.size = row.values.size;
                expected.modified = row.values.modified;
            }
            if (row.values.flags & RecordRegularFile) {
                expected.regular = true;
                expected.modifiedNanoseconds = row.values.modifiedNanoseconds;
            }
            const ReadStatus status = reader.digestWhole(row.folder, row.name, expected, *digest);
            if (status.ok())
                digest->writeHex(row.hash);
            else if (status.outcome != ReadOutcome::NotRegular)
                row.failure = status.outcome == ReadOutcome::Changed ? "it changed since it was listed or while it was read"
                                                                     : status.reason();
        }

        lock.lock();
        for (std::uint64_t number = batch.first; number != batch.end; ++number)
            slot(number).done = true;
        mSlotDone.notify_all();
    }
}

void HashingRows::fill()
{
    // A batch at a time: topped up row by row, the ring would give the threads batches of one.
    const std::uint64_t room = mRing.size() - 1;
    while (!mSourceEnded && mRead - mNext + kBatchRows <= room) {
        const std::uint64_t first = mRead;
        std::int64_t bytes = 0;
        Row row;
        while (mRead - first < kBatchRows && bytes < kBatchBytes) {
            if (!mRows.next(row)) {
                mSourceEnded = true;
                break;
            }
            Slot& into = slot(mRead++);
            into.name.assign(row.name);
            into.folder.assign(row.folder);
            into.datePattern.assign(row.datePattern);
            into.values = row.values;
            into.textMask = row.texts ? row.textMask : 0;
            into.subItems = row.subItems;
            for (int column = 0; column < 8; ++column)
                if (into.textMask & (1u << column))
                    into.texts[std::size_t(column)] = row.texts[column];
            into.hash.clear();
            into.failure.clear();
            into.done = false; // no thread sees this slot until the batch is queued
            // A file of unknown size may be large: it ends the batch.
            bytes += row.values.valuesKnown() ? std::max<std::int64_t>(row.values.size, 0) : kBatchBytes;
        }
        if (mRead == first)
            break;
        {
            std::lock_guard lock(mMutex);
            mJobs.push_back({first, mRead});
        }
        mWorkReady.notify_one();
    }
}

bool HashingRows::next(Row& row)
{
    fill();
    if (mNext == mRead)
        return false;
    Slot& current = slot(mNext++);
    {
        std::unique_lock lock(mMutex);
        mSlotDone.wait(lock, [&current] { return current.done; });
    }
    if (!current.failure.empty()) {
        ++mFailures;
        if (mFailed)
            mFailed(current.folder + current.name, current.failure);
    }
    row = Row{};
    row.name = current.name;
    row.folder = current.folder;
    row.values = current.values;
    row.datePattern = current.datePattern;
    row.texts = current.textMask ? current.texts.data() : nullptr;
    row.textMask = current.textMask;
    row.subItems = current.subItems;
    row.hash = current.hash;
    row.hashAlgorithm = hashAlgorithmName(mAlgorithm);
    return true;
}

} // namespace dirlix
