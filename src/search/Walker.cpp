// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine.
#include "search/Walker.h"
#include "search/SequentialWalk.h"
#include "search/ParallelWalk.h"

#include <algorithm>
#include <cerrno>
#include <thread>

namespace dirlix {

FolderPath::FolderPath(std::shared_ptr<const FolderPath> parentPath, std::string ownPart, fsys::FileId identity)
    : parent(std::move(parentPath)), part(std::move(ownPart)), id(identity),
      depth(parent ? parent->depth + 1 : 0), length((parent ? parent->length : 0) + part.size())
{
}

FolderPath::~FolderPath()
{
    // Take over each parent this node held the last reference to, so that a chain thousands of
    // folders long is freed in a loop rather than by as many nested destructors.
    std::shared_ptr<const FolderPath> next = std::move(parent);
    while (next && next.use_count() == 1) {
        std::shared_ptr<const FolderPath> after = std::move(const_cast<FolderPath&>(*next).parent);
        next = std::move(after);
    }
}

std::string FolderPath::text() const
{
    std::string out(length, '\0');
    std::size_t end = length;
    for (const FolderPath* p = this; p; p = p->parent.get()) {
        end -= p->part.size();
        out.replace(end, p->part.size(), p->part);
    }
    return out;
}

std::string FolderPath::name() const
{
    if (!parent || part.empty() || part.back() != fsys::kSeparator)
        return part;
    return part.substr(0, part.size() - 1);
}

std::string WalkProgress::currentFolder() const
{
    FolderPathPtr folder;
    {
        std::lock_guard lock(mMutex);
        folder = mCurrentFolder;
    }
    return folder ? folder->text() : std::string();
}

void WalkProgress::setCurrentFolder(FolderPathPtr folder)
{
    std::lock_guard lock(mMutex);
    mCurrentFolder.swap(folder);
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
    walk::WalkShared shared(walk::folderHandleBudget());
    // Counted as handed out, so that a walk that stops counts the rows it delivered and no others.
    const BlockSink counted = [&](WalkBlock&& block) {
        mProgress.files.fetch_add(block.entries.size(), std::memory_order_relaxed);
        mProgress.bytes.fetch_add(block.bytes, std::memory_order_relaxed);
        mProgress.sharedRows.fetch_add(block.sharedRows, std::memory_order_relaxed);
        sink(std::move(block));
    };
    // Following links, a folder reached twice is listed under the way that enters it first; on
    // several threads that would be whichever thread came first, and the listing would change
    // from run to run. On one thread it is the first in walk order.
    if (threads <= 1 || mOptions.followLinks) {
        walk::SequentialWalk walk(mOptions, shared, mProgress, mErrors, counted, stop);
        return walk.walk(start, mStartError);
    }
    walk::ParallelWalk walk(mOptions, shared, threads, mProgress, mErrors, counted, stop);
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

bool admitFolder(fsys::FolderHandle handle, const FolderPathPtr& parent, const std::string& part,
                 const WalkOptions& options, WalkShared& shared, std::vector<WalkError>& errors,
                 FolderPathPtr& folder)
{
    fsys::FileId id;
    if (const int error = fsys::folderIdentity(handle, id); error != 0) {
        recordError(errors, WalkErrorKind::FolderUnreadable, folderText(parent.get(), part), error);
        return false;
    }
    if (!parent) {
        shared.startDevice = id.device;
    } else {
        for (const FolderPath* ancestor = parent.get(); ancestor; ancestor = ancestor->parent.get()) {
            if (ancestor->id == id) {
                recordError(errors, WalkErrorKind::CycleSkipped, folderText(parent.get(), part), 0);
                return false;
            }
        }
        // Only a mount point changes the device, so the file-system type is asked only there.
        if (id.device != parent->id.device) {
            if (options.oneFileSystem)
                return false;
            bool isVirtual = false;
            if (fsys::isVirtualFileSystem(handle, isVirtual) == 0 && isVirtual) {
                recordError(errors, WalkErrorKind::VirtualSkipped, folderText(parent.get(), part), 0);
                return false;
            }
        }
    }
    if (options.followLinks && !shared.enteredFolders.insert(id))
        return false;
    folder = std::make_shared<FolderPath>(parent, part, id);
    return true;
}

int listFolder(fsys::FolderHandle handle, const FolderPathPtr& folder, const WalkOptions& options,
               WalkShared& shared, WalkProgress& progress, const std::atomic<bool>* stop,
               Scratch& threadScratch, WalkBlock& block, SubfolderList& subfolders,
               std::vector<WalkError>& errors, bool& stopped)
{
    progress.folders.fetch_add(1, std::memory_order_relaxed);
    progress.setCurrentFolder(folder);
    fsys::FolderEntries& scratch = threadScratch.entries;
    WalkFilter::Scratch& filterScratch = threadScratch.filter;
    scratch.clear();
    const int error = fsys::readFolder(handle, scratch);
    block.folder = folder;
    const WalkFilter& filter = filterOf(options);
    const bool valuesForFilter = filter.needsValues();
    FileRecord values;
    fsys::EntryFacts facts;
    std::uint64_t dropped = 0;
    const bool listed = !scratch.values.empty(); // the listing gave every entry's values
    for (std::size_t index = 0; index < scratch.entries.size(); ++index) {
        const auto& entry = scratch.entries[index];
        if (stopRequested(stop)) {
            stopped = true;
            break;
        }
        const char* name = scratch.cname(entry);
        const std::string_view nameView(name, entry.length);
        if (entry.kind == fsys::EntryKind::Folder) {
            if (filter.entersFolder(nameView, filterScratch))
                subfolders.add(name, entry.length);
            continue;
        }
        const bool knownFile = entry.kind == fsys::EntryKind::File;
        if (knownFile && !filter.keepsName(nameView, filterScratch)) {
            ++dropped;
            continue;
        }
        values = {};
        facts = {};
        const bool skipValues = options.namesOnly && knownFile && !valuesForFilter;
        int statError = 0;
        if (listed && knownFile)
            values = scratch.values[index]; // a file of the listing costs no call of its own
        else if (!skipValues)
            statError = fsys::readProperties(handle, name, options.followLinks, values, facts);
        if (statError == ENOENT)
            continue; // vanished between the listing and now
        if (facts.isFolder) {
            if (filter.entersFolder(nameView, filterScratch))
                subfolders.add(name, entry.length);
            continue;
        }
        if (!knownFile && !filter.keepsName(nameView, filterScratch)) {
            ++dropped;
            continue;
        }
        if (statError != 0) {
            values = {};
            values.flags = RecordValuesUnknown;
            if (name[0] == '.')
                values.attributes = AttrHidden; // what could be read: the name, and so hidden
            recordError(errors, WalkErrorKind::ValuesUnreadable, folder->text() + std::string(nameView), statError);
        } else if (!filter.keepsFile(nameView, values)) {
            ++dropped;
            continue;
        }
        // The listing's type says the name itself is no link; the values that it is a regular file.
        if (statError == 0 && knownFile && facts.isRegular)
            values.flags |= RecordRegularFile;
        WalkEntry record;
        record.nameOffset = std::uint32_t(block.names.size());
        record.nameLength = entry.length;
        record.values = values;
        block.names.append(name, entry.length);
        block.entries.push_back(record);
        if (facts.links > 1 && !shared.linkedFiles.insert(facts.id))
            ++block.sharedRows; // another path to storage already counted
        else
            block.bytes += std::uint64_t(values.size);
    }
    if (dropped != 0)
        progress.filteredOut.fetch_add(dropped, std::memory_order_relaxed);
    return error;
}

} // namespace walk

} // namespace dirlix
