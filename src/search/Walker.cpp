// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine.
#include "search/Walker.h"
#include "search/SequentialWalk.h"
#include "search/ParallelWalk.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
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

std::size_t folderHandleBudget()
{
    rlimit limit{};
    std::size_t budget = 256;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        budget = std::min<std::size_t>(budget, limit.rlim_cur / 4);
    return std::max<std::size_t>(budget, 8);
}

int listFolder(fsys::FolderHandle handle, const std::string& path, const WalkOptions& options, WalkProgress& progress,
               const std::atomic<bool>* stop, fsys::FolderEntries& scratch, WalkBlock& block,
               SubfolderList& subfolders, bool& stopped)
{
    progress.folders.fetch_add(1, std::memory_order_relaxed);
    progress.setCurrentFolder(path);
    scratch.clear();
    const int error = fsys::readFolder(handle, scratch);
    block.folder = path;
    fsys::FileProperties properties;
    std::uint64_t files = 0, bytes = 0;
    for (const auto& entry : scratch.entries) {
        if (stopRequested(stop)) {
            stopped = true;
            break;
        }
        const char* name = scratch.cname(entry);
        if (entry.kind == fsys::EntryKind::Folder) {
            subfolders.add(name, entry.length);
            continue;
        }
        properties = {};
        const int statError = options.namesOnly && entry.kind == fsys::EntryKind::File
                                   ? 0
                                   : fsys::readProperties(handle, name, properties);
        if (statError == ENOENT)
            continue; // vanished between the listing and now
        if (statError != 0 && name[0] == '.')
            properties.attributes |= 0x02; // what could be read: the name, and so hidden
        if (properties.isFolder) {
            subfolders.add(name, entry.length);
            continue;
        }
        WalkEntry record;
        record.nameOffset = std::uint32_t(block.names.size());
        record.nameLength = entry.length;
        record.properties = properties;
        block.names.append(name, entry.length);
        block.entries.push_back(record);
        ++files;
        bytes += std::uint64_t(properties.size);
        if ((files & 4095) == 0) { // a huge folder still shows progress while it is read
            progress.files.fetch_add(files, std::memory_order_relaxed);
            progress.bytes.fetch_add(bytes, std::memory_order_relaxed);
            files = bytes = 0;
        }
    }
    progress.files.fetch_add(files, std::memory_order_relaxed);
    progress.bytes.fetch_add(bytes, std::memory_order_relaxed);
    return error;
}

} // namespace walk

} // namespace dirlix
