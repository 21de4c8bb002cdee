// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: finding files in a catalog.
#include "catalog/CatalogFind.h"

#include "search/CaseFold.h"

#include <sqlite3.h>

namespace dirlix::catalog {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether @p needle (ASCII, lowered) is a part of @p name (ASCII), ignoring case.
bool containsAsciiFolded(std::string_view name, std::string_view needle)
{
    if (needle.size() > name.size())
        return false;
    const char first = needle[0];
    for (std::size_t i = 0, last = name.size() - needle.size(); i <= last; ++i) {
        if (lowerAscii(name[i]) != first)
            continue;
        std::size_t j = 1;
        while (j < needle.size() && lowerAscii(name[i + j]) == needle[j])
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The name test as an SQL function, so that SQLite hands back only the rows whose name matches:
// most rows never leave its loop.
void nameMatches(sqlite3_context* context, int, sqlite3_value** values)
{
    auto* finder = static_cast<NameFinder*>(sqlite3_user_data(context));
    const void* data = sqlite3_value_blob(values[0]);
    const std::string_view name(data ? static_cast<const char*>(data) : "", std::size_t(sqlite3_value_bytes(values[0])));
    sqlite3_result_int(context, finder->matches(name) ? 1 : 0);
}

constexpr const char* kMatchFunction = "dirlix_name_matches";

} // namespace

bool NameFinder::prepare(const std::string& text, bool caseSensitive, std::string& error)
{
    mCaseSensitive = caseSensitive;
    mIsMask = text.find_first_of("*?") != std::string::npos;
    if (mIsMask)
        return mMasks.add(text, caseSensitive, error);
    mNeedle = text;
    mAsciiNeedle = isAscii(text);
    if (caseSensitive)
        return true;
    for (char& c : mNeedle)
        c = lowerAscii(c);
    mNeedleUnicode = decodeUtf8(text, mNeedleChars);
    for (char32_t& c : mNeedleChars)
        c = foldCase(c);
    mNeedleBytes.clear();
    for (const char c : text)
        mNeedleBytes += char32_t(static_cast<unsigned char>(lowerAscii(c)));
    return true;
}

bool NameFinder::matches(std::string_view name)
{
    if (mIsMask) {
        mSubject.assign(name);
        return mMasks.matches(mSubject);
    }
    if (mNeedle.empty())
        return true;
    if (mCaseSensitive)
        return name.find(mNeedle) != std::string_view::npos;
    // Most names are ASCII: compared as they are. Others are folded whole, since a character
    // outside ASCII may fold to an ASCII letter (the Kelvin sign to 'k').
    if (mAsciiNeedle && isAscii(name))
        return containsAsciiFolded(name, mNeedle);
    mSubject.assign(name);
    if (mSubject.unicode)
        return mNeedleUnicode && mSubject.folded.find(mNeedleChars) != std::u32string::npos;
    return mSubject.folded.find(mNeedleBytes) != std::u32string::npos;
}

CatalogRows::CatalogRows(Catalog& catalog, FindQuery query) : mCatalog(catalog), mQuery(std::move(query)) {}

CatalogRows::~CatalogRows()
{
    sqlite3_finalize(mFiles);
    sqlite3_create_function_v2(mCatalog.handle(), kMatchFunction, 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
    if (mInTransaction) {
        std::string ignored;
        mCatalog.exec("COMMIT", ignored);
    }
}

bool CatalogRows::prepare(std::string& error)
{
    if (!mFinder.prepare(mQuery.mask, mQuery.filter.caseSensitive, error))
        return false;
    if (const std::string problem = mQuery.filter.problem(mQuery.now); !problem.empty()) {
        error = problem;
        return false;
    }
    WalkOptions options;
    mQuery.filter.applyTo(options, mQuery.now);
    mFilter = options.filter;

    if (!mCatalog.exec("BEGIN", error))
        return false;
    mInTransaction = true;
    sqlite3* db = mCatalog.handle();
    sqlite3_stmt* scans = nullptr;
    const char* sql = "SELECT s.id, s.number, s.first_file, s.last_file, v.label, s.root FROM scans s "
                      "JOIN volumes v ON v.id = s.volume_id "
                      "WHERE (?1 OR s.number = (SELECT max(number) FROM scans t WHERE t.volume_id = s.volume_id)) "
                      "AND (?2 = '' OR v.label = ?2) ORDER BY v.label, s.number";
    if (sqlite3_prepare_v2(db, sql, -1, &scans, nullptr) != SQLITE_OK) {
        error = mCatalog.lastError();
        return false;
    }
    sqlite3_bind_int(scans, 1, mQuery.allScans ? 1 : 0);
    sqlite3_bind_text64(scans, 2, mQuery.volume.data(), mQuery.volume.size(), SQLITE_STATIC, SQLITE_UTF8);
    int step;
    while ((step = sqlite3_step(scans)) == SQLITE_ROW) {
        const auto text = [&](int column) {
            const void* data = sqlite3_column_blob(scans, column);
            return data ? std::string(static_cast<const char*>(data), std::size_t(sqlite3_column_bytes(scans, column)))
                        : std::string();
        };
        mScans.push_back({sqlite3_column_int64(scans, 0), sqlite3_column_int64(scans, 1),
                          sqlite3_column_int64(scans, 2), sqlite3_column_int64(scans, 3), text(4), text(5)});
    }
    sqlite3_finalize(scans);
    if (step != SQLITE_DONE) {
        error = mCatalog.lastError();
        return false;
    }
    if (sqlite3_create_function_v2(db, kMatchFunction, 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, &mFinder, nameMatches,
                                   nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "SELECT folder_id, name, size, attrib, created, modified FROM files "
                               "WHERE rowid BETWEEN ?1 AND ?2 AND dirlix_name_matches(name)",
                           -1, &mFiles, nullptr) != SQLITE_OK) {
        error = mCatalog.lastError();
        return false;
    }
    return true;
}

bool CatalogRows::openScan()
{
    const Scan& scan = mScans[mNextScan++];
    mVolume = scan.label;
    mRoot = scan.root;
    mScanNumber = scan.number;
    mFolders.clear();
    mFolderKept.clear();
    sqlite3_stmt* folders = nullptr;
    if (sqlite3_prepare_v2(mCatalog.handle(), "SELECT id, path FROM folders WHERE scan_id = ?1", -1, &folders,
                           nullptr) != SQLITE_OK) {
        mError = mCatalog.lastError();
        return false;
    }
    sqlite3_bind_int64(folders, 1, scan.id);
    int step;
    while ((step = sqlite3_step(folders)) == SQLITE_ROW) {
        const std::int64_t id = sqlite3_column_int64(folders, 0);
        if (id < 0 || id > (std::int64_t(1) << 32))
            continue;
        if (std::size_t(id) >= mFolders.size())
            mFolders.resize(std::size_t(id) + 1);
        const void* data = sqlite3_column_blob(folders, 1);
        mFolders[std::size_t(id)].assign(data ? static_cast<const char*>(data) : "",
                                         std::size_t(sqlite3_column_bytes(folders, 1)));
    }
    sqlite3_finalize(folders);
    if (step != SQLITE_DONE) {
        mError = mCatalog.lastError();
        return false;
    }
    mFolderKept.assign(mFolders.size(), -1);
    sqlite3_reset(mFiles);
    sqlite3_bind_int64(mFiles, 1, scan.firstFile);
    sqlite3_bind_int64(mFiles, 2, scan.lastFile);
    return true;
}

bool CatalogRows::folderKept(std::int64_t folder)
{
    if (!mFilter)
        return true;
    if (folder < 0 || std::size_t(folder) >= mFolders.size())
        return true;
    std::int8_t& kept = mFolderKept[std::size_t(folder)];
    if (kept < 0) {
        // The folders below the scan's start are the ones its walk entered: each must still be
        // one the filter enters.
        const std::string& path = mFolders[std::size_t(folder)];
        kept = 1;
        if (!mRoot.empty() && path.compare(0, mRoot.size(), mRoot) == 0) {
            const char separator = mRoot.back();
            std::string_view below = std::string_view(path).substr(mRoot.size());
            while (!below.empty() && kept == 1) {
                const std::size_t end = below.find(separator);
                if (!mFilter->entersFolder(below.substr(0, end), mFilterScratch))
                    kept = 0;
                below = end == std::string_view::npos ? std::string_view() : below.substr(end + 1);
            }
        }
    }
    return kept == 1;
}

bool CatalogRows::next(Row& row)
{
    if (!mError.empty())
        return false;
    for (;;) {
        if (mStop && mStop->load(std::memory_order_relaxed))
            return false;
        if (mNextScan == 0 || sqlite3_stmt_busy(mFiles) == 0) {
            if (mNextScan >= mScans.size() || !openScan())
                return false;
        }
        const int step = sqlite3_step(mFiles);
        if (step == SQLITE_DONE) {
            sqlite3_reset(mFiles);
            continue;
        }
        if (step != SQLITE_ROW) {
            mError = mCatalog.lastError();
            return false;
        }
        const void* data = sqlite3_column_blob(mFiles, 1);
        const std::string_view name(data ? static_cast<const char*>(data) : "",
                                    std::size_t(sqlite3_column_bytes(mFiles, 1)));
        FileRecord values;
        values.attributes = std::uint16_t(sqlite3_column_int(mFiles, 3));
        if (sqlite3_column_type(mFiles, 2) == SQLITE_NULL) {
            values.flags = RecordValuesUnknown;
        } else {
            values.size = sqlite3_column_int64(mFiles, 2);
            values.created = sqlite3_column_int64(mFiles, 4);
            values.modified = sqlite3_column_int64(mFiles, 5);
        }
        if (mFilter && !(mFilter->keepsName(name, mFilterScratch) && mFilter->keepsFile(name, values)))
            continue;
        const std::int64_t folder = sqlite3_column_int64(mFiles, 0);
        if (!folderKept(folder))
            continue;
        row = Row{};
        row.name = name; // valid until the next step, which the next call makes
        row.folder = folder >= 0 && std::size_t(folder) < mFolders.size() ? std::string_view(mFolders[std::size_t(folder)])
                                                                          : std::string_view();
        row.values = values;
        row.datePattern = mQuery.datePattern;
        return true;
    }
}

} // namespace dirlix::catalog
