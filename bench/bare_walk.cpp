// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the bare ordered walker that the companion's speed is measured against.
//
// Usage: bare_walk THREADS DIR
// Lists every file below DIR, depth first and pre-order like the companion (a folder's files in
// the file system's order, then each subfolder; folders whose name begins with "." are not
// entered), one line per file: path, size, mode, birth time and modification time as numbers.
// It reads folders with getdents64 and makes one statx call per entry, and does nothing else:
// no dates formatted, no rows kept, no error reports. With THREADS > 1, that many workers read
// folders ahead while the main thread writes their lines in walk order.
#include "FileLine.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct LinuxDirent64 {
    std::uint64_t ino;
    std::int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

/** One folder: filled by a worker, written and freed by the main thread. */
struct Folder {
    std::string path; // ends in '/'
    std::string lines;
    std::vector<std::unique_ptr<Folder>> children;
    bool done = false;
};

/** Reads @p folder: its files' lines and its subfolders, in the file system's order. */
void readFolder(Folder& folder)
{
    const int fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    alignas(8) static thread_local char buffer[64 * 1024];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
            at += entry->reclen;
            const char* name = entry->name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            struct statx sx;
            if (::statx(fd, name, AT_SYMLINK_NOFOLLOW,
                        STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BTIME | STATX_MTIME, &sx) != 0)
                continue;
            if (S_ISDIR(sx.stx_mode)) {
                if (name[0] != '.') {
                    auto child = std::make_unique<Folder>();
                    child->path = folder.path + name + '/';
                    folder.children.push_back(std::move(child));
                }
                continue;
            }
            dirlix::bench::appendFileLine(folder.lines, folder.path, name, sx);
        }
    }
    ::close(fd);
}

void writeOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void walkSequential(Folder& folder)
{
    readFolder(folder);
    writeOut(folder.lines);
    folder.lines.clear();
    for (auto& child : folder.children) {
        walkSequential(*child);
        child.reset();
    }
}

/** Workers read folders, nearest to the walk order first; the main thread writes in order. */
class ParallelWalk {
public:
    explicit ParallelWalk(unsigned threads) : mThreads(threads) {}

    void run(Folder& root)
    {
        mQueue.push_back(&root);
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < mThreads; ++i)
            workers.emplace_back([this] { work(); });
        write(root);
        {
            std::lock_guard lock(mMutex);
            mFinished = true;
        }
        mWork.notify_all();
        for (auto& worker : workers)
            worker.join();
    }

private:
    void work()
    {
        std::unique_lock lock(mMutex);
        for (;;) {
            mWork.wait(lock, [this] { return mFinished || !mQueue.empty(); });
            if (mQueue.empty())
                return;
            Folder* folder = mQueue.front();
            mQueue.pop_front();
            lock.unlock();
            readFolder(*folder);
            lock.lock();
            folder->done = true;
            // Children go to the front in their order, so the walk order is read first.
            for (auto it = folder->children.rbegin(); it != folder->children.rend(); ++it)
                mQueue.push_front(it->get());
            mDone.notify_all();
            if (!mQueue.empty())
                mWork.notify_all();
        }
    }

    void write(Folder& folder)
    {
        {
            std::unique_lock lock(mMutex);
            mDone.wait(lock, [&] { return folder.done; });
        }
        writeOut(folder.lines);
        folder.lines.clear();
        for (auto& child : folder.children) {
            write(*child);
            child.reset();
        }
    }

    unsigned mThreads;
    std::mutex mMutex;
    std::condition_variable mWork;
    std::condition_variable mDone;
    std::deque<Folder*> mQueue;
    bool mFinished = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bare_walk THREADS DIR\n");
        return 2;
    }
    const unsigned threads = unsigned(std::max(1, std::atoi(argv[1])));
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    Folder root;
    root.path = argv[2];
    if (root.path.empty() || root.path.back() != '/')
        root.path += '/';
    if (threads == 1)
        walkSequential(root);
    else
        ParallelWalk(threads).run(root);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
