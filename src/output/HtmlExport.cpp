// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the web page exporter: the page's frame, the rows as JSON data blocks, the folder table.
#include "output/HtmlExport.h"

#include "output/DateTime.h"
#include "output/FormatDate.h"
#include "output/HtmlPage.h"
#include "output/JsonLines.h"

#include <ctime>
#include <random>
#include <unordered_map>
#include <vector>

namespace dirlix {

namespace {

// A data block is closed and written when it holds about this much: the page parses one block at
// a time, and the writer's memory stays this size however many rows come.
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr std::uint64_t kProgressStep = 1024;
// JavaScript numbers are exact up to 2^53; a larger size goes in as a text of digits.
constexpr std::uint64_t kExactInScript = std::uint64_t(1) << 53;

constexpr std::string_view kRowsMarker = "<!--ROWS-->";
constexpr std::string_view kNonceMarker = "__NONCE__";

void appendNumber(std::string& out, std::uint64_t value)
{
    if (value >= kExactInScript) {
        out += '"';
        out += std::to_string(value);
        out += '"';
    } else {
        out += std::to_string(value);
    }
}

// Seconds of the local wall-clock time since 1970-01-01 00:00: the page does its own calendar
// arithmetic on it, so the page shows the times of this computer's zone in any browser.
std::int64_t localSeconds(std::int64_t stamp)
{
    const DateTime when = localFromUnix(stamp);
    return daysFromCivil(when.year, when.month, when.day) * 86400 + when.hour * 3600 + when.minute * 60 + when.second;
}

void appendPieces(std::string& out, const std::vector<DatePattern::Piece>& pieces)
{
    static constexpr const char* kCodes[] = {"", "d", "w", "m", "M", "n", "j", "y", "h", "s", "ap"};
    out += '[';
    bool first = true;
    for (const DatePattern::Piece& piece : pieces) {
        if (!first)
            out += ',';
        first = false;
        if (piece.field == DatePattern::Piece::Text) {
            appendScriptJsonString(out, piece.text);
        } else if (piece.field == DatePattern::Piece::AmPm) {
            out += "[\"ap\",";
            appendScriptJsonString(out, piece.text);
            out += ',';
            appendScriptJsonString(out, piece.afternoon);
            out += ']';
        } else {
            out += "[\"";
            out += kCodes[piece.field];
            out += "\",";
            out += std::to_string(piece.width);
            if (piece.twelveHour)
                out += ",1";
            out += ']';
        }
    }
    out += ']';
}

template <std::size_t N>
void appendNames(std::string& out, const char* key, const std::array<std::string, N>& names)
{
    out += '"';
    out += key;
    out += "\":[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i != 0)
            out += ',';
        appendScriptJsonString(out, names[i]);
    }
    out += ']';
}

// The folders of the rows, each once, known by its parent and its name: memory grows with the
// folders, not with the rows or the depth of the paths.
class FolderTable {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    struct Folder {
        std::uint32_t parent = kNone;
        std::uint32_t nameOffset = 0, nameLength = 0; // in mNames
        std::uint64_t files = 0, size = 0, allFiles = 0, allSize = 0;
    };

    /** The number of @p folder (a path text ending in its separator), adding it and its parents when new. */
    std::uint32_t numberOf(std::string_view folder)
    {
        if (!mFolders.empty() && folder == mLast)
            return mLastNumber;
        std::uint32_t parent = kNone;
        std::size_t begin = 0;
        const char separator = folder.empty() ? '/' : folder.back();
        while (begin < folder.size()) {
            std::size_t end = folder.find(separator, begin);
            end = end == std::string_view::npos ? folder.size() : end;
            parent = child(parent, folder.substr(begin, end - begin));
            begin = end + 1;
        }
        if (parent == kNone) // an empty folder text: one nameless folder
            parent = child(kNone, {});
        mLast.assign(folder);
        mLastNumber = parent;
        return parent;
    }

    std::vector<Folder>& folders() { return mFolders; }
    std::string_view nameOf(const Folder& folder) const { return std::string_view(mNames).substr(folder.nameOffset, folder.nameLength); }

private:
    std::uint32_t child(std::uint32_t parent, std::string_view name)
    {
        mKey.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
        mKey += name;
        const auto [at, added] = mIndex.try_emplace(mKey, std::uint32_t(mFolders.size()));
        if (added) {
            mFolders.push_back(Folder{parent, std::uint32_t(mNames.size()), std::uint32_t(name.size())});
            mNames += name;
        }
        return at->second;
    }

    std::vector<Folder> mFolders;
    std::string mNames;
    std::unordered_map<std::string, std::uint32_t> mIndex;
    std::string mKey, mLast;
    std::uint32_t mLastNumber = kNone;
};

// The distinct date patterns of the rows, by number; the first is 0.
class PatternTable {
public:
    std::uint32_t numberOf(std::string_view pattern)
    {
        if (!mPatterns.empty() && pattern == mPatterns[mLast])
            return mLast;
        for (std::uint32_t i = 0; i < mPatterns.size(); ++i)
            if (mPatterns[i] == pattern)
                return mLast = i;
        mPatterns.emplace_back(pattern);
        return mLast = std::uint32_t(mPatterns.size() - 1);
    }
    const std::vector<std::string>& patterns() const { return mPatterns; }

private:
    std::vector<std::string> mPatterns;
    std::uint32_t mLast = 0;
};

std::string newNonce()
{
    std::random_device random;
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t word = random();
        bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
    }
    std::string nonce;
    appendBase64(nonce, bytes);
    return nonce;
}

std::string withNonce(std::string_view text, const std::string& nonce)
{
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t marker = text.find(kNonceMarker, at);
        if (marker == std::string_view::npos) {
            out += text.substr(at);
            return out;
        }
        out += text.substr(at, marker - at);
        out += nonce;
        at = marker + kNonceMarker.size();
    }
}

// A row's column text when the row carries its own, else null.
const std::string* ownText(const Row& row, int column)
{
    return row.texts && (row.textMask & (1u << (column - 1))) ? &row.texts[column - 1] : nullptr;
}

// One file: [name, size, attribute bits, created, modified(, pattern)]. The times are local
// seconds written as differences, which keeps a million rows small and quick to read: modified
// less the modified time of the file before (@p base, the last one written, 0 at first), then
// created less that new base. A value the row carries as text goes in as that text.
void appendFile(std::string& out, const Row& row, std::uint32_t pattern, std::int64_t& base)
{
    out += '[';
    appendScriptJsonString(out, row.name);
    const bool known = row.values.valuesKnown();
    const auto value = [&](int column, auto&& number) {
        out += ',';
        if (const std::string* text = ownText(row, column))
            appendScriptJsonString(out, *text);
        else if (known)
            number();
        else
            out += "null";
    };
    value(2, [&] { row.values.size < 0 ? void(out += "null") : appendNumber(out, std::uint64_t(row.values.size)); });
    out += ',';
    if (const std::string* text = ownText(row, 3))
        appendScriptJsonString(out, *text);
    else
        out += std::to_string(row.values.attributes);
    const bool modifiedNumber = known && !ownText(row, 5);
    const std::int64_t modified = modifiedNumber ? localSeconds(row.values.modified) : 0;
    const std::int64_t before = base;
    if (modifiedNumber)
        base = modified;
    value(4, [&] { out += std::to_string(localSeconds(row.values.created) - base); });
    value(5, [&] { out += std::to_string(modified - before); });
    if (pattern != 0) {
        out += ',';
        out += std::to_string(pattern);
    }
    out += ']';
}

} // namespace

void appendScriptJsonString(std::string& out, std::string_view bytes)
{
    // The JSON text goes straight into @p out; only a name holding one of the characters a script
    // element cannot carry as they are is written again, through a copy.
    const std::size_t from = out.size();
    appendJsonString(out, bytes);
    const auto unsafe = [](std::string_view json, std::size_t i) {
        const char c = json[i];
        return c == '<' || c == '>' || c == '&' ||
               (c == '\xE2' && i + 2 < json.size() && json[i + 1] == '\x80' &&
                (json[i + 2] == '\xA8' || json[i + 2] == '\xA9'));
    };
    std::size_t first = from;
    while (first < out.size() && !unsafe(out, first))
        ++first;
    if (first == out.size())
        return;
    const std::string json = out.substr(first);
    out.resize(first);
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (!unsafe(json, i))
            out += c;
        else if (c == '<')
            out += "\\u003c";
        else if (c == '>')
            out += "\\u003e";
        else if (c == '&')
            out += "\\u0026";
        else {
            out += json[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        }
    }
}

ExportResult HtmlExporter::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                 const std::atomic<bool>* stop)
{
    ExportResult result;
    result.path = target.path();
    progress.rowsTotal.store(rows.total().value_or(0), std::memory_order_relaxed);
    if (!target.open()) {
        result.error = target.error();
        return result;
    }
    const std::int64_t madeAt = mInfo.madeAt != 0 ? mInfo.madeAt : std::int64_t(std::time(nullptr));
    const std::string nonce = newNonce();
    const std::size_t marker = kHtmlPage.find(kRowsMarker);
    const std::string_view head = kHtmlPage.substr(0, marker);
    const std::string_view tail = marker == std::string_view::npos ? std::string_view() : kHtmlPage.substr(marker + kRowsMarker.size());

    auto stopped = [&] {
        target.discard();
        result.stopped = true;
        return result;
    };
    auto fail = [&] {
        target.discard();
        result.error = target.error();
        return result;
    };

    FolderTable folders;
    PatternTable patterns;
    std::uint32_t start = FolderTable::kNone;
    if (!mInfo.startFolder.empty())
        start = folders.numberOf(mInfo.startFolder);

    std::string buffer = withNonce(head, nonce);
    buffer.reserve(kBlockBytes + 65536);
    constexpr std::string_view kBlockStart = "<script type=\"application/json\" class=\"dx-rows\">[";
    constexpr std::string_view kBlockEnd = "]]</script>\n";
    bool inBlock = false;
    std::string separator = mInfo.startFolder.empty() ? std::string() : mInfo.startFolder.substr(mInfo.startFolder.size() - 1);
    std::uint32_t runFolder = FolderTable::kNone;
    std::uint64_t written = 0, totalSize = 0;
    std::int64_t timeBase = 0;
    Row row;
    while (rows.next(row)) {
        const std::uint32_t folder = folders.numberOf(row.folder);
        const std::uint32_t pattern = patterns.numberOf(row.datePattern);
        if (separator.empty() && !row.folder.empty())
            separator = row.folder.back();
        if (!inBlock) {
            buffer += kBlockStart;
            inBlock = true;
        }
        // Files of one folder in a row share one run: [folder,[file],[file],...].
        if (folder != runFolder) {
            if (runFolder != FolderTable::kNone)
                buffer += "],";
            buffer += '[';
            buffer += std::to_string(folder);
            runFolder = folder;
        }
        buffer += ',';
        appendFile(buffer, row, pattern, timeBase);
        auto& entry = folders.folders()[folder];
        ++entry.files;
        if (row.values.valuesKnown() && row.values.size > 0 && !ownText(row, 2)) {
            entry.size += std::uint64_t(row.values.size);
            totalSize += std::uint64_t(row.values.size);
        }
        ++written;
        if (written % kProgressStep == 0) {
            progress.rowsWritten.store(written, std::memory_order_relaxed);
            if (stop && stop->load(std::memory_order_relaxed))
                return stopped();
        }
        if (buffer.size() >= kBlockBytes) {
            buffer += kBlockEnd;
            inBlock = false;
            runFolder = FolderTable::kNone;
            if (!target.write(buffer))
                return fail();
            buffer.clear();
        }
    }
    if (stop && stop->load(std::memory_order_relaxed))
        return stopped();
    if (inBlock)
        buffer += kBlockEnd;

    // Each folder's figures with those of every folder below it: a folder always comes after its
    // parent, so one pass from the last folder to the first adds every folder into its parent.
    auto& table = folders.folders();
    for (auto& folder : table) {
        folder.allFiles += folder.files;
        folder.allSize += folder.size;
    }
    for (std::size_t i = table.size(); i-- > 0;) {
        if (table[i].parent != FolderTable::kNone) {
            table[table[i].parent].allFiles += table[i].allFiles;
            table[table[i].parent].allSize += table[i].allSize;
        }
    }

    std::string made;
    DatePattern(patterns.patterns().empty() ? std::string(kDefaultDatePattern) : patterns.patterns().front())
        .appendTo(made, localFromUnix(madeAt), mLocale);
    buffer += "<script type=\"application/json\" id=\"dx-list\">{\"version\":1,\"start\":";
    if (start == FolderTable::kNone)
        buffer += "null";
    else
        buffer += std::to_string(start);
    buffer += ",\"separator\":";
    appendScriptJsonString(buffer, separator.empty() ? std::string_view("/") : std::string_view(separator));
    buffer += ",\"made\":";
    appendScriptJsonString(buffer, made);
    buffer += ",\"files\":";
    buffer += std::to_string(written);
    buffer += ",\"size\":";
    appendNumber(buffer, totalSize);
    buffer += ",\"captions\":[\"File\",\"Size\",\"Attrib\",\"Created\",\"Modified\",\"Directory\"]";
    buffer += ",\"locale\":{";
    appendNames(buffer, "monthShort", mLocale.monthShort);
    buffer += ',';
    appendNames(buffer, "monthLong", mLocale.monthLong);
    buffer += ',';
    appendNames(buffer, "dayShort", mLocale.dayShort);
    buffer += ',';
    appendNames(buffer, "dayLong", mLocale.dayLong);
    buffer += "},\"patterns\":[";
    for (std::size_t i = 0; i < patterns.patterns().size(); ++i) {
        if (i != 0)
            buffer += ',';
        appendPieces(buffer, DatePattern(patterns.patterns()[i]).pieces(mLocale));
    }
    buffer += "],\"folders\":[";
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& folder = table[i];
        if (i != 0)
            buffer += ',';
        buffer += '[';
        buffer += folder.parent == FolderTable::kNone ? std::string("-1") : std::to_string(folder.parent);
        buffer += ',';
        appendScriptJsonString(buffer, folders.nameOf(folder));
        buffer += ',';
        buffer += std::to_string(folder.files);
        buffer += ',';
        appendNumber(buffer, folder.size);
        buffer += ',';
        buffer += std::to_string(folder.allFiles);
        buffer += ',';
        appendNumber(buffer, folder.allSize);
        buffer += ']';
        if (buffer.size() >= kBlockBytes) {
            if (!target.write(buffer))
                return fail();
            buffer.clear();
        }
    }
    buffer += "]}</script>\n";
    buffer += withNonce(tail, nonce);
    if (!target.write(buffer) || !target.commit())
        return fail();
    progress.rowsWritten.store(written, std::memory_order_relaxed);
    result.ok = true;
    result.rows = written;
    return result;
}

} // namespace dirlix
