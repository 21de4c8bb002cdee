// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: does batching a folder's statx calls through io_uring beat one call per file?
//
// Usage: uring_statx plain|uring DIR
// Walks DIR on one thread like bare_walk 1 (same lines, same order) and reads each folder's
// entries' metadata either with one statx call per entry ("plain") or as one batch of
// IORING_OP_STATX requests per folder ("uring"). The output of both must be identical;
// scripts/bench times them against each other.
#include "FileLine.h"

#include <liburing.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
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

constexpr unsigned kMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BTIME | STATX_MTIME;
constexpr unsigned kRingSize = 256;

bool useRing = false;
io_uring ring;

/** Fills @p results (one per name; a failed call leaves stx_mask 0) for the names in @p folderFd. */
void statAll(int folderFd, const std::vector<std::string>& names, std::vector<struct statx>& results)
{
    results.assign(names.size(), {});
    if (!useRing) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (::statx(folderFd, names[i].c_str(), AT_SYMLINK_NOFOLLOW, kMask, &results[i]) != 0)
                results[i].stx_mask = 0;
        return;
    }
    std::size_t submitted = 0;
    std::size_t completed = 0;
    while (completed < names.size()) {
        while (submitted < names.size() && submitted - completed < kRingSize) {
            io_uring_sqe* sqe = io_uring_get_sqe(&ring);
            if (!sqe)
                break;
            io_uring_prep_statx(sqe, folderFd, names[submitted].c_str(), AT_SYMLINK_NOFOLLOW, kMask,
                                &results[submitted]);
            io_uring_sqe_set_data64(sqe, submitted);
            ++submitted;
        }
        io_uring_submit_and_wait(&ring, 1);
        io_uring_cqe* cqe;
        unsigned head;
        unsigned seen = 0;
        io_uring_for_each_cqe(&ring, head, cqe)
        {
            if (cqe->res < 0)
                results[io_uring_cqe_get_data64(cqe)].stx_mask = 0;
            ++seen;
        }
        io_uring_cq_advance(&ring, seen);
        completed += seen;
    }
}

void walk(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    std::vector<std::string> names;
    alignas(8) static char buffer[64 * 1024];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
            at += entry->reclen;
            const char* name = entry->name;
            if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
                names.emplace_back(name);
        }
    }
    std::vector<struct statx> results;
    statAll(fd, names, results);
    ::close(fd);
    std::string out;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const struct statx& sx = results[i];
        if (sx.stx_mask == 0)
            continue;
        if (S_ISDIR(sx.stx_mode)) {
            if (names[i][0] != '.')
                folders.push_back(path + names[i] + '/');
            continue;
        }
        dirlix::bench::appendFileLine(out, path, names[i], sx);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    for (const std::string& folder : folders)
        walk(folder);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "plain") != 0 && std::strcmp(argv[1], "uring") != 0)) {
        std::fprintf(stderr, "usage: uring_statx plain|uring DIR\n");
        return 2;
    }
    useRing = std::strcmp(argv[1], "uring") == 0;
    if (useRing) {
        const int error = io_uring_queue_init(kRingSize, &ring, 0);
        if (error < 0) {
            std::fprintf(stderr, "uring_statx: io_uring is not available: %s\n", std::strerror(-error));
            return 1;
        }
    }
    std::string root = argv[2];
    if (root.back() != '/')
        root += '/';
    walk(root);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
