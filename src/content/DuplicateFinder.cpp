// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: duplicates by size, then by both ends, then by the whole content.
#include "content/DuplicateFinder.h"

#include "content/ContentReader.h"
#include "content/Digest.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace dirlix {

namespace {

// One listed file: its name is kept in one arena, its folder once per folder.
struct ListedFile {
    std::int64_t size;
    std::uint64_t nameAt;
    std::uint32_t nameLength;
    std::uint32_t folder;
};

// A file that shares its size with another, through the stages: 40 bytes, so that a million
// candidates stay within a few dozen bytes each beyond their paths.
struct Candidate {
    std::uint32_t file; // index into the listed files: the walk order
    bool failed = false;
    std::uint64_t device = 0, inode = 0;
    std::array<unsigned char, 16> digest{}; // the last stage's XXH128, as bytes
};

void storeDigest(Candidate& candidate, const std::string& hex)
{
    const auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (std::size_t i = 0; i < candidate.digest.size() && 2 * i + 1 < hex.size(); ++i)
        candidate.digest[i] = static_cast<unsigned char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
}

class Listing {
public:
    void add(const Row& row)
    {
        if (mFolders.empty() || mFolders.back() != row.folder)
            mFolders.emplace_back(row.folder);
        mFiles.push_back({row.values.size, mNames.size(), std::uint32_t(row.name.size()), std::uint32_t(mFolders.size() - 1)});
        mNames.append(row.name);
    }
    std::string path(std::uint32_t file) const
    {
        const ListedFile& listed = mFiles[file];
        return mFolders[listed.folder] + mNames.substr(listed.nameAt, listed.nameLength);
    }
    const std::deque<ListedFile>& files() const { return mFiles; }

private:
    std::deque<ListedFile> mFiles; // grows without a copy of everything, as a vector's doubling would make
    std::vector<std::string> mFolders;
    std::string mNames;
};

// Runs @p work(index, reader, digest) for every index below @p count on @p threads threads.
template <class Work>
void forEachParallel(std::size_t count, unsigned threads, const std::atomic<bool>* stop, Work work)
{
    std::atomic<std::size_t> nextIndex{0};
    auto run = [&] {
        ContentReader reader;
        reader.setStop(stop); // a Stop ends the file being read too, however large
        const std::unique_ptr<Digest> digest = makeDigest(HashAlgorithm::Xxh128);
        for (std::size_t i; (i = nextIndex.fetch_add(1)) < count;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return;
            work(i, reader, *digest);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads && t < count; ++t)
        pool.emplace_back(run);
    run();
    for (std::thread& thread : pool)
        thread.join();
}

// Splits @p group (candidates of one size, in walk order) into runs of equal key, each of two or more.
template <class Key>
std::vector<std::vector<Candidate*>> splitBy(const std::vector<Candidate*>& group, Key key)
{
    std::vector<Candidate*> sorted;
    for (Candidate* candidate : group)
        if (!candidate->failed)
            sorted.push_back(candidate);
    std::stable_sort(sorted.begin(), sorted.end(), [&](Candidate* a, Candidate* b) { return key(a) < key(b); });
    std::vector<std::vector<Candidate*>> runs;
    for (std::size_t begin = 0, end; begin < sorted.size(); begin = end) {
        for (end = begin + 1; end < sorted.size() && !(key(sorted[begin]) < key(sorted[end])); ++end) {
        }
        if (end - begin >= 2) {
            runs.emplace_back(sorted.begin() + std::ptrdiff_t(begin), sorted.begin() + std::ptrdiff_t(end));
            std::sort(runs.back().begin(), runs.back().end(), [](Candidate* a, Candidate* b) { return a->file < b->file; });
        }
    }
    return runs;
}

std::string_view digestOf(const Candidate* candidate)
{
    return {reinterpret_cast<const char*>(candidate->digest.data()), candidate->digest.size()};
}

} // namespace

DuplicateFinder::DuplicateFinder(unsigned threads, FailureCallback failed)
    : mThreads(threads != 0 ? threads : std::clamp(std::thread::hardware_concurrency(), 2u, 8u)),
      mFailed(std::move(failed))
{
}

std::vector<DuplicateGroup> DuplicateFinder::find(RowSource& rows, const std::atomic<bool>* stop,
                                                  DuplicateProgress* progress)
{
    const auto stopped = [stop] { return stop && stop->load(); };
    mFailures = 0;
    Listing listing;
    std::vector<std::uint32_t> bySize;
    for (Row row; rows.next(row);) {
        if (stopped())
            return {};
        if (progress)
            progress->filesSeen.fetch_add(1, std::memory_order_relaxed);
        // Empty files are all alike and free nothing; a file without values has no size to match.
        if (!row.values.valuesKnown() || row.values.size <= 0 || (row.values.attributes & AttrDirectory))
            continue;
        bySize.push_back(std::uint32_t(listing.files().size()));
        listing.add(row);
    }
    if (stopped())
        return {};

    // Sizes: only files whose size another file has go on, in walk order within a size.
    const std::deque<ListedFile>& files = listing.files();
    std::stable_sort(bySize.begin(), bySize.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return files[a].size < files[b].size; });
    std::vector<Candidate> candidates;
    std::vector<std::pair<std::size_t, std::size_t>> sizeRuns; // [begin, end) in candidates
    std::size_t candidateCount = 0;
    for (std::size_t begin = 0, end; begin < bySize.size(); begin = end) {
        for (end = begin + 1; end < bySize.size() && files[bySize[end]].size == files[bySize[begin]].size; ++end) {
        }
        if (end - begin >= 2)
            candidateCount += end - begin;
    }
    candidates.reserve(candidateCount);
    for (std::size_t begin = 0, end; begin < bySize.size(); begin = end) {
        for (end = begin + 1; end < bySize.size() && files[bySize[end]].size == files[bySize[begin]].size; ++end) {
        }
        if (end - begin < 2)
            continue;
        sizeRuns.emplace_back(candidates.size(), candidates.size() + (end - begin));
        for (std::size_t i = begin; i < end; ++i)
            candidates.push_back(Candidate{bySize[i], false, 0, 0, {}});
    }
    std::vector<std::uint32_t>().swap(bySize);

    std::mutex failureMutex;
    const auto fail = [&](Candidate& candidate, const ReadStatus& status) {
        candidate.failed = true;
        // Links and special files have no content of their own to compare; a file given up for a
        // Stop was not unreadable.
        if (status.outcome == ReadOutcome::NotRegular || stopped())
            return;
        std::lock_guard lock(failureMutex);
        ++mFailures;
        if (mFailed)
            mFailed(listing.path(candidate.file), status.reason());
    };
    const auto stage = [&](std::size_t count, DuplicateStage now = DuplicateStage::Reading) {
        if (progress) {
            progress->filesRead.store(0);
            progress->filesToRead.store(count);
            progress->stage.store(now);
        }
    };
    const auto readOne = [&] {
        if (progress)
            progress->filesRead.fetch_add(1, std::memory_order_relaxed);
    };
    const auto expectedOf = [&](const Candidate& candidate) {
        const ListedFile& listed = files[candidate.file];
        return ExpectedFile{listed.size, {}, {}, false};
    };

    // Identities: hard links to one file are that file once, under its first path.
    stage(candidates.size());
    forEachParallel(candidates.size(), mThreads, stop, [&](std::size_t i, ContentReader&, Digest&) {
        Candidate& candidate = candidates[i];
        FileIdentity identity;
        if (const ReadStatus status = ContentReader::identify(listing.path(candidate.file), identity); !status.ok()) {
            fail(candidate, status);
        } else if (identity.size != files[candidate.file].size) {
            fail(candidate, ReadStatus{ReadOutcome::Changed, 0});
        } else {
            candidate.device = identity.device;
            candidate.inode = identity.inode;
        }
        readOne();
    });
    if (stopped())
        return {};
    std::vector<std::vector<Candidate*>> groups;
    for (const auto& [begin, end] : sizeRuns) {
        std::vector<Candidate*> group;
        for (std::size_t i = begin; i < end; ++i) {
            Candidate& candidate = candidates[i];
            if (candidate.failed)
                continue;
            const bool linked = std::any_of(group.begin(), group.end(),
                                            [&](const Candidate* kept) {
                                                return kept->device == candidate.device && kept->inode == candidate.inode;
                                            });
            if (!linked)
                group.push_back(&candidate);
        }
        if (group.size() >= 2)
            groups.push_back(std::move(group));
    }

    // Both ends, then the whole content, each time by checksum.
    for (const bool whole : {false, true}) {
        std::vector<Candidate*> toRead;
        for (const auto& group : groups)
            // Small files were read whole already; a pair is compared byte for byte at once below.
            if (!whole || (files[group.front()->file].size > std::int64_t(2 * kEndBlock) && group.size() > 2))
                toRead.insert(toRead.end(), group.begin(), group.end());
        stage(toRead.size());
        forEachParallel(toRead.size(), mThreads, stop, [&](std::size_t i, ContentReader& reader, Digest& digest) {
            Candidate& candidate = *toRead[i];
            const std::string path = listing.path(candidate.file);
            const ReadStatus status = whole ? reader.digestWhole(path, expectedOf(candidate), digest)
                                            : reader.digestEnds(path, expectedOf(candidate), kEndBlock, digest);
            if (!status.ok()) {
                fail(candidate, status);
            } else {
                storeDigest(candidate, digest.hex());
            }
            readOne();
        });
        if (stopped())
            return {};
        std::vector<std::vector<Candidate*>> split;
        for (const auto& group : groups)
            for (auto& run : splitBy(group, digestOf))
                split.push_back(std::move(run));
        groups = std::move(split);
    }

    // Byte for byte against the group's first file: a checksum match is not yet the same content.
    std::vector<std::pair<Candidate*, Candidate*>> pairs;
    for (const auto& group : groups)
        for (std::size_t i = 1; i < group.size(); ++i)
            pairs.emplace_back(group.front(), group[i]);
    std::vector<char> same(pairs.size(), 0);
    stage(pairs.size(), DuplicateStage::Comparing);
    forEachParallel(pairs.size(), mThreads, stop, [&](std::size_t i, ContentReader& reader, Digest&) {
        bool equal = false;
        const ReadStatus status = reader.compare(listing.path(pairs[i].first->file), listing.path(pairs[i].second->file), equal);
        if (!status.ok())
            fail(status.which == 1 ? *pairs[i].first : *pairs[i].second, status);
        same[i] = equal;
        readOne();
    });
    if (stopped())
        return {};

    std::vector<DuplicateGroup> result;
    std::vector<std::uint32_t> firstFiles;
    std::size_t pair = 0;
    for (const auto& group : groups) {
        DuplicateGroup found;
        found.size = files[group.front()->file].size;
        found.paths.push_back(listing.path(group.front()->file));
        // A file alike by checksum but not in its bytes is left out (of any group): never seen in practice.
        for (std::size_t i = 1; i < group.size(); ++i, ++pair) {
            if (same[pair])
                found.paths.push_back(listing.path(group[i]->file));
        }
        if (group.front()->failed || found.paths.size() < 2)
            continue; // the first file could not be read again: its group is not known for sure
        firstFiles.push_back(group.front()->file);
        result.push_back(std::move(found));
    }
    std::vector<std::size_t> order(result.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (result[a].wasted() != result[b].wasted())
            return result[a].wasted() > result[b].wasted();
        return firstFiles[a] < firstFiles[b];
    });
    std::vector<DuplicateGroup> ordered;
    ordered.reserve(result.size());
    for (const std::size_t i : order)
        ordered.push_back(std::move(result[i]));
    return ordered;
}

} // namespace dirlix
