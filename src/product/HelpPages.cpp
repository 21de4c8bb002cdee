// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where the program's own help pages are, and their addresses.
#include "product/HelpPages.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace dirlix {

namespace fs = std::filesystem;

std::string HelpFolder(const std::string& appDir)
{
    const fs::path app(appDir);
    std::error_code error;
    if (fs::is_directory(app / "Help", error))
        return (app / "Help").lexically_normal().string();
    return (app / ".." / "share" / "dirlix-pro" / "Help").lexically_normal().string();
}

std::string HelpPagePath(const std::string& appDir, const std::string& page)
{
    return (fs::path(HelpFolder(appDir)) / page).string();
}

std::string FileUrl(const std::string& path)
{
    std::string slashed = path;
    for (char& c : slashed) {
        if (c == '\\')
            c = '/';
    }
    if (slashed.empty() || slashed.front() != '/')
        slashed.insert(slashed.begin(), '/'); // "C:/x" becomes "/C:/x"

    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : slashed) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("-._~/:!$&'()*+,;=@").find(c) != std::string_view::npos;
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

std::string ResolvePageAddress(const std::string& configured, const std::string& appDir,
                               const std::string& page)
{
    if (!configured.empty())
        return configured;
    return FileUrl(HelpPagePath(appDir, page));
}

} // namespace dirlix
