// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: volume identity on Linux: the mount from /proc/self/mountinfo, UUID and label from /dev/disk.
#include "catalog/VolumeIdentity.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace dirlix::catalog {

namespace {

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// mountinfo writes space, tab, newline and backslash in a path as "\ooo".
std::string unescapeMountPath(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
            isOctal(text[i + 3])) {
            out += char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// udev writes unsafe bytes of a label in its link name as "\xHH".
std::string unescapeUdevName(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hexValue(text[i + 2]) >= 0 &&
            hexValue(text[i + 3]) >= 0) {
            out += char(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Mount {
    dev_t device = 0;
    std::string root;   // the part of the file system mounted there
    std::string point;  // where
    std::string source; // the device named by the mount
};

std::vector<Mount> readMounts()
{
    std::vector<Mount> mounts;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen("/proc/self/mountinfo", "re"), std::fclose);
    if (!file)
        return mounts;
    char* line = nullptr;
    std::size_t capacity = 0;
    while (getline(&line, &capacity, file.get()) > 0) {
        // id parent major:minor root point options [optional fields] - type source options
        unsigned major = 0, minor = 0;
        char root[PATH_MAX], point[PATH_MAX];
        if (std::sscanf(line, "%*u %*u %u:%u %4095s %4095s", &major, &minor, root, point) != 4)
            continue;
        Mount mount{makedev(major, minor), unescapeMountPath(root), unescapeMountPath(point), {}};
        if (const char* dash = std::strstr(line, " - ")) {
            char type[256], source[PATH_MAX];
            if (std::sscanf(dash + 3, "%255s %4095s", type, source) == 2)
                mount.source = unescapeMountPath(source);
        }
        mounts.push_back(std::move(mount));
    }
    std::free(line);
    return mounts;
}

// The block device that file system @p device is on: itself when it is a block device number the
// /dev/disk links lead to; btrfs and the like give other numbers, found through the mount's source.
bool blockDeviceOf(const Mount& mount, dev_t& device)
{
    struct stat source;
    if (!mount.source.empty() && mount.source[0] == '/' && stat(mount.source.c_str(), &source) == 0 &&
        S_ISBLK(source.st_mode)) {
        device = source.st_rdev;
        return true;
    }
    device = mount.device;
    return true;
}

// The name in @p folder (a /dev/disk/by-* folder) whose link leads to the block device @p device.
std::string linkNamingDevice(const char* folder, dev_t device)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder), closedir);
    if (!dir)
        return {};
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat target;
        const std::string path = std::string(folder) + "/" + entry->d_name;
        if (stat(path.c_str(), &target) == 0 && S_ISBLK(target.st_mode) && target.st_rdev == device)
            return unescapeUdevName(entry->d_name);
    }
    return {};
}

// The mount whose point is the longest prefix of @p path on the device @p device.
const Mount* mountHolding(const std::vector<Mount>& mounts, const std::string& path, dev_t device)
{
    const Mount* best = nullptr;
    for (const Mount& mount : mounts) {
        if (mount.device != device)
            continue;
        const std::string& point = mount.point;
        const bool inside = path.compare(0, point.size(), point) == 0 &&
                            (point == "/" || path.size() == point.size() || path[point.size()] == '/');
        if (inside && (!best || point.size() > best->point.size()))
            best = &mount;
    }
    return best;
}

} // namespace

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    std::unique_ptr<char, void (*)(void*)> current(getcwd(nullptr, 0), std::free);
    if (!current)
        return path;
    std::string out = current.get();
    if (out.back() != '/')
        out += '/';
    return out + path;
}

VolumeIdentity identifyVolume(const std::string& folder)
{
    VolumeIdentity identity;
    struct stat values;
    if (stat(folder.c_str(), &values) != 0)
        return identity;
    std::string path = absolutePath(folder);
    if (std::unique_ptr<char, void (*)(void*)> real(realpath(folder.c_str(), nullptr), std::free); real)
        path = real.get();
    const std::vector<Mount> mounts = readMounts();
    const Mount* mount = mountHolding(mounts, path, values.st_dev);
    if (!mount)
        return identity;
    identity.mountPoint = mount->point;
    if (identity.mountPoint.back() != '/')
        identity.mountPoint += '/';
    identity.subPath = path.size() > mount->point.size() ? path.substr(mount->point.size()) : std::string();
    while (!identity.subPath.empty() && identity.subPath.front() == '/')
        identity.subPath.erase(0, 1);
    // A bind mount shows part of its file system: the path below the file system's own root.
    if (mount->root != "/") {
        std::string below = mount->root.substr(1);
        identity.subPath = identity.subPath.empty() ? below : below + "/" + identity.subPath;
    }
    dev_t device = 0;
    if (blockDeviceOf(*mount, device)) {
        identity.uuid = linkNamingDevice("/dev/disk/by-uuid", device);
        identity.label = linkNamingDevice("/dev/disk/by-label", device);
    }
    return identity;
}

std::optional<std::string> mountPointOf(const std::string& uuid)
{
    if (uuid.empty() || uuid.find('/') != std::string::npos)
        return std::nullopt;
    struct stat device;
    if (stat(("/dev/disk/by-uuid/" + uuid).c_str(), &device) != 0 || !S_ISBLK(device.st_mode))
        return std::nullopt;
    for (const Mount& mount : readMounts()) {
        dev_t block = 0;
        if (mount.root == "/" && blockDeviceOf(mount, block) && block == device.st_rdev)
            return mount.point.back() == '/' ? mount.point : mount.point + "/";
    }
    return std::nullopt;
}

bool folderExists(const std::string& path)
{
    struct stat values;
    return stat(path.c_str(), &values) == 0 && S_ISDIR(values.st_mode);
}

} // namespace dirlix::catalog
