// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog file's header check.
#include "catalog/CatalogFile.h"
#include "catalog/Catalog.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace dirlix::catalog {

namespace {

std::filesystem::path pathOf(const std::string& bytes)
{
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.data()), bytes.size()));
}

std::uint32_t bigEndian32(const unsigned char* at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

// One look at the file; Usable with @p shorter set when it is shorter than its header says.
FileCheck checkOnce(const std::string& path, std::string& error, bool& shorter)
{
    shorter = false;
    std::error_code failure;
    const std::filesystem::path file = pathOf(path);
    const auto status = std::filesystem::status(file, failure);
    if (status.type() == std::filesystem::file_type::not_found)
        return FileCheck::Missing;
    if (failure) {
        error = "cannot be read: " + failure.message();
        return FileCheck::Refused;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        error = "is not a file";
        return FileCheck::Refused;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, failure);
    if (failure) {
        error = "cannot be read: " + failure.message();
        return FileCheck::Refused;
    }
    if (size == 0)
        return FileCheck::Empty;
    std::array<unsigned char, 100> header{};
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(header.data()), std::streamsize(header.size()));
    if (!in && !in.eof()) {
        error = "cannot be read";
        return FileCheck::Refused;
    }
    const std::size_t got = std::size_t(in.gcount());
    static constexpr char kMagic[] = "SQLite format 3";
    if (got < sizeof kMagic || std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) {
        error = "is not a catalog (not an SQLite database): it is left unchanged";
        return FileCheck::Refused;
    }
    if (got < header.size()) {
        error = "is damaged (cut short: " + std::to_string(size) + " bytes): it is left unchanged";
        return FileCheck::Refused;
    }
    std::uint32_t pageSize = std::uint32_t(header[16]) << 8 | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    const std::uint32_t pages = bigEndian32(&header[28]);
    const bool pagesValid = bigEndian32(&header[24]) == bigEndian32(&header[92]) && pages != 0;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || size % pageSize != 0) {
        error = "is damaged (its size is not a whole number of pages): it is left unchanged";
        return FileCheck::Refused;
    }
    if (pagesValid && size < std::uintmax_t(pages) * pageSize)
        shorter = true;
    const auto version = std::int32_t(bigEndian32(&header[60]));
    const auto application = std::int32_t(bigEndian32(&header[68]));
    if (application == kApplicationId && version > kSchemaVersion) {
        error = "was made by a newer version of Dirlix Pro (catalog version " + std::to_string(version) +
                "; this program knows version " + std::to_string(kSchemaVersion) + " and older): it is left unchanged";
        return FileCheck::Refused;
    }
    // A blank database (no table yet: one page) may become a catalog; any other must be ours.
    if (application != kApplicationId && (application != 0 || version != 0 || !pagesValid || pages > 1)) {
        error = "is not a Dirlix Pro catalog (another program's database): it is left unchanged";
        return FileCheck::Refused;
    }
    return FileCheck::Usable;
}

} // namespace

FileCheck checkCatalogFile(const std::string& path, std::string& error)
{
    // A database that another process is checkpointing may for a moment be shorter than its
    // header says: look again before calling it cut short.
    for (int attempt = 0;; ++attempt) {
        bool shorter = false;
        const FileCheck check = checkOnce(path, error, shorter);
        if (check != FileCheck::Usable || !shorter)
            return check;
        if (attempt == 20) {
            error = "is damaged (shorter than its header says): it is left unchanged";
            return FileCheck::Refused;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace dirlix::catalog
