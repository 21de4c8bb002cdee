// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: JSON Lines: one JSON object per row, names kept exact even when they are not UTF-8.
#pragma once

#include "output/ColumnTexts.h"
#include "output/Exporter.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dirlix {

/**
 * Appends @p bytes to @p out as a JSON string, quotes included: valid UTF-8 as it is, with JSON's
 * escapes for '"', '\\' and the control characters; each byte that is not part of a valid UTF-8
 * sequence (a stray or cut sequence, an overlong form, a surrogate, a code point above U+10FFFF)
 * as one U+FFFD. Returns true when nothing was replaced, so that the text is @p bytes exactly.
 */
bool appendJsonString(std::string& out, std::string_view bytes);

/**
 * A short excerpt of @p bytes for a message, between double quotes: at most @p limit characters
 * of it, then "..." when there was more; printable text as it is, '"' and '\\' escaped,
 * control characters as \n, \t, \r or \xHH and each byte that is not valid UTF-8 as \xHH, so
 * that nothing of the excerpt can act on a terminal.
 */
std::string messageExcerpt(std::string_view bytes, std::size_t limit = 40);

/** Appends @p bytes in standard base64 (the alphabet A-Z a-z 0-9 + /, with '=' padding). */
void appendBase64(std::string& out, std::string_view bytes);

/**
 * Appends @p seconds (since the epoch) as ISO 8601 local time with its UTC offset in the
 * process's time zone: "2024-03-07T14:05:09+01:00". Years before 0 or after 9999 get a sign
 * ("-0044", "+10000"); an offset with seconds (old local mean times) is written "+00:19:32".
 */
void appendIsoLocalTime(std::string& out, std::int64_t seconds);

/** A text member of a row's object, written before the row's own keys ("change": "added"). */
struct JsonTextMember {
    std::string_view key;  ///< written as it is: ASCII, nothing to escape
    std::string_view text; ///< escaped as appendJsonString() does
};

/**
 * Appends the JSON object of @p row to @p out, ended by a line feed, with the keys name, folder,
 * path (folder followed by name), size (a number), attrib (the letters), created and modified
 * (appendIsoLocalTime()), created_text and modified_text (the list's Created and Modified
 * texts), and, for a name or folder that is not valid UTF-8, name_b64 / folder_b64 with its exact
 * bytes; when the row carries checksums (Row::hashAlgorithm set), last hash (null when the file has
 * none) and hash_algorithm. A value that could not be read is null. A row of texts gives its own texts; its size is
 * the number its Size text holds, else null, and its created and modified are null.
 * @p leading members come first, in their order. @p texts makes the date texts; the same object
 * should serve every row, since it keeps the last date pattern compiled.
 */
void appendJsonLine(std::string& out, const Row& row, RowTexts& texts, std::span<const JsonTextMember> leading = {});

/** A file row read back from a JSON Lines object. */
struct JsonLineRow {
    std::string name;   ///< the exact bytes: from name_b64 when the object has it, else the name text
    std::string folder; ///< likewise from folder_b64 or folder
    std::optional<std::int64_t> size;     ///< empty for null
    std::optional<std::int64_t> modified; ///< seconds since the epoch; empty for null
    std::optional<std::int64_t> created;  ///< likewise
    /** Every other member whose value is a string ("change", "attrib", "created_text", ...), in the line's order. */
    std::vector<std::pair<std::string, std::string>> texts;

    /** The text member @p key; null when the line has none. */
    const std::string* text(std::string_view key) const
    {
        for (const auto& [name, value] : texts)
            if (name == key)
                return &value;
        return nullptr;
    }
};

/**
 * Reads one line written by appendJsonLine() (its line feed may be left on) into @p row. Strict:
 * the line must be one JSON object of strings, numbers, true, false and null, in valid UTF-8 with
 * valid escapes, each key once, with the strings name and folder (or, without both, a string path,
 * split after its last '/'); size must be a whole number of bytes or null; modified and created
 * ISO 8601 times with an offset (or "Z") or null; name_b64 and folder_b64 standard base64 of bytes
 * that their text shows; path, when given, the text of the folder's bytes followed by the name's.
 * A row with a folder must be one a walk can give: the folder ends in the separator and holds no
 * zero byte; the name is not empty, ".", "..", and holds neither a separator nor a zero byte. A
 * row with an empty folder is a row of texts, taken as written.
 * Returns false with @p error naming what is wrong and where, quoting at most a short escaped
 * excerpt of the line (messageExcerpt()); @p row is then unspecified.
 */
bool readJsonLine(std::string_view line, JsonLineRow& row, std::string& error);

/**
 * readJsonLine() for many lines: keeps its storage from one line to the next, so that a list is
 * read without an allocation per line. Not thread-safe: one per thread that reads.
 */
class JsonLineReader {
public:
    JsonLineReader();
    ~JsonLineReader();
    JsonLineReader(const JsonLineReader&) = delete;
    JsonLineReader& operator=(const JsonLineReader&) = delete;

    /** Reads @p line into @p row as readJsonLine() does. */
    bool read(std::string_view line, JsonLineRow& row, std::string& error);

    /** Storage for the text of a line that the caller reads before reading it here; reused likewise. */
    std::string& lineBuffer() { return mLine; }

private:
    struct Members;
    std::unique_ptr<Members> mMembers;
    std::string mLine;
};

/** JSON Lines as an exporter: appendJsonLine() for each row, no header, no byte-order mark. */
class JsonLinesExporter : public LineExporter {
public:
    explicit JsonLinesExporter(const DateLocale& locale) : mTexts(locale) {}

protected:
    bool appendRow(std::string& out, const Row& row, std::string& error) override;

private:
    RowTexts mTexts;
};

} // namespace dirlix
