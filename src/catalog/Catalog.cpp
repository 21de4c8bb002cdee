// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog database: opening with checks, the schema, volumes, removal and the scan writer.
#include "catalog/Catalog.h"
#include "catalog/CatalogFile.h"

#include <sqlite3.h>

#include <cstring>

namespace dirlix::catalog {

namespace {

// Another process adding a scan holds the write lock for the whole walk: wait as long as a
// large walk may take rather than fail.
constexpr int kBusyTimeoutMs = 30 * 60 * 1000;

constexpr const char* kSchema = R"sql(
CREATE TABLE volumes(
  id INTEGER PRIMARY KEY,
  label TEXT NOT NULL UNIQUE,
  uuid TEXT,
  root BLOB,
  sub_path BLOB
);
CREATE TABLE scans(
  id INTEGER PRIMARY KEY,
  volume_id INTEGER NOT NULL REFERENCES volumes(id),
  number INTEGER NOT NULL,
  made_at INTEGER NOT NULL,
  root BLOB NOT NULL,
  filters TEXT NOT NULL,
  files INTEGER NOT NULL,
  folders INTEGER NOT NULL,
  bytes INTEGER NOT NULL,
  hash_algorithm TEXT,
  first_file INTEGER NOT NULL,
  last_file INTEGER NOT NULL,
  UNIQUE(volume_id, number)
);
CREATE TABLE folders(
  scan_id INTEGER NOT NULL,
  id INTEGER NOT NULL,
  path BLOB NOT NULL,
  PRIMARY KEY(scan_id, id)
) WITHOUT ROWID;
CREATE TABLE files(
  scan_id INTEGER NOT NULL,
  folder_id INTEGER NOT NULL,
  name BLOB NOT NULL,
  size INTEGER,
  attrib INTEGER NOT NULL,
  created INTEGER,
  modified INTEGER,
  hash BLOB
);
)sql";

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v3(db, sql, -1, 0, &mStmt, nullptr); }
    ~Statement() { sqlite3_finalize(mStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return mStmt != nullptr; }
    sqlite3_stmt* get() const { return mStmt; }

private:
    sqlite3_stmt* mStmt = nullptr;
};

std::string columnBytes(sqlite3_stmt* stmt, int column)
{
    const void* data = sqlite3_column_blob(stmt, column);
    return data ? std::string(static_cast<const char*>(data), std::size_t(sqlite3_column_bytes(stmt, column)))
                : std::string();
}

void bindBytes(sqlite3_stmt* stmt, int column, std::string_view bytes)
{
    // A zero-length blob must still be a blob, not NULL: give it a pointer that is not null.
    sqlite3_bind_blob64(stmt, column, bytes.empty() ? "" : bytes.data(), bytes.size(), SQLITE_STATIC);
}

void bindText(sqlite3_stmt* stmt, int column, std::string_view text)
{
    sqlite3_bind_text64(stmt, column, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
}

// The URI of @p path for sqlite3_open_v2 with SQLITE_OPEN_URI: every byte but the safe ones escaped.
std::string fileUri(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            std::strchr("/-_.~", byte) != nullptr) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

} // namespace

std::unique_ptr<Catalog> Catalog::open(const std::string& path, Access access, std::string& error)
{
    const FileCheck check = checkCatalogFile(path, error);
    if (check == FileCheck::Refused)
        return nullptr;
    if (check == FileCheck::Missing && access == Access::Read) {
        error = "no such catalog";
        return nullptr;
    }
    if (check == FileCheck::Empty && access == Access::Read) {
        error = "holds no catalog yet (the file is empty)";
        return nullptr;
    }

    std::unique_ptr<Catalog> catalog(new Catalog);
    catalog->mPath = path;
    if (access == Access::Write) {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
        if (sqlite3_open_v2(path.c_str(), &catalog->mDb, flags, nullptr) != SQLITE_OK) {
            error = "cannot be opened: " + catalog->lastError();
            return nullptr;
        }
        if (sqlite3_db_readonly(catalog->mDb, "main") == 1) {
            error = "cannot be written (read-only)";
            return nullptr;
        }
        sqlite3_busy_timeout(catalog->mDb, kBusyTimeoutMs);
        if (!catalog->prepareForWriting(error))
            return nullptr;
        return catalog;
    }

    // Reading: a catalog in WAL mode needs its shared-memory file beside it; where that cannot be
    // made (read-only media, a folder the user cannot write) the file is read as immutable.
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    for (const char* mode : {"?mode=ro", "?immutable=1"}) {
        sqlite3_close(catalog->mDb);
        catalog->mDb = nullptr;
        if (sqlite3_open_v2((fileUri(path) + mode).c_str(), &catalog->mDb, flags, nullptr) != SQLITE_OK) {
            error = "cannot be opened: " + catalog->lastError();
            continue;
        }
        sqlite3_busy_timeout(catalog->mDb, kBusyTimeoutMs);
        Statement probe(catalog->mDb, "SELECT count(*) FROM sqlite_master WHERE name IN ('volumes','scans','folders','files')");
        if (!probe || sqlite3_step(probe.get()) != SQLITE_ROW) {
            error = "cannot be read: " + catalog->lastError();
            continue;
        }
        if (sqlite3_column_int(probe.get(), 0) != 4) {
            error = "is not a Dirlix Pro catalog (its tables are missing)";
            return nullptr;
        }
        error.clear();
        return catalog;
    }
    return nullptr;
}

Catalog::~Catalog()
{
    sqlite3_close(mDb);
}

std::string Catalog::lastError() const
{
    return mDb ? sqlite3_errmsg(mDb) : "out of memory";
}

bool Catalog::exec(const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(mDb, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : lastError();
    sqlite3_free(message);
    return false;
}

bool Catalog::prepareForWriting(std::string& error)
{
    if (!exec("BEGIN IMMEDIATE", error)) {
        error = "cannot be opened for writing: " + error;
        return false;
    }
    // Checked again inside the transaction: the header check ran before another process may
    // have committed (and a WAL file may hold a newer header than the database file).
    const auto pragmaInt = [&](const char* sql) {
        Statement stmt(mDb, sql);
        return stmt && sqlite3_step(stmt.get()) == SQLITE_ROW ? sqlite3_column_int64(stmt.get(), 0) : -1;
    };
    const std::int64_t version = pragmaInt("PRAGMA user_version");
    const std::int64_t application = pragmaInt("PRAGMA application_id");
    const std::int64_t tables = pragmaInt("SELECT count(*) FROM sqlite_master");
    std::string ignored;
    if (version > kSchemaVersion) {
        exec("ROLLBACK", ignored);
        error = "was made by a newer version of Dirlix Pro (catalog version " + std::to_string(version) +
                "; this program knows version " + std::to_string(kSchemaVersion) + " and older): it is left unchanged";
        return false;
    }
    const bool ours = application == kApplicationId && version == kSchemaVersion;
    if (!ours && (application != 0 || version != 0 || tables != 0)) {
        exec("ROLLBACK", ignored);
        error = "is not a Dirlix Pro catalog (another program's database): it is left unchanged";
        return false;
    }
    if (!ours) {
        // A new catalog, made in one transaction of the rollback journal: an interrupted one
        // leaves a blank database, which the next open makes again.
        const std::string setup = std::string(kSchema) + "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                  ";PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
        if (!exec(setup.c_str(), error)) {
            exec("ROLLBACK", ignored);
            error = "cannot be made: " + error;
            return false;
        }
    }
    if (!exec("COMMIT", error)) {
        exec("ROLLBACK", ignored);
        error = "cannot be opened for writing: " + error;
        return false;
    }
    // WAL lets readers go on while a scan is added, and keeps an interrupted one out of the file.
    // The mode is kept in the file, so only a new catalog changes; only ours ever gets here.
    Statement mode(mDb, "PRAGMA journal_mode=WAL");
    if (!mode || sqlite3_step(mode.get()) != SQLITE_ROW) {
        error = "cannot be opened for writing: " + lastError();
        return false;
    }
    return exec("PRAGMA synchronous=NORMAL", error);
}

bool Catalog::volumes(std::vector<VolumeInfo>& out, std::string& error)
{
    out.clear();
    Statement volumes(mDb, "SELECT id, label, uuid, root, sub_path FROM volumes ORDER BY label");
    Statement scans(mDb, "SELECT id, volume_id, number, made_at, root, filters, files, folders, bytes, hash_algorithm, "
                         "first_file, last_file FROM scans ORDER BY volume_id, number");
    if (!volumes || !scans) {
        error = lastError();
        return false;
    }
    std::unordered_map<std::int64_t, std::size_t> byId;
    int step;
    while ((step = sqlite3_step(volumes.get())) == SQLITE_ROW) {
        VolumeInfo volume;
        volume.id = sqlite3_column_int64(volumes.get(), 0);
        volume.label = columnBytes(volumes.get(), 1);
        volume.uuid = columnBytes(volumes.get(), 2);
        volume.root = columnBytes(volumes.get(), 3);
        volume.subPath = columnBytes(volumes.get(), 4);
        byId[volume.id] = out.size();
        out.push_back(std::move(volume));
    }
    if (step != SQLITE_DONE) {
        error = lastError();
        return false;
    }
    while ((step = sqlite3_step(scans.get())) == SQLITE_ROW) {
        ScanInfo scan;
        sqlite3_stmt* s = scans.get();
        scan.id = sqlite3_column_int64(s, 0);
        const auto volume = byId.find(sqlite3_column_int64(s, 1));
        scan.number = sqlite3_column_int64(s, 2);
        scan.madeAt = sqlite3_column_int64(s, 3);
        scan.root = columnBytes(s, 4);
        scan.filters = columnBytes(s, 5);
        scan.files = std::uint64_t(sqlite3_column_int64(s, 6));
        scan.folders = std::uint64_t(sqlite3_column_int64(s, 7));
        scan.bytes = std::uint64_t(sqlite3_column_int64(s, 8));
        scan.hashAlgorithm = columnBytes(s, 9);
        scan.firstFile = sqlite3_column_int64(s, 10);
        scan.lastFile = sqlite3_column_int64(s, 11);
        if (volume != byId.end())
            out[volume->second].scans.push_back(std::move(scan));
    }
    if (step != SQLITE_DONE) {
        error = lastError();
        return false;
    }
    return true;
}

bool Catalog::remove(const std::string& what, std::string& error)
{
    if (!exec("BEGIN IMMEDIATE", error))
        return false;
    std::string ignored;
    const auto fail = [&](std::string why) {
        exec("ROLLBACK", ignored);
        error = std::move(why);
        return false;
    };
    const auto volumeNamed = [&](std::string_view label) -> std::int64_t {
        Statement find(mDb, "SELECT id FROM volumes WHERE label = ?1");
        if (!find)
            return 0;
        bindText(find.get(), 1, label);
        return sqlite3_step(find.get()) == SQLITE_ROW ? sqlite3_column_int64(find.get(), 0) : 0;
    };

    // "LABEL@N" names a scan when LABEL is a volume; a label that itself ends in "@N" still names its volume.
    std::int64_t volume = 0, number = 0;
    const std::size_t at = what.rfind('@');
    if (at != std::string::npos && at + 1 < what.size() &&
        what.find_first_not_of("0123456789", at + 1) == std::string::npos && what.size() - at <= 18) {
        volume = volumeNamed(std::string_view(what).substr(0, at));
        if (volume != 0)
            number = std::stoll(what.substr(at + 1));
    }
    if (volume == 0)
        volume = volumeNamed(what);
    if (volume == 0)
        return fail("no volume labelled " + what);

    Statement scans(mDb, number != 0 ? "SELECT id, first_file, last_file FROM scans WHERE volume_id = ?1 AND number = ?2"
                                     : "SELECT id, first_file, last_file FROM scans WHERE volume_id = ?1");
    Statement files(mDb, "DELETE FROM files WHERE rowid BETWEEN ?1 AND ?2");
    Statement folders(mDb, "DELETE FROM folders WHERE scan_id = ?1");
    Statement scan(mDb, "DELETE FROM scans WHERE id = ?1");
    if (!scans || !files || !folders || !scan)
        return fail(lastError());
    sqlite3_bind_int64(scans.get(), 1, volume);
    if (number != 0)
        sqlite3_bind_int64(scans.get(), 2, number);
    bool found = false;
    int step;
    while ((step = sqlite3_step(scans.get())) == SQLITE_ROW) {
        found = true;
        const std::int64_t id = sqlite3_column_int64(scans.get(), 0);
        for (sqlite3_stmt* stmt : {files.get(), folders.get(), scan.get()}) {
            sqlite3_reset(stmt);
            if (stmt == files.get()) {
                sqlite3_bind_int64(stmt, 1, sqlite3_column_int64(scans.get(), 1));
                sqlite3_bind_int64(stmt, 2, sqlite3_column_int64(scans.get(), 2));
            } else {
                sqlite3_bind_int64(stmt, 1, id);
            }
            if (sqlite3_step(stmt) != SQLITE_DONE)
                return fail(lastError());
        }
    }
    if (step != SQLITE_DONE)
        return fail(lastError());
    if (number != 0 && !found)
        return fail("volume " + what.substr(0, at) + " has no scan " + std::to_string(number));
    if (number == 0) {
        Statement drop(mDb, "DELETE FROM volumes WHERE id = ?1");
        if (!drop)
            return fail(lastError());
        sqlite3_bind_int64(drop.get(), 1, volume);
        if (sqlite3_step(drop.get()) != SQLITE_DONE)
            return fail(lastError());
    }
    if (!exec("COMMIT", error))
        return fail(error);
    return true;
}

ScanWriter::~ScanWriter()
{
    sqlite3_finalize(mInsertFile);
    sqlite3_finalize(mInsertFolder);
    if (mOpen) {
        std::string ignored;
        mCatalog.exec("ROLLBACK", ignored);
    }
}

bool ScanWriter::begin(const NewScan& scan, std::string& error)
{
    if (!mCatalog.exec("BEGIN IMMEDIATE", error))
        return false;
    mOpen = true;
    if (!findVolume(scan, error))
        return false;
    sqlite3* db = mCatalog.handle();
    Statement next(db, "SELECT coalesce(max(number), 0) + 1 FROM scans WHERE volume_id = ?1");
    Statement firstFile(db, "SELECT coalesce(max(rowid), 0) + 1 FROM files");
    Statement insert(db, "INSERT INTO scans(volume_id, number, made_at, root, filters, files, folders, bytes, "
                         "hash_algorithm, first_file, last_file) VALUES (?1, ?2, ?3, ?4, ?5, 0, 0, 0, ?6, 0, -1)");
    if (!next || !firstFile || !insert) {
        error = mCatalog.lastError();
        return false;
    }
    sqlite3_bind_int64(next.get(), 1, mVolume);
    if (sqlite3_step(next.get()) != SQLITE_ROW || sqlite3_step(firstFile.get()) != SQLITE_ROW) {
        error = mCatalog.lastError();
        return false;
    }
    mNumber = sqlite3_column_int64(next.get(), 0);
    mFirstFile = sqlite3_column_int64(firstFile.get(), 0);
    mLastFile = mFirstFile - 1;
    sqlite3_bind_int64(insert.get(), 1, mVolume);
    sqlite3_bind_int64(insert.get(), 2, mNumber);
    sqlite3_bind_int64(insert.get(), 3, scan.madeAt);
    bindBytes(insert.get(), 4, scan.root);
    bindText(insert.get(), 5, scan.filters);
    if (scan.hashAlgorithm.empty())
        sqlite3_bind_null(insert.get(), 6);
    else
        bindText(insert.get(), 6, scan.hashAlgorithm);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        error = mCatalog.lastError();
        return false;
    }
    mScan = sqlite3_last_insert_rowid(db);
    // Files get their rowids in one run (nothing else writes while the transaction lasts), so a
    // scan's files are a range of rowids: found and removed without an index.
    if (sqlite3_prepare_v3(db, "INSERT INTO files(rowid, scan_id, folder_id, name, size, attrib, created, modified) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                           -1, SQLITE_PREPARE_PERSISTENT, &mInsertFile, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v3(db, "INSERT INTO folders(scan_id, id, path) VALUES (?1, ?2, ?3)", -1,
                           SQLITE_PREPARE_PERSISTENT, &mInsertFolder, nullptr) != SQLITE_OK) {
        error = mCatalog.lastError();
        return false;
    }
    sqlite3_bind_int64(mInsertFile, 2, mScan);
    sqlite3_bind_int64(mInsertFolder, 1, mScan);
    return true;
}

bool ScanWriter::findVolume(const NewScan& scan, std::string& error)
{
    sqlite3* db = mCatalog.handle();
    const auto idOf = [&](Statement& stmt) -> std::int64_t {
        if (!stmt)
            return -1;
        const int step = sqlite3_step(stmt.get());
        if (step == SQLITE_ROW) {
            mLabel = columnBytes(stmt.get(), 1);
            return sqlite3_column_int64(stmt.get(), 0);
        }
        return step == SQLITE_DONE ? 0 : -1;
    };
    std::int64_t id = 0;
    if (!scan.label.empty()) {
        Statement byLabel(db, "SELECT id, label FROM volumes WHERE label = ?1");
        if (byLabel)
            bindText(byLabel.get(), 1, scan.label);
        id = idOf(byLabel);
    } else if (!scan.identity.uuid.empty()) {
        // The same file system and the same folder on it, wherever it is mounted today.
        Statement byIdentity(db, "SELECT id, label FROM volumes WHERE uuid = ?1 AND sub_path = ?2");
        if (byIdentity) {
            bindText(byIdentity.get(), 1, scan.identity.uuid);
            bindBytes(byIdentity.get(), 2, scan.identity.subPath);
        }
        id = idOf(byIdentity);
    } else {
        Statement byRoot(db, "SELECT id, label FROM volumes WHERE uuid IS NULL AND root = ?1");
        if (byRoot)
            bindBytes(byRoot.get(), 1, scan.root);
        id = idOf(byRoot);
    }
    if (id < 0) {
        error = mCatalog.lastError();
        return false;
    }
    if (id > 0) {
        mVolume = id;
        Statement update(db, "UPDATE volumes SET root = ?2, uuid = coalesce(?3, uuid), sub_path = coalesce(?4, sub_path) "
                             "WHERE id = ?1");
        if (!update) {
            error = mCatalog.lastError();
            return false;
        }
        sqlite3_bind_int64(update.get(), 1, id);
        bindBytes(update.get(), 2, scan.root);
        if (!scan.identity.uuid.empty()) {
            bindText(update.get(), 3, scan.identity.uuid);
            bindBytes(update.get(), 4, scan.identity.subPath);
        }
        if (sqlite3_step(update.get()) != SQLITE_DONE) {
            error = mCatalog.lastError();
            return false;
        }
        return true;
    }

    // A new volume. Its label must be unique: a default one that is taken gets a number.
    mLabel = scan.label.empty() ? scan.defaultLabel : scan.label;
    if (mLabel.empty())
        mLabel = "volume";
    Statement taken(db, "SELECT 1 FROM volumes WHERE label = ?1");
    for (int suffix = 2; taken; ++suffix) {
        sqlite3_reset(taken.get());
        bindText(taken.get(), 1, mLabel);
        const int step = sqlite3_step(taken.get());
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW) {
            error = mCatalog.lastError();
            return false;
        }
        const std::string base = scan.label.empty() ? scan.defaultLabel : scan.label;
        mLabel = (base.empty() ? std::string("volume") : base) + " (" + std::to_string(suffix) + ")";
        sqlite3_clear_bindings(taken.get());
    }
    Statement insert(db, "INSERT INTO volumes(label, uuid, root, sub_path) VALUES (?1, ?2, ?3, ?4)");
    if (!insert) {
        error = mCatalog.lastError();
        return false;
    }
    bindText(insert.get(), 1, mLabel);
    if (!scan.identity.uuid.empty()) {
        bindText(insert.get(), 2, scan.identity.uuid);
        bindBytes(insert.get(), 4, scan.identity.subPath);
    }
    bindBytes(insert.get(), 3, scan.root);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        error = mCatalog.lastError();
        return false;
    }
    mVolume = sqlite3_last_insert_rowid(db);
    return true;
}

std::int64_t ScanWriter::folder(std::string_view folder, std::string& error)
{
    if (mLastFolder != 0 && folder == mLastFolderText)
        return mLastFolder;
    const auto [it, added] = mFolders.try_emplace(std::string(folder), std::int64_t(mFolders.size() + 1));
    if (added) {
        sqlite3_reset(mInsertFolder);
        sqlite3_bind_int64(mInsertFolder, 2, it->second);
        bindBytes(mInsertFolder, 3, it->first);
        if (sqlite3_step(mInsertFolder) != SQLITE_DONE) {
            error = mCatalog.lastError();
            mFolders.erase(it);
            return 0;
        }
    }
    mLastFolderText = it->first;
    mLastFolder = it->second;
    return it->second;
}

bool ScanWriter::addFile(std::int64_t folder, std::string_view name, const FileRecord& values, std::string& error)
{
    sqlite3_stmt* stmt = mInsertFile;
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, ++mLastFile);
    sqlite3_bind_int64(stmt, 3, folder);
    bindBytes(stmt, 4, name);
    if (values.valuesKnown()) {
        sqlite3_bind_int64(stmt, 5, values.size);
        sqlite3_bind_int64(stmt, 7, values.created);
        sqlite3_bind_int64(stmt, 8, values.modified);
    } else {
        sqlite3_bind_null(stmt, 5);
        sqlite3_bind_null(stmt, 7);
        sqlite3_bind_null(stmt, 8);
    }
    sqlite3_bind_int(stmt, 6, values.attributes);
    if (sqlite3_step(stmt) != SQLITE_DONE) {
        error = mCatalog.lastError();
        --mLastFile;
        return false;
    }
    ++mFiles;
    if (values.valuesKnown() && values.size > 0)
        mBytes += std::uint64_t(values.size);
    return true;
}

bool ScanWriter::commit(std::string& error)
{
    Statement totals(mCatalog.handle(),
                     "UPDATE scans SET files = ?2, folders = ?3, bytes = ?4, first_file = ?5, last_file = ?6, "
                     "root = coalesce(?7, root) WHERE id = ?1");
    if (!totals) {
        error = mCatalog.lastError();
        return false;
    }
    sqlite3_bind_int64(totals.get(), 1, mScan);
    sqlite3_bind_int64(totals.get(), 2, std::int64_t(mFiles));
    sqlite3_bind_int64(totals.get(), 3, std::int64_t(mFolders.size()));
    sqlite3_bind_int64(totals.get(), 4, std::int64_t(mBytes));
    sqlite3_bind_int64(totals.get(), 5, mFirstFile);
    sqlite3_bind_int64(totals.get(), 6, mLastFile);
    if (mRoot)
        bindBytes(totals.get(), 7, *mRoot);
    if (sqlite3_step(totals.get()) != SQLITE_DONE) {
        error = mCatalog.lastError();
        return false;
    }
    if (!mCatalog.exec("COMMIT", error))
        return false;
    mOpen = false;
    return true;
}

} // namespace dirlix::catalog
