// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: volume identity on Windows: the volume's serial number and label from GetVolumeInformationW.
#include "catalog/VolumeIdentity.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace dirlix::catalog {

namespace {

std::wstring wideOf(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), length);
    return out;
}

std::string utf8Of(const wchar_t* wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string out(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), length, nullptr, nullptr);
    out.pop_back();
    return out;
}

std::string serialText(DWORD serial)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X-%04X", unsigned(serial >> 16), unsigned(serial & 0xFFFF));
    return text;
}

} // namespace

std::string absolutePath(const std::string& path)
{
    const std::wstring wide = wideOf(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::vector<wchar_t> full(length + 1);
    if (GetFullPathNameW(wide.c_str(), length + 1, full.data(), nullptr) == 0)
        return path;
    return utf8Of(full.data());
}

VolumeIdentity identifyVolume(const std::string& folder)
{
    VolumeIdentity identity;
    const std::wstring path = wideOf(absolutePath(folder));
    std::vector<wchar_t> root(path.size() + 2);
    if (!GetVolumePathNameW(path.c_str(), root.data(), DWORD(root.size())))
        return identity;
    wchar_t label[MAX_PATH + 1] = {};
    DWORD serial = 0;
    if (GetVolumeInformationW(root.data(), label, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr, 0)) {
        identity.uuid = serialText(serial);
        identity.label = utf8Of(label);
    }
    identity.mountPoint = utf8Of(root.data());
    const std::string whole = utf8Of(path.c_str());
    if (whole.size() > identity.mountPoint.size())
        identity.subPath = whole.substr(identity.mountPoint.size());
    return identity;
}

std::optional<std::string> mountPointOf(const std::string& uuid)
{
    if (uuid.empty())
        return std::nullopt;
    // A removable volume gets whichever drive letter is free: look at every one.
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter)))
            continue;
        const wchar_t root[] = {wchar_t(L'A' + letter), L':', L'\\', L'\0'};
        DWORD serial = 0;
        if (GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) && serialText(serial) == uuid)
            return utf8Of(root);
    }
    return std::nullopt;
}

bool folderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wideOf(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace dirlix::catalog
