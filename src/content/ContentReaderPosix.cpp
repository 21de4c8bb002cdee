// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reading file content on POSIX systems: O_NOATIME, never blocking, never a special file.
#include "content/ContentReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dirlix {

namespace {

std::int64_t nanoseconds(const struct timespec& when)
{
    return std::int64_t(when.tv_sec) * 1000000000 + when.tv_nsec;
}

// What a file looked like when it was opened (or when the walk saw it); read again after the last read.
struct Shape {
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const Shape&) const = default;
};

Shape shapeOf(const struct stat& info)
{
    return {std::int64_t(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

ssize_t readFully(int fd, unsigned char* into, std::size_t size, off_t at)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, into + done, size - done, at + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return ssize_t(done);
}

} // namespace

// An open regular file and what it looked like when opened.
struct ContentReader::OpenFile {
    int fd = -1;
    Shape shape;
    bool fromWalk = false; // shape is what the walk saw, no status change time; not looked at since
    ~OpenFile()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // Opens @p name in @p folder (AT_FDCWD: a path) for reading, and takes its shape.
    ReadStatus open(int folder, const char* name, const ExpectedFile& expected)
    {
        // Unless the walk saw a regular file there, a look first, so that a FIFO or a device is never
        // opened at all. O_NOFOLLOW, O_NONBLOCK and the fstat keep one that took the file's place
        // since from being followed, from blocking, and from being given a checksum.
        struct stat info;
        if (!expected.regular) {
            if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                return {ReadOutcome::Failed, errno};
            if (!S_ISREG(info.st_mode))
                return {ReadOutcome::NotRegular, 0};
        }
        const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
        fd = ::openat(folder, name, flags | O_NOATIME);
        if (fd < 0 && errno == EPERM) // O_NOATIME is only for the file's owner
            fd = ::openat(folder, name, flags);
        if (fd < 0)
            return {errno == ELOOP ? ReadOutcome::NotRegular : ReadOutcome::Failed, errno};
        // A file of one read that the walk saw as regular, with its size and its modified time to
        // the nanosecond: its one look comes after the read and is held against the walk's, which
        // covers the whole time from the walk to the end of the read. A write moves the modified
        // time (to the nanosecond where the system marks a time that was looked at, as Linux does
        // since 6.13), and a file cut short or grown is found by the read itself.
        if (expected.regular && expected.size && *expected.size < std::int64_t(kReadSize) && expected.modified &&
            expected.modifiedNanoseconds) {
            shape = {*expected.size, *expected.modified * 1000000000 + *expected.modifiedNanoseconds, 0};
            fromWalk = true;
            return {};
        }
        if (::fstat(fd, &info) != 0)
            return {ReadOutcome::Failed, errno};
        if (!S_ISREG(info.st_mode))
            return {ReadOutcome::NotRegular, 0};
        shape = shapeOf(info);
        if ((expected.size && *expected.size != shape.size) ||
            (expected.modified && *expected.modified != std::int64_t(info.st_mtim.tv_sec)))
            return {ReadOutcome::Changed, 0};
        // A file of one read gains nothing from read-ahead advice: that would only add a system call.
        if (shape.size >= std::int64_t(kReadSize))
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return {};
    }

    ReadStatus open(const std::string& path, const ExpectedFile& expected)
    {
        return open(AT_FDCWD, path.c_str(), expected);
    }

    // Whether the file is still a regular file that looks as it did when opened (or to the walk).
    ReadStatus unchanged() const
    {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            return {ReadOutcome::Failed, errno};
        if (!S_ISREG(info.st_mode))
            return {ReadOutcome::NotRegular, 0};
        Shape now = shapeOf(info);
        if (fromWalk)
            now.changedNs = 0;
        return now == shape ? ReadStatus{} : ReadStatus{ReadOutcome::Changed, 0};
    }

    // Reads [from, from + length) into @p digest through @p buffer; a file cut short is Changed.
    ReadStatus feed(off_t from, std::int64_t length, std::vector<unsigned char>& buffer, Digest& digest, const std::atomic<bool>* stop)
    {
        while (length > 0) {
            // Checked between reads, so that Stop is quick even inside a very large file.
            if (stop && stop->load(std::memory_order_relaxed))
                return {ReadOutcome::Failed, ECANCELED};
            const std::size_t want = std::size_t(std::min<std::int64_t>(length, std::int64_t(buffer.size())));
            const ssize_t got = readFully(fd, buffer.data(), want, from);
            if (got < 0)
                return {ReadOutcome::Failed, errno};
            if (std::size_t(got) != want)
                return {ReadOutcome::Changed, 0};
            digest.update(buffer.data(), want);
            from += off_t(want);
            length -= std::int64_t(want);
        }
        return {};
    }
};

// The folder of the files read last. Once a second file of one folder comes, the folder is opened,
// so that the files after it are looked up by their name alone instead of by their whole path; a
// folder of one file costs no call more.
struct ContentReader::Folder {
    std::string path;   // the folder's text, as given
    int fd = -1;        // open on it once a second file of it came
    bool tried = false; // to open it: a folder that cannot be opened is not tried for every file
    ~Folder() { forget(); }
    void forget()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        tried = false;
    }
};

ContentReader::ContentReader() = default;
ContentReader::~ContentReader() = default;

std::string ReadStatus::reason() const
{
    switch (outcome) {
    case ReadOutcome::Done:
        return {};
    case ReadOutcome::NotRegular:
        return "not a regular file";
    case ReadOutcome::Changed:
        return "it changed while it was read";
    case ReadOutcome::Failed:
        break;
    }
    return std::strerror(error);
}

ReadStatus ContentReader::digestWhole(const std::string& path, const ExpectedFile& expected, Digest& digest)
{
    digest.reset();
    OpenFile file;
    if (ReadStatus status = file.open(path, expected); !status.ok())
        return status;
    return digestOpened(file, digest);
}

ReadStatus ContentReader::digestWhole(std::string_view folder, std::string_view name, const ExpectedFile& expected,
                                      Digest& digest)
{
    if (!mFolder)
        mFolder = std::make_unique<Folder>();
    Folder& open = *mFolder;
    if (open.path != folder) {
        open.forget();
        open.path.assign(folder);
    } else if (!open.tried) {
        // O_PATH: only the right to pass through, as opening by the whole path needs.
        open.tried = true;
        open.fd = ::open(open.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (open.fd >= 0)
        mPath.assign(name);
    else
        mPath.assign(folder).append(name);
    digest.reset();
    OpenFile file;
    if (ReadStatus status = file.open(open.fd >= 0 ? open.fd : AT_FDCWD, mPath.c_str(), expected); !status.ok())
        return status;
    return digestOpened(file, digest);
}

ReadStatus ContentReader::digestOpened(OpenFile& file, Digest& digest)
{
    mBuffer.resize(kReadSize + 1);
    if (file.shape.size < std::int64_t(kReadSize)) {
        // Most files fit in one read, which, asked for one byte more, also finds the end of the file:
        // a file that grew gives that byte.
        const std::size_t size = std::size_t(file.shape.size);
        ssize_t got;
        while ((got = ::pread(file.fd, mBuffer.data(), size + 1, 0)) < 0 && errno == EINTR) {
        }
        if (got >= 0 && std::size_t(got) < size) { // a short read: the rest, to the end
            const ssize_t rest = readFully(file.fd, mBuffer.data() + got, size - std::size_t(got), off_t(got));
            got = rest < 0 ? rest : got + rest;
        }
        if (got < 0) {
            // Not yet looked at, it may be no regular file any more: a FIFO or a folder that took its place.
            const int error = errno;
            if (ReadStatus status = file.fromWalk ? file.unchanged() : ReadStatus{}; !status.ok())
                return status;
            return {ReadOutcome::Failed, error};
        }
        if (std::size_t(got) != size) // it shrank or grew since it was opened
            return {ReadOutcome::Changed, 0};
        digest.update(mBuffer.data(), size);
        return file.unchanged();
    }
    if (ReadStatus status = file.feed(0, file.shape.size, mBuffer, digest, mStop); !status.ok())
        return status;
    // A file that grew has more bytes than were read: one more read must find its end.
    const ssize_t more = readFully(file.fd, mBuffer.data(), 1, off_t(file.shape.size));
    if (more != 0)
        return more < 0 ? ReadStatus{ReadOutcome::Failed, errno} : ReadStatus{ReadOutcome::Changed, 0};
    return file.unchanged();
}

ReadStatus ContentReader::digestEnds(const std::string& path, const ExpectedFile& expected, std::size_t block,
                                     Digest& digest)
{
    digest.reset();
    OpenFile file;
    if (ReadStatus status = file.open(path, expected); !status.ok())
        return status;
    mBuffer.resize(std::max(block, std::size_t(1)));
    const std::int64_t size = file.shape.size;
    ReadStatus status;
    if (size <= std::int64_t(2 * block)) {
        status = file.feed(0, size, mBuffer, digest, mStop);
    } else {
        status = file.feed(0, std::int64_t(block), mBuffer, digest, mStop);
        if (status.ok())
            status = file.feed(off_t(size - std::int64_t(block)), std::int64_t(block), mBuffer, digest, mStop);
    }
    return status.ok() ? file.unchanged() : status;
}

ReadStatus ContentReader::compare(const std::string& first, const std::string& second, bool& same)
{
    same = false;
    OpenFile a, b;
    if (ReadStatus status = a.open(first, {}); !status.ok())
        return status.which = 1, status;
    if (ReadStatus status = b.open(second, {}); !status.ok())
        return status.which = 2, status;
    if (a.shape.size != b.shape.size)
        return {};
    mBuffer.resize(kReadSize);
    mSecondBuffer.resize(kReadSize);
    for (std::int64_t at = 0; at < a.shape.size;) {
        // As in feed(): a Stop must not wait for the end of two very large files.
        if (mStop && mStop->load(std::memory_order_relaxed))
            return {ReadOutcome::Failed, ECANCELED, 1};
        const std::size_t want = std::size_t(std::min<std::int64_t>(a.shape.size - at, std::int64_t(kReadSize)));
        const ssize_t gotA = readFully(a.fd, mBuffer.data(), want, off_t(at));
        const int errorA = gotA < 0 ? errno : 0;
        const ssize_t gotB = readFully(b.fd, mSecondBuffer.data(), want, off_t(at));
        if (gotA < 0)
            return {ReadOutcome::Failed, errorA, 1};
        if (gotB < 0)
            return {ReadOutcome::Failed, errno, 2};
        if (std::size_t(gotA) != want || std::size_t(gotB) != want)
            return {ReadOutcome::Changed, 0, std::size_t(gotA) != want ? 1 : 2};
        if (std::memcmp(mBuffer.data(), mSecondBuffer.data(), want) != 0)
            break;
        at += std::int64_t(want);
        if (at == a.shape.size)
            same = true;
    }
    if (a.shape.size == 0)
        same = true;
    if (ReadStatus status = a.unchanged(); !status.ok())
        return same = false, status.which = 1, status;
    if (ReadStatus status = b.unchanged(); !status.ok())
        return same = false, status.which = 2, status;
    return {};
}

ReadStatus ContentReader::identify(const std::string& path, FileIdentity& identity)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return {ReadOutcome::Failed, errno};
    if (!S_ISREG(info.st_mode))
        return {ReadOutcome::NotRegular, 0};
    identity = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::int64_t(info.st_size)};
    return {};
}

} // namespace dirlix
