// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine.
#include "search/Walker.h"
#include "search/SequentialWalk.h"
#include "search/ParallelWalk.h"

#include <algorithm>
#include <cerrno>
#include <thread>

namespace dirlix {

std::string WalkProgress::currentFolder() const
{
    std::lock_guard lock(mMutex);
    return mCurrentFolder;
}

void WalkProgress::setCurrentFolder(const std::string& path)
{
    std::lock_guard lock(mMutex);
    mCurrentFolder = path;
}

Walker::Walker(WalkOptions options) : mOptions(std::move(options)) {}

std::string Walker::startFolderText(std::string_view directoryText)
{
    std::string start(directoryText);
    if (start.empty() || start.back() != fsys::kSeparator)
        start += fsys::kSeparator;
    return start;
}

int Walker::checkStart(std::string_view directoryText)
{
    fsys::FolderHandle handle = fsys::kNoFolder;
    const int error = fsys::openFolder(startFolderText(directoryText), handle);
    fsys::closeFolder(handle);
    return error == ENOENT || error == ENOTDIR ? error : 0;
}

unsigned Walker::threadCount(unsigned requested)
{
    if (requested != 0)
        return requested;
    return std::max(1u, std::thread::hardware_concurrency());
}

bool Walker::run(std::string_view directoryText, const BlockSink& sink, const std::atomic<bool>* stop)
{
    mErrors.clear();
    mStartError = 0;
    const std::string start = startFolderText(directoryText);
    const unsigned threads = threadCount(mOptions.threads);
    if (threads <= 1) {
        walk::SequentialWalk walk(mOptions, mProgress, mErrors, sink, stop);
        return walk.walk(start, mStartError);
    }
    walk::ParallelWalk walk(mOptions, threads, mProgress, mErrors, sink, stop);
    return walk.walk(start, mStartError);
}

namespace walk {

const WalkFilter& filterOf(const WalkOptions& options)
{
    static const WalkFilter plain;
    return options.filter ? *options.filter : plain;
}

std::size_t folderHandleBudget()
{
    // A quarter of the descriptors, at most 256: the rest stay for the program's other files.
    const std::size_t limit = fsys::descriptorLimit();
    std::size_t budget = 256;
    if (limit != 0)
        budget = std::min<std::size_t>(budget, limit / 4);
    return std::max<std::size_t>(budget, 8);
}

int listFolder(fsys::FolderHandle handle, const std::string& path, const WalkOptions& options, WalkProgress& progress,
               const std::atomic<bool>* stop, fsys::FolderEntries& scratch, WalkBlock& block,
               SubfolderList& subfolders, std::vector<WalkError>& errors, bool& stopped)
{
    progress.folders.fetch_add(1, std::memory_order_relaxed);
    progress.setCurrentFolder(path);
    scratch.clear();
    const int error = fsys::readFolder(handle, scratch);
    block.folder = path;
    const WalkFilter& filter = filterOf(options);
    const bool valuesForFilter = filter.needsValues();
    FileRecord values;
    fsys::EntryFacts facts;
    std::uint64_t files = 0, bytes = 0, dropped = 0;
    for (const auto& entry : scratch.entries) {
        if (stopRequested(stop)) {
            stopped = true;
            break;
        }
        const char* name = scratch.cname(entry);
        const std::string_view nameView(name, entry.length);
        if (entry.kind == fsys::EntryKind::Folder) {
            if (filter.entersFolder(nameView))
                subfolders.add(name, entry.length);
            continue;
        }
        const bool knownFile = entry.kind == fsys::EntryKind::File;
        if (knownFile && !filter.keepsName(nameView)) {
            ++dropped;
            continue;
        }
        values = {};
        facts = {};
        const bool skipValues = options.namesOnly && knownFile && !valuesForFilter;
        const int statError = skipValues ? 0 : fsys::readProperties(handle, name, values, facts);
        if (statError == ENOENT)
            continue; // vanished between the listing and now
        if (facts.isFolder) {
            if (filter.entersFolder(nameView))
                subfolders.add(name, entry.length);
            continue;
        }
        if (!knownFile && !filter.keepsName(nameView)) {
            ++dropped;
            continue;
        }
        if (statError != 0) {
            values = {};
            values.flags = RecordValuesUnknown;
            if (name[0] == '.')
                values.attributes = AttrHidden; // what could be read: the name, and so hidden
            recordError(errors, WalkErrorKind::ValuesUnreadable, path + std::string(nameView), statError);
        } else if (!filter.keepsFile(nameView, values)) {
            ++dropped;
            continue;
        }
        WalkEntry record;
        record.nameOffset = std::uint32_t(block.names.size());
        record.nameLength = entry.length;
        record.values = values;
        block.names.append(name, entry.length);
        block.entries.push_back(record);
        ++files;
        bytes += std::uint64_t(values.size);
        if ((files & 4095) == 0) { // a huge folder still shows progress while it is read
            progress.files.fetch_add(files, std::memory_order_relaxed);
            progress.bytes.fetch_add(bytes, std::memory_order_relaxed);
            files = bytes = 0;
        }
    }
    progress.files.fetch_add(files, std::memory_order_relaxed);
    progress.bytes.fetch_add(bytes, std::memory_order_relaxed);
    if (dropped != 0)
        progress.filteredOut.fetch_add(dropped, std::memory_order_relaxed);
    return error;
}

} // namespace walk

} // namespace dirlix
