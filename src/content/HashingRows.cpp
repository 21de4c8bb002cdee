// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: rows with checksums, read ahead on a pool.
#include "content/HashingRows.h"

#include "content/ContentReader.h"

#include <algorithm>

namespace dirlix {

HashingRows::HashingRows(RowSource& rows, HashAlgorithm algorithm, unsigned threads, FailureCallback failed,
                         const std::atomic<bool>* stop)
    : mRows(rows), mAlgorithm(algorithm), mFailed(std::move(failed)), mStop(stop)
{
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    // Enough rows ahead that small files keep every thread busy while a large one is read.
    mWindow = std::size_t(threads) * 64;
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
        Slot* slot = mJobs.front();
        mJobs.pop_front();
        lock.unlock();

        std::string path = slot->folder + slot->name;
        ExpectedFile expected;
        if (slot->values.valuesKnown()) {
            expected.size = slot->values.size;
            expected.modified = slot->values.modified;
        }
        const ReadStatus status = reader.digestWhole(path, expected, *digest);
        if (status.ok())
            slot->hash = digest->hex();
        else if (status.outcome != ReadOutcome::NotRegular)
            slot->failure = status.outcome == ReadOutcome::Changed ? "it changed since it was listed or while it was read"
                                                                   : status.reason();

        lock.lock();
        slot->done = true;
        mSlotDone.notify_all();
    }
}

void HashingRows::fill()
{
    while (!mSourceEnded && mSlots.size() < mWindow) {
        Row row;
        if (!mRows.next(row)) {
            mSourceEnded = true;
            break;
        }
        std::unique_ptr<Slot> slot;
        if (!mSpare.empty()) {
            slot = std::move(mSpare.back());
            mSpare.pop_back();
        } else {
            slot = std::make_unique<Slot>();
        }
        slot->name.assign(row.name);
        slot->folder.assign(row.folder);
        slot->datePattern.assign(row.datePattern);
        slot->values = row.values;
        slot->textMask = row.texts ? row.textMask : 0;
        slot->subItems = row.subItems;
        for (int column = 0; column < 8; ++column)
            if (slot->textMask & (1u << column))
                slot->texts[std::size_t(column)] = row.texts[column];
        slot->hash.clear();
        slot->failure.clear();
        slot->done = false;
        {
            std::lock_guard lock(mMutex);
            mJobs.push_back(slot.get());
        }
        mWorkReady.notify_one();
        mSlots.push_back(std::move(slot));
    }
}

bool HashingRows::next(Row& row)
{
    if (mCurrent)
        mSpare.push_back(std::move(mCurrent));
    fill();
    if (mSlots.empty())
        return false;
    {
        std::unique_lock lock(mMutex);
        Slot* first = mSlots.front().get();
        mSlotDone.wait(lock, [first] { return first->done; });
    }
    mCurrent = std::move(mSlots.front());
    mSlots.pop_front();
    const Slot& slot = *mCurrent;
    if (!slot.failure.empty()) {
        ++mFailures;
        if (mFailed)
            mFailed(slot.folder + slot.name, slot.failure);
    }
    row = Row{};
    row.name = slot.name;
    row.folder = slot.folder;
    row.values = slot.values;
    row.datePattern = slot.datePattern;
    row.texts = slot.textMask ? slot.texts.data() : nullptr;
    row.textMask = slot.textMask;
    row.subItems = slot.subItems;
    row.hash = slot.hash;
    row.hashAlgorithm = hashAlgorithmName(mAlgorithm);
    return true;
}

} // namespace dirlix
