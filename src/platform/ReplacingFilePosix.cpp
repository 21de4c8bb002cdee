// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the export targets on POSIX.
#include "platform/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <pthread.h>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

namespace dirlix {

namespace {

// Writes all of @p bytes to @p fd, retrying short writes. Returns 0 or an errno.
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The process's file-creation mask, read without changing it (umask() would, for every thread for a
// moment). Linux shows it in /proc; elsewhere it is taken to be the strictest.
mode_t creationMask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask & 0777);
    }
    return 0077;
}

// Files written aside, where a signal handler can find them without taking a lock or memory:
// a fixed table of paths, each slot claimed and released through its state.
enum SlotState : int { SlotFree, SlotFilling, SlotFile, SlotFolder };
struct StagingSlot {
    std::atomic<int> state{SlotFree};
    char path[PATH_MAX];
};
constexpr int kStagingSlots = 32;
StagingSlot gStaging[kStagingSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

void releaseStaging(int& slot)
{
    if (slot >= 0)
        gStaging[slot].state.store(SlotFree);
    slot = -1;
}

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The cleaned signals held back on this thread while it lives.
class HeldSignals {
public:
    HeldSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : kCleanedSignals)
            sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &mWas);
    }
    ~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &mWas, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    sigset_t mWas;
};

// Makes a file (mkostemp) or a folder (mkdtemp) from the template @p name, which then holds the name
// made. The name is made in its slot, so the file is in the table from the moment it exists: this
// thread holds the signals back meanwhile, and a handler on another thread waits for the slot. A
// signal right after the file appeared used to find no slot and leave the file behind.
// Returns the descriptor (0 for a folder), or -1 with errno set; @p slot is -1 when no slot was free
// or the name is too long (the file is then not removed on a signal, which only matters if one comes).
int createStaged(std::string& name, SlotState kind, int& slot)
{
    HeldSignals held;
    slot = -1;
    char* path = name.data();
    for (int i = 0; i < kStagingSlots && name.size() < PATH_MAX; ++i) {
        int expected = SlotFree;
        if (gStaging[i].state.compare_exchange_strong(expected, SlotFilling)) {
            slot = i;
            path = gStaging[i].path;
            std::memcpy(path, name.c_str(), name.size() + 1);
            break;
        }
    }
    const int made = kind == SlotFolder ? (::mkdtemp(path) ? 0 : -1) : ::mkostemp(path, O_CLOEXEC);
    const int error = errno;
    if (slot >= 0) {
        name.assign(path);
        gStaging[slot].state.store(made >= 0 ? kind : SlotFree);
        if (made < 0)
            slot = -1;
    }
    errno = error;
    return made;
}

// Only async-signal-safe calls: unlink, rmdir, sigaction, raise.
extern "C" void removeStagingAndEnd(int signal)
{
    const int savedErrno = errno;
    for (StagingSlot& slot : gStaging) {
        int state = slot.state.load();
        // Another thread is making a file in this slot: a moment, and its name is there or gone.
        while (state == SlotFilling)
            state = slot.state.load();
        if (state == SlotFile)
            ::unlink(slot.path);
        else if (state == SlotFolder)
            ::rmdir(slot.path);
    }
    struct sigaction usual{};
    usual.sa_handler = SIG_DFL;
    sigemptyset(&usual.sa_mask);
    ::sigaction(signal, &usual, nullptr);
    // Delivered, with its usual effect, as soon as this handler returns and the signal is unblocked.
    ::raise(signal);
    errno = savedErrno;
}

// The descriptor that @p path names (/dev/stdout, /dev/fd/N, /proc/self/fd/N ...), else -1.
int descriptorNamed(const std::string& path)
{
    static const std::pair<std::string_view, int> streams[] = {{"/dev/stdin", 0}, {"/dev/stdout", 1}, {"/dev/stderr", 2}};
    for (const auto& [name, fd] : streams)
        if (path == name)
            return fd;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
            continue;
        int fd = 0;
        for (std::size_t i = prefix.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9' || fd > 100000000)
                return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
}

// What is at a target that is neither written nor replaced, for the message.
const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file";
}

} // namespace

ReplacingFile::ReplacingFile(std::string targetPath) : mTarget(std::move(targetPath)) {}

ReplacingFile::~ReplacingFile()
{
    discard();
}

bool ReplacingFile::fail(const char* what, const std::string& path, int error)
{
    mError = std::string(what) + " " + path + ": " + std::strerror(error);
    return false;
}

bool ReplacingFile::open()
{
    return openTarget(false);
}

bool ReplacingFile::openForName()
{
    return openTarget(true);
}

bool ReplacingFile::openTarget(bool byName)
{
    if (mOpen)
        return true;
    discard();
    mError.clear();
    mDescriptor = -1;
    if (mTarget.empty())
        return fail("cannot write", "''", ENOENT);
    std::string path = mTarget;
    for (int links = 0;; ++links) {
        if (links > 40)
            return fail("cannot write", mTarget, ELOOP);
        if (const int fd = descriptorNamed(path); fd >= 0) {
            // The shell's descriptor as it is: no new opening, which would start at its beginning
            // and lose an append mode.
            const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            if (copy < 0)
                return fail("cannot write", mTarget, errno);
            mDescriptor = fd;
            return startInPlace(copy, byName);
        }
        struct stat info{};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return stageBeside(path);
            return fail("cannot write", mTarget, errno);
        }
        if (S_ISLNK(info.st_mode) && mFollowLinks) {
            std::string link(std::size_t(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
            const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
            if (length < 0)
                return fail("cannot read the link", path, errno);
            link.resize(std::size_t(length));
            const std::size_t slash = path.rfind('/');
            path = link.front() == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
            continue;
        }
        if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
            return stageBeside(path);
        if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode)) {
            mError = "cannot write " + mTarget + ": it is " + kindOf(info.st_mode) +
                     " (only a file, a character device or a FIFO can be written)";
            return false;
        }
        if (!mFollowLinks && info.st_uid != ::geteuid()) {
            mError = "cannot write " + mTarget + ": it is a device or FIFO that belongs to another user";
            return false;
        }
        // In place, as ">" writes: never created, emptied or given other permissions. A FIFO
        // with nobody reading is refused at once unless the caller chose to wait, as ">" does.
        const bool noWait = S_ISFIFO(info.st_mode) && !mWaitForReader;
        int fd;
        do
            fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW | (noWait ? O_NONBLOCK : 0));
        while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno == ENXIO && noWait) {
            mError = "cannot write " + mTarget + ": no program is reading from this FIFO";
            return false;
        }
        if (fd < 0)
            return fail("cannot write", mTarget, errno);
        struct stat opened{};
        if (::fstat(fd, &opened) != 0 || (opened.st_mode & S_IFMT) != (info.st_mode & S_IFMT) ||
            opened.st_ino != info.st_ino || opened.st_dev != info.st_dev) {
            ::close(fd);
            mError = "cannot write " + mTarget + ": it was replaced while being opened";
            return false;
        }
        if (noWait)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return startInPlace(fd, byName);
    }
}

bool ReplacingFile::startInPlace(int fd, bool byName)
{
    struct stat info{};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        mError = "cannot write " + mTarget + ": it is a folder";
        return false;
    }
    mInPlace = true;
    if (!byName) {
        mFd = fd;
        mOpen = true;
        return true;
    }
    // A writer by name gets a file of its own, copied into the target at the end.
    mInPlaceFd = fd;
    if (!stageInTemporaryFolder()) {
        discard();
        return false;
    }
    mOpen = true;
    return true;
}

bool ReplacingFile::stageBeside(const std::string& path)
{
    // Beside the file it replaces, so that the final rename stays on one file system. mkostemp
    // creates it with O_EXCL and mode 0600, so no other user's file or link is ever opened.
    std::string name = path + ".XXXXXX";
    const int fd = createStaged(name, SlotFile, mSlot);
    if (fd < 0)
        return fail("cannot create a file beside", mTarget, errno);
    mFd = fd;
    mTemporary = std::move(name);
    mStagingName = mTemporary.substr(mTemporary.rfind('/') + 1);
    mReplaced = path;
    mOpen = true;
    return true;
}

bool ReplacingFile::stageInTemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/dirlix-XXXXXX";
    const int fd = createStaged(name, SlotFile, mSlot);
    if (fd < 0)
        return fail("cannot create a temporary file for", mTarget, errno);
    mFd = fd;
    mTemporary = std::move(name);
    mStagingName = mTemporary.substr(mTemporary.rfind('/') + 1);
    return true;
}

bool ReplacingFile::write(std::string_view bytes)
{
    if (mFd < 0)
        return fail("not open for writing:", mTarget, EBADF);
    if (const int error = writeAll(mFd, bytes); error != 0)
        return fail("cannot write", mInPlace ? mTarget : mTemporary, error);
    return true;
}

bool ReplacingFile::commit(bool sync)
{
    if (mFd < 0)
        return fail("not open for writing:", mTarget, EBADF);
    const auto failed = [this](const char* what, int error) {
        discard();
        return fail(what, mTarget, error);
    };
    // A device or FIFO has nothing to flush to a disk; EINVAL says so.
    if (sync && ::fsync(mFd) != 0 && !(mInPlace && errno == EINVAL))
        return failed("cannot write", errno);
    if (mInPlace && mInPlaceFd >= 0) {
        // The file written by name, copied into the target.
        char buffer[1 << 16];
        for (off_t offset = 0;;) {
            const ssize_t got = ::pread(mFd, buffer, sizeof buffer, offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return failed("cannot read back the file written for", errno);
            if (got == 0)
                break;
            if (const int error = writeAll(mInPlaceFd, std::string_view(buffer, std::size_t(got))); error != 0)
                return failed("cannot write", error);
            offset += got;
        }
        const int target = mInPlaceFd;
        mInPlaceFd = -1;
        if (::close(target) != 0)
            return failed("cannot write", errno);
        discard(); // the copy is done with
        return true;
    }
    if (mInPlace) {
        const int fd = mFd;
        mFd = -1;
        mOpen = false;
        if (::close(fd) != 0)
            return fail("cannot write", mTarget, errno);
        return true;
    }
    // Taken from what is there now, just before the rename: the file it replaces.
    struct stat existing{}, ours{};
    if (::lstat(mReplaced.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        if (::fstat(mFd, &ours) == 0 && (ours.st_uid != existing.st_uid || ours.st_gid != existing.st_gid) &&
            ::fchown(mFd, existing.st_uid, existing.st_gid) != 0) {
            // Not allowed to give the file away: the group, where this user belongs to it.
            (void)::fchown(mFd, uid_t(-1), existing.st_gid);
        }
        if (::fchmod(mFd, existing.st_mode & 0777) != 0)
            return failed("cannot set the permissions of", errno);
    } else if (mUsualPermissions && ::fchmod(mFd, 0666 & ~creationMask()) != 0) {
        return failed("cannot set the permissions of", errno);
    }
    const int fd = mFd;
    mFd = -1;
    // A failing close can report a lost write (NFS, a full disk): the file is not trusted then.
    if (::close(fd) != 0)
        return failed("cannot write", errno);
    if (::rename(mTemporary.c_str(), mReplaced.c_str()) != 0)
        return failed("cannot replace", errno);
    releaseStaging(mSlot);
    mTemporary.clear();
    mOpen = false;
    return true;
}

void ReplacingFile::discard()
{
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
    if (mInPlaceFd >= 0) {
        ::close(mInPlaceFd);
        mInPlaceFd = -1;
    }
    if (!mTemporary.empty()) {
        ::unlink(mTemporary.c_str());
        mTemporary.clear();
    }
    releaseStaging(mSlot);
    mOpen = false;
    mInPlace = false;
}

bool ReplacingFile::isStagingFile(std::string_view folder, std::string_view name) const
{
    if (name != mStagingName || mStagingName.empty() || mFd < 0)
        return false;
    struct stat row{}, ours{};
    const std::string path = std::string(folder) + std::string(name);
    return ::fstat(mFd, &ours) == 0 && ::stat(path.c_str(), &row) == 0 && row.st_dev == ours.st_dev &&
           row.st_ino == ours.st_ino;
}

FreshFile::FreshFile(std::string folder, std::string base, std::string extension)
    : mFolder(std::move(folder)), mBase(std::move(base)), mExtension(std::move(extension))
{
    if (mFolder.empty())
        mFolder = ".";
    if (mFolder.back() != '/')
        mFolder += '/';
}

FreshFile::~FreshFile()
{
    if (!mCommitted)
        discard();
    else if (mFd >= 0)
        ::close(mFd);
}

bool FreshFile::open()
{
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const std::string candidate =
            mFolder + mBase + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + mExtension;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            mFd = fd;
            mPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            mError = "cannot create a file in " + mFolder + ": " + std::strerror(errno);
            return false;
        }
    }
    mError = "cannot create a file in " + mFolder + ": every name is taken";
    return false;
}

bool FreshFile::write(std::string_view bytes)
{
    if (const int error = mFd < 0 ? EBADF : writeAll(mFd, bytes); error != 0) {
        mError = "cannot write " + mPath + ": " + std::strerror(error);
        return false;
    }
    return true;
}

bool FreshFile::commit()
{
    mCommitted = true;
    if (mFd >= 0 && ::close(mFd) != 0) {
        mFd = -1;
        mError = "cannot write " + mPath + ": " + std::strerror(errno);
        return false;
    }
    mFd = -1;
    return true;
}

void FreshFile::discard()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
    if (!mPath.empty() && !mCommitted)
        ::unlink(mPath.c_str());
}

bool StreamTarget::write(std::string_view bytes)
{
    if (const int error = writeAll(mFd, bytes); error != 0) {
        mErrno = error;
        mError = std::string("write error: ") + std::strerror(error);
        return false;
    }
    return true;
}

ScratchFolder::ScratchFolder(const std::string& parent)
{
    std::string name = (parent.empty() ? std::string(".") : parent) + "/.dirlix-XXXXXX";
    if (createStaged(name, SlotFolder, mSlot) == 0)
        mPath = std::move(name);
}

ScratchFolder::~ScratchFolder()
{
    if (mPath.empty())
        return;
    // Linux names each open file in /proc/self/fd; elsewhere nothing is found and nothing closed.
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        const std::string prefix = mPath + "/";
        std::vector<int> inside;
        while (const dirent* entry = ::readdir(fds)) {
            char target[4096];
            const ssize_t n = ::readlinkat(::dirfd(fds), entry->d_name, target, sizeof target);
            if (n > 0 && std::string_view(target, std::size_t(n)).substr(0, prefix.size()) == prefix)
                inside.push_back(std::atoi(entry->d_name));
        }
        ::closedir(fds);
        for (int fd : inside)
            ::close(fd);
    }
    // Whatever the library left by name goes too.
    if (DIR* folder = ::opendir(mPath.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (entry->d_name[0] != '.')
                ::unlinkat(::dirfd(folder), entry->d_name, 0);
        ::closedir(folder);
    }
    ::rmdir(mPath.c_str());
    releaseStaging(mSlot);
}

int standardOutput()
{
    return STDOUT_FILENO;
}

void removeStagingFilesOnSignals()
{
    for (const int signal : kCleanedSignals) {
        struct sigaction was{};
        if (::sigaction(signal, nullptr, &was) != 0 || was.sa_handler == SIG_IGN)
            continue; // ignored by choice of whoever started the program: it stays so
        struct sigaction cleaning{};
        cleaning.sa_handler = removeStagingAndEnd;
        sigemptyset(&cleaning.sa_mask);
        for (const int other : kCleanedSignals)
            sigaddset(&cleaning.sa_mask, other);
        ::sigaction(signal, &cleaning, nullptr);
    }
}

ClosedStreams claimClosedStandardStreams()
{
    bool closed[3] = {};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closed[fd] = true;
        // The lowest free number is taken, which is this one: the lower ones are open by now.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    return {closed[0], closed[1], closed[2]};
}

void failBrokenPipeWritesInThisThread()
{
    // A SIGPIPE for a write goes to the thread that wrote; blocked, it leaves only the EPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

} // namespace dirlix
