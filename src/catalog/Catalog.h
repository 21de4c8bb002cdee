// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog: volumes and their scans in one SQLite database, opened with care.
#pragma once

#include "catalog/VolumeIdentity.h"
#include "platform/FileRecord.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dirlix::catalog {

/** The schema version this program writes and reads (PRAGMA user_version). */
inline constexpr int kSchemaVersion = 1;
/** The database's application_id: "DLXC". */
inline constexpr std::int32_t kApplicationId = 0x444C5843;

/** One scan of a volume, as the scans table holds it. */
struct ScanInfo {
    std::int64_t id = 0;
    std::int64_t number = 0;  ///< 1, 2, ... within its volume
    std::int64_t madeAt = 0;  ///< seconds since the epoch
    std::string root;         ///< the folder walked, ending in the separator; empty for a saved list
    std::string filters;      ///< the filters in force, as words; empty for none
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    std::uint64_t bytes = 0;  ///< the files' sizes added up
    std::string hashAlgorithm; ///< empty: no checksums
    std::int64_t firstFile = 1, lastFile = 0; ///< the rowids of its files (empty range for none)
};

/** One volume with its scans, oldest first. */
struct VolumeInfo {
    std::int64_t id = 0;
    std::string label;
    std::string uuid;    ///< UUID or serial number; empty when unknown
    std::string root;    ///< where it was last walked, ending in the separator
    std::string subPath; ///< that folder below the volume's mount point
    std::vector<ScanInfo> scans;
};

/**
 * A catalog file opened for reading or writing. Opening checks the file before anything can be
 * written to it: a file that is not a catalog (a text file, another program's database, a cut
 * one) or a catalog of a newer schema is refused and left untouched. A catalog that cannot be
 * written (read-only media, no permission) can still be opened for reading.
 */
class Catalog {
public:
    enum class Access { Read, Write };

    /**
     * Opens the catalog in the file @p path; for Write, a missing or empty file becomes a new
     * catalog. Returns null with the reason in @p error, in words for the user.
     */
    static std::unique_ptr<Catalog> open(const std::string& path, Access access, std::string& error);
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    /** Every volume with its scans, by label. Returns false with @p error set when reading fails. */
    bool volumes(std::vector<VolumeInfo>& out, std::string& error);

    /**
     * Removes the volume labelled @p what with all its scans, or, for "LABEL@N" when LABEL is a
     * volume, its scan N. One transaction. Returns false with @p error set when there is no such
     * volume or scan or writing fails.
     */
    bool remove(const std::string& what, std::string& error);

    /** The database; owned by this object. */
    sqlite3* handle() const { return mDb; }
    const std::string& path() const { return mPath; }

    /** The text of the database's last error. */
    std::string lastError() const;
    /** Runs @p sql (no rows expected). Returns false with @p error set on failure. */
    bool exec(const char* sql, std::string& error);

private:
    Catalog() = default;
    bool prepareForWriting(std::string& error);

    sqlite3* mDb = nullptr;
    std::string mPath;
};

/** What a new scan is of. */
struct NewScan {
    std::string label;        ///< the volume's label as the user gave it; empty: found by identity
    std::string defaultLabel; ///< the label of a new volume when none is given
    VolumeIdentity identity;  ///< uuid and subPath of the volume; empty for a saved list
    std::string root;         ///< the folder walked, ending in the separator
    std::string filters;      ///< the filters in force, as words
    std::string hashAlgorithm;
    std::int64_t madeAt = 0;
};

/**
 * Writes one scan in one transaction: begin(), then folders and files, then commit(). Until
 * commit() succeeds nothing of the scan is visible, and a process that dies on the way leaves the
 * catalog as it was. Destroying the writer without commit() rolls everything back. While it is
 * open, other writers wait (the catalog has a long busy timeout); readers do not.
 */
class ScanWriter {
public:
    explicit ScanWriter(Catalog& catalog) : mCatalog(catalog) {}
    ~ScanWriter();
    ScanWriter(const ScanWriter&) = delete;
    ScanWriter& operator=(const ScanWriter&) = delete;

    /** Starts the scan: finds or makes its volume and numbers it. Returns false with @p error set. */
    bool begin(const NewScan& scan, std::string& error);
    /** The number of the folder with the path text @p folder, added when new. 0 with @p error set on failure. */
    std::int64_t folder(std::string_view folder, std::string& error);
    /** Adds a file of the folder numbered @p folder. Returns false with @p error set on failure. */
    bool addFile(std::int64_t folder, std::string_view name, const FileRecord& values, std::string& error);
    /** Sets the scan's start folder to @p root at commit(), for a saved list whose folders tell it only at the end. */
    void setRoot(std::string root) { mRoot = std::move(root); }
    /** Writes the scan's totals and commits. Returns false with @p error set; nothing is then kept. */
    bool commit(std::string& error);

    const std::string& volumeLabel() const { return mLabel; }
    std::int64_t scanNumber() const { return mNumber; }
    std::uint64_t files() const { return mFiles; }
    std::uint64_t bytes() const { return mBytes; }

private:
    bool findVolume(const NewScan& scan, std::string& error);

    Catalog& mCatalog;
    bool mOpen = false;
    sqlite3_stmt* mInsertFile = nullptr;
    sqlite3_stmt* mInsertFolder = nullptr;
    std::int64_t mVolume = 0, mScan = 0, mNumber = 0, mFirstFile = 0, mLastFile = -1;
    std::string mLabel;
    std::optional<std::string> mRoot;
    std::uint64_t mFiles = 0, mBytes = 0;
    std::unordered_map<std::string, std::int64_t> mFolders;
    std::string mLastFolderText;
    std::int64_t mLastFolder = 0;
};

} // namespace dirlix::catalog
