// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the walk engine.
#include "search/Walker.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>

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

bool Walker::run(std::string_view directoryText, const BlockSink& sink, const std::atomic<bool>* stop)
{
    mErrors.clear();
    mStartError = 0;
    return runSequential(startFolderText(directoryText), sink, stop);
}

namespace {

bool stopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// How many folder handles the walk may hold at once. Deep trees would otherwise run out of
// descriptors; beyond this, the shallowest folders give theirs back and reopen them on return.
std::size_t folderHandleBudget()
{
    rlimit limit{};
    std::size_t budget = 256;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        budget = std::min<std::size_t>(budget, limit.rlim_cur / 4);
    return std::max<std::size_t>(budget, 8);
}

// One folder on the walk's own stack: the path from the start folder is a prefix of one shared
// path text, so a 5,000-level tree costs no more than its own path.
struct Frame {
    fsys::FolderHandle handle = fsys::kNoFolder;
    fsys::FolderId id;
    std::size_t nameStart = 0;  // where this folder's own name starts in the path text
    std::size_t pathLength = 0; // length of this folder's path text, separator included
    std::string subfolderNames; // zero-terminated names, in the file system's order
    std::vector<std::uint32_t> subfolderStarts;
    std::size_t nextSubfolder = 0;
};

class SequentialWalk {
public:
    SequentialWalk(const WalkOptions& options, WalkProgress& progress, std::vector<WalkError>& errors,
                   const Walker::BlockSink& sink, const std::atomic<bool>* stop)
        : mOptions(options), mProgress(progress), mErrors(errors), mSink(sink), mStop(stop),
          mBudget(folderHandleBudget())
    {
    }

    ~SequentialWalk()
    {
        for (Frame& frame : mStack)
            fsys::closeFolder(frame.handle);
    }

    // Returns false when the start folder is missing or no folder; @p startError then says why.
    bool walk(const std::string& start, int& startError)
    {
        mPath = start;
        int error = seamError(mPath);
        fsys::FolderHandle handle = error ? fsys::kNoFolder : fsys::openFolder(mPath, error);
        if (handle == fsys::kNoFolder) {
            if (error == ENOENT || error == ENOTDIR) {
                startError = error;
                return false;
            }
            fail(mPath, error);
            return true;
        }
        mStartText = start;
        if (!enter(handle, 0))
            return true;
        while (!mStack.empty() && !stopRequested(mStop)) {
            Frame& top = mStack.back();
            if (top.nextSubfolder == top.subfolderStarts.size()) {
                fsys::closeFolder(top.handle);
                if (top.handle != fsys::kNoFolder)
                    --mOpenHandles;
                mStack.pop_back();
                continue;
            }
            const char* name = top.subfolderNames.data() + top.subfolderStarts[top.nextSubfolder++];
            if (top.handle == fsys::kNoFolder && !reopen(mStack.size() - 1))
                continue;
            Frame& parent = mStack.back();
            mPath.resize(parent.pathLength);
            const std::size_t nameStart = mPath.size();
            mPath += name;
            mPath += fsys::kSeparator;
            error = seamError(mPath);
            handle = error ? fsys::kNoFolder : fsys::openChildFolder(parent.handle, name, error);
            if (handle == fsys::kNoFolder) {
                if (error != ENOENT) // a folder that vanished since the listing is simply gone
                    fail(mPath, error);
                continue;
            }
            enter(handle, nameStart);
        }
        return true;
    }

private:
    int seamError(const std::string& path) const { return mOptions.failFolder ? mOptions.failFolder(path) : 0; }

    void fail(const std::string& path, int error)
    {
        mErrors.push_back({path, error});
        mProgress.unreadableFolders.fetch_add(1, std::memory_order_relaxed);
    }

    bool onPath(const fsys::FolderId& id) const
    {
        return std::any_of(mStack.begin(), mStack.end(), [&](const Frame& f) { return f.id == id; });
    }

    // Takes over @p handle for the folder whose path is mPath, lists its files and pushes it.
    bool enter(fsys::FolderHandle handle, std::size_t nameStart)
    {
        Frame frame;
        frame.handle = handle;
        frame.nameStart = nameStart;
        frame.pathLength = mPath.size();
        if (!fsys::folderIdentity(handle, frame.id)) {
            fsys::closeFolder(handle);
            fail(mPath, errno);
            return false;
        }
        if (onPath(frame.id)) {
            fsys::closeFolder(handle);
            mProgress.cyclesSkipped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        listFolder(frame);
        mStack.push_back(std::move(frame));
        if (++mOpenHandles > mBudget)
            releaseShallowestHandle();
        return true;
    }

    void listFolder(Frame& frame)
    {
        mProgress.folders.fetch_add(1, std::memory_order_relaxed);
        mProgress.setCurrentFolder(mPath);
        mEntries.clear();
        const int error = fsys::readFolder(frame.handle, mEntries);
        WalkBlock block;
        block.folder = mPath;
        fsys::FileProperties properties;
        for (const auto& entry : mEntries.entries) {
            if (stopRequested(mStop))
                break;
            const char* name = mEntries.cname(entry);
            if (entry.kind == fsys::EntryKind::Folder) {
                addSubfolder(frame, name, entry.length);
                continue;
            }
            properties = {};
            const int statError = mOptions.namesOnly && entry.kind == fsys::EntryKind::File
                                       ? 0
                                       : fsys::readProperties(frame.handle, name, properties);
            if (statError == ENOENT)
                continue; // vanished between the listing and now
            if (statError != 0 && name[0] == '.')
                properties.attributes |= 0x02; // what could be read: the name, and so hidden
            if (properties.isFolder) {
                addSubfolder(frame, name, entry.length);
                continue;
            }
            WalkEntry record;
            record.nameOffset = std::uint32_t(block.names.size());
            record.nameLength = entry.length;
            record.properties = properties;
            block.names.append(name, entry.length);
            block.entries.push_back(record);
            mProgress.files.fetch_add(1, std::memory_order_relaxed);
            mProgress.bytes.fetch_add(std::uint64_t(properties.size), std::memory_order_relaxed);
        }
        if (error != 0)
            fail(mPath, error);
        if (!block.entries.empty())
            mSink(std::move(block));
    }

    static void addSubfolder(Frame& frame, const char* name, std::size_t length)
    {
        if (name[0] == '.')
            return; // dot-folders below the start folder are not walked
        frame.subfolderStarts.push_back(std::uint32_t(frame.subfolderNames.size()));
        frame.subfolderNames.append(name, length + 1);
    }

    // Gives back one folder handle: first of a folder that has no subfolders left to open (it
    // will never need it again), else of the shallowest folder, which is the last to be needed.
    // The newest folder keeps its handle. Returns false when there was nothing to give back.
    bool releaseShallowestHandle()
    {
        if (mStack.size() < 2)
            return false;
        const std::size_t last = mStack.size() - 1;
        auto release = [&](Frame& frame) {
            fsys::closeFolder(frame.handle);
            frame.handle = fsys::kNoFolder;
            --mOpenHandles;
            return true;
        };
        for (std::size_t i = 0; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder && mStack[i].nextSubfolder == mStack[i].subfolderStarts.size())
                return release(mStack[i]);
        for (std::size_t i = 0; i < last; ++i)
            if (mStack[i].handle != fsys::kNoFolder)
                return release(mStack[i]);
        return false;
    }

    // Opens frame @p index again, from its nearest open ancestor down, checking at each step that
    // the same folder is reached. On failure its remaining subfolders are reported and dropped.
    bool reopen(std::size_t index)
    {
        std::size_t from = index;
        while (from > 0 && mStack[from - 1].handle == fsys::kNoFolder)
            --from;
        int error = 0;
        for (std::size_t i = from; i <= index; ++i) {
            Frame& frame = mStack[i];
            if (i == 0) {
                frame.handle = fsys::openFolder(mStartText, error);
            } else {
                const std::string name = mPath.substr(frame.nameStart, frame.pathLength - frame.nameStart - 1);
                frame.handle = fsys::openChildFolder(mStack[i - 1].handle, name.c_str(), error);
            }
            fsys::FolderId id;
            if (frame.handle != fsys::kNoFolder && !(fsys::folderIdentity(frame.handle, id) && id == frame.id)) {
                fsys::closeFolder(frame.handle);
                frame.handle = fsys::kNoFolder;
                error = ESTALE;
            }
            if (frame.handle == fsys::kNoFolder) {
                Frame& target = mStack[index];
                fail(mPath.substr(0, target.pathLength), error);
                target.nextSubfolder = target.subfolderStarts.size();
                return false;
            }
            ++mOpenHandles;
        }
        while (mOpenHandles > mBudget && releaseShallowestHandle()) {
        }
        return true;
    }

    const WalkOptions& mOptions;
    WalkProgress& mProgress;
    std::vector<WalkError>& mErrors;
    const Walker::BlockSink& mSink;
    const std::atomic<bool>* mStop;
    const std::size_t mBudget;
    std::size_t mOpenHandles = 0;
    std::string mStartText;
    std::string mPath;
    std::vector<Frame> mStack;
    fsys::FolderEntries mEntries;
};

} // namespace

bool Walker::runSequential(const std::string& start, const BlockSink& sink, const std::atomic<bool>* stop)
{
    SequentialWalk walk(mOptions, mProgress, mErrors, sink, stop);
    return walk.walk(start, mStartError);
}

} // namespace dirlix
