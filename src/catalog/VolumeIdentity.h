// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: which volume (file system) a folder lies on, and where a known volume is mounted now.
#pragma once

#include <optional>
#include <string>

namespace dirlix::catalog {

/** What the system tells about the volume that holds a folder. */
struct VolumeIdentity {
    std::string uuid;       ///< the file system's UUID or serial number; empty when the system has none
    std::string label;      ///< the volume's own label; empty when it has none
    std::string mountPoint; ///< where the volume is mounted, ending in the separator
    std::string subPath;    ///< the folder's path below the mount point, without a leading separator
};

/**
 * The identity of the volume that holds the folder @p folder (bytes as given; an absolute path
 * works best). Members the system cannot tell stay empty; never fails.
 */
VolumeIdentity identifyVolume(const std::string& folder);

/**
 * Where the volume with the UUID or serial @p uuid is mounted now, ending in the separator;
 * nothing when it is not mounted or @p uuid is empty.
 */
std::optional<std::string> mountPointOf(const std::string& uuid);

/** Whether @p path names a folder that exists now. */
bool folderExists(const std::string& path);

/** @p path made absolute against the current folder, when it is relative; unchanged otherwise. */
std::string absolutePath(const std::string& path);

} // namespace dirlix::catalog
