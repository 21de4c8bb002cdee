// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the file-system layer on Linux: openat, getdents64 and statx relative to a folder.
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace dirlix::fsys {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

// Attribute letters on POSIX: hidden by a leading dot, read-only when the owner may not write,
// system for devices, FIFOs and sockets, compressed when the file system says so.
std::uint16_t attributesOf(const char* name, const struct statx& st)
{
    std::uint16_t attributes = 0;
    if (name[0] == '.')
        attributes |= AttrHidden;
    if ((st.stx_mask & STATX_MODE) && !(st.stx_mode & S_IWUSR))
        attributes |= AttrReadOnly;
    const mode_t type = st.stx_mode & S_IFMT;
    if (type == S_IFCHR || type == S_IFBLK || type == S_IFIFO || type == S_IFSOCK)
        attributes |= AttrSystem;
    if ((st.stx_attributes_mask & STATX_ATTR_COMPRESSED) && (st.stx_attributes & STATX_ATTR_COMPRESSED))
        attributes |= AttrCompressed;
    return attributes;
}

void fill(const char* name, const struct statx& st, FileRecord& out, EntryFacts& facts)
{
    out.size = (st.stx_mask & STATX_SIZE) ? std::int64_t(st.stx_size) : 0;
    out.modified = (st.stx_mask & STATX_MTIME) ? st.stx_mtime.tv_sec : 0;
    out.modifiedNanoseconds = (st.stx_mask & STATX_MTIME) ? st.stx_mtime.tv_nsec : 0;
    // Some file systems claim a birth time but report the epoch itself: that is no birth time.
    if ((st.stx_mask & STATX_BTIME) && (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0)) {
        out.created = st.stx_btime.tv_sec;
    } else if (st.stx_mask & STATX_CTIME) {
        // No birth time on this file system: the earlier of status change and modification is
        // the best stand-in, as a copy keeps its modification time but gets a new change time.
        out.created = std::min<std::int64_t>(st.stx_ctime.tv_sec, out.modified);
    } else {
        out.created = out.modified;
    }
    out.attributes = attributesOf(name, st);
    facts.isFolder = S_ISDIR(st.stx_mode);
    facts.isRegular = (st.stx_mask & STATX_TYPE) && S_ISREG(st.stx_mode);
    facts.links = (st.stx_mask & STATX_NLINK) ? st.stx_nlink : 1;
    facts.id = {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino};
}

} // namespace

int openFolder(const std::string& path, FolderHandle& out)
{
    out = ::open(path.c_str(), kFolderFlags);
    return out < 0 ? errno : 0;
}

int openChildFolder(FolderHandle parent, const char* name, bool followLinks, FolderHandle& out)
{
    // Not following, a folder swapped for a link since the listing is not entered either.
    out = ::openat(parent, name, followLinks ? kFolderFlags : kFolderFlags | O_NOFOLLOW);
    return out < 0 ? errno : 0;
}

namespace {

// Magic numbers that <linux/magic.h> does not carry on every system.
constexpr unsigned long kConfigfsMagic = 0x62656570;
constexpr unsigned long kFusectlMagic = 0x65735543;
constexpr unsigned long kMqueueMagic = 0x19800202;
constexpr unsigned long kRpcPipefsMagic = 0x67596969;

// devtmpfs reports itself as tmpfs; only the mount table tells them apart.
bool isDevtmpfs(dev_t device)
{
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    while (std::getline(mounts, line)) {
        // id parent major:minor root point options [optional...] - type source options
        const std::size_t first = line.find(' ');
        const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        const std::size_t third = second == std::string::npos ? second : line.find(' ', second + 1);
        if (third == std::string::npos || line.compare(second + 1, third - second - 1, wanted) != 0)
            continue;
        const std::size_t dash = line.find(" - ");
        if (dash != std::string::npos && line.compare(dash + 3, 9, "devtmpfs ") == 0)
            return true;
    }
    return false;
}

} // namespace

int isVirtualFileSystem(FolderHandle folder, bool& isVirtual)
{
    struct statfs fs;
    if (::fstatfs(folder, &fs) != 0)
        return errno;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEVPTS_SUPER_MAGIC: case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC: case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC: case BPF_FS_MAGIC: case kConfigfsMagic: case kFusectlMagic: case kMqueueMagic:
    case HUGETLBFS_MAGIC: case BINFMTFS_MAGIC: case AUTOFS_SUPER_MAGIC: case EFIVARFS_MAGIC: case NSFS_MAGIC:
    case kRpcPipefsMagic: case SELINUX_MAGIC: case SMACK_MAGIC:
        isVirtual = true;
        return 0;
    case TMPFS_MAGIC: {
        struct stat st;
        if (::fstat(folder, &st) != 0)
            return errno;
        isVirtual = isDevtmpfs(st.st_dev);
        return 0;
    }
    default:
        isVirtual = false;
        return 0;
    }
}

void closeFolder(FolderHandle folder)
{
    if (folder >= 0)
        ::close(folder);
}

int folderIdentity(FolderHandle folder, FileId& id)
{
    struct stat st;
    if (::fstat(folder, &st) != 0)
        return errno;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    return 0;
}

std::size_t descriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 0;
    return std::size_t(limit.rlim_cur);
}

std::size_t pathLimit()
{
    return PATH_MAX;
}

int readFolder(FolderHandle folder, FolderEntries& out)
{
    alignas(8) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::getdents64(folder, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t pos = 0; pos < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + pos);
            pos += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            EntryKind kind = EntryKind::Unknown;
            if (entry->d_type == DT_DIR)
                kind = EntryKind::Folder;
            else if (entry->d_type == DT_LNK)
                kind = EntryKind::Link;
            else if (entry->d_type != DT_UNKNOWN)
                kind = EntryKind::File;
            const std::size_t length = std::strlen(name);
            out.entries.push_back({std::uint32_t(out.names.size()), std::uint32_t(length), kind});
            out.names.append(name, length + 1); // keep the terminating zero for the calls that take the name
        }
    }
}

int readProperties(FolderHandle folder, const char* name, bool followFolderLinks, FileRecord& out,
                   EntryFacts& facts)
{
    constexpr unsigned kMask =
        STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME | STATX_NLINK | STATX_INO;
    struct statx st;
    if (::statx(folder, name, AT_NO_AUTOMOUNT, kMask, &st) == 0) {
        fill(name, st, out, facts);
        if (facts.isFolder && !followFolderLinks) {
            // Only a folder reached through a link needs the second look: that link is a row.
            struct statx own;
            if (::statx(folder, name, AT_NO_AUTOMOUNT | AT_SYMLINK_NOFOLLOW, kMask, &own) == 0 &&
                S_ISLNK(own.stx_mode)) {
                fill(name, own, out, facts);
                facts.isLink = true;
            }
        }
        return 0;
    }
    const int error = errno;
    // A link that leads nowhere (or round in circles) is still an entry of the folder:
    // list it with the link's own values.
    if (::statx(folder, name, AT_NO_AUTOMOUNT | AT_SYMLINK_NOFOLLOW, kMask, &st) == 0) {
        fill(name, st, out, facts);
        facts.isLink = S_ISLNK(st.stx_mode);
        return 0;
    }
    return error;
}

} // namespace dirlix::fsys
