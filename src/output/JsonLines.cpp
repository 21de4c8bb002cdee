// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the JSON Lines writer.
#include "output/JsonLines.h"
#include "platform/FileSystem.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <utility>

namespace dirlix {

namespace {

// The length of the valid UTF-8 sequence that starts at @p at, or 0 when the byte there starts none.
std::size_t validSequenceAt(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    const unsigned lead = byte(at);
    const auto continuation = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
        const unsigned b = byte(at + i);
        return b >= low && b <= high;
    };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // E0 would be overlong below A0; ED above 9F would be a surrogate.
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(1, low, high) && continuation(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        // F0 would be overlong below 90; F4 above 8F would be past U+10FFFF.
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

// The ASCII bytes a JSON string holds as they are, by table: names are millions of short runs.
constexpr auto kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int byte = 0x20; byte < 0x80; ++byte)
        plain[std::size_t(byte)] = byte != '"' && byte != '\\';
    return plain;
}();

// The string's content without its quotes; see appendJsonString().
bool appendJsonContent(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    bool exact = true;
    std::size_t plain = 0; // start of the run of bytes copied as they are
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (kPlainAscii[byte]) {
            ++i;
            continue;
        }
        if (byte >= 0x80) {
            if (const std::size_t length = validSequenceAt(bytes, i)) {
                i += length;
                continue;
            }
        }
        out.append(bytes.data() + plain, i - plain);
        switch (byte) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            } else {
                out += "\xEF\xBF\xBD";
                exact = false;
            }
        }
        plain = ++i;
    }
    out.append(bytes.data() + plain, bytes.size() - plain);
    return exact;
}

void appendDigits(std::string& out, std::int64_t value, int width = 1)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value < 0 ? -value : value).ptr;
    if (value < 0)
        out += '-';
    for (auto length = end - digits; length < width; ++length)
        out += '0';
    out.append(digits, end);
}

void appendTwoDigits(std::string& out, int value)
{
    out += char('0' + value / 10 % 10);
    out += char('0' + value % 10);
}

void appendIso(std::string& out, const DateTime& local, std::int64_t seconds)
{
    if (local.year < 0 || local.year > 9999)
        out += local.year < 0 ? '-' : '+';
    appendDigits(out, local.year < 0 ? -std::int64_t(local.year) : local.year, 4);
    out += '-';
    appendTwoDigits(out, local.month);
    out += '-';
    appendTwoDigits(out, local.day);
    out += 'T';
    appendTwoDigits(out, local.hour);
    out += ':';
    appendTwoDigits(out, local.minute);
    out += ':';
    appendTwoDigits(out, local.second);
    // The offset is whatever separates the local clock from UTC; a time so far out that the
    // conversion clamped it has no meaningful offset and is given as UTC.
    const std::int64_t localSeconds = daysFromCivil(local.year, local.month, local.day) * 86400 +
                                      local.hour * 3600 + local.minute * 60 + local.second;
    std::int64_t offset = localSeconds - seconds;
    if (offset <= -86400 || offset >= 86400)
        offset = 0;
    out += offset < 0 ? '-' : '+';
    if (offset < 0)
        offset = -offset;
    appendDigits(out, offset / 3600, 2);
    out += ':';
    appendDigits(out, offset / 60 % 60, 2);
    if (offset % 60 != 0) {
        out += ':';
        appendDigits(out, offset % 60, 2);
    }
}

// The number a Size text holds: plain digits, as the list shows sizes.
bool sizeOfText(std::string_view text, std::int64_t& size)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && size >= 0;
}

} // namespace

bool appendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    const bool exact = appendJsonContent(out, bytes);
    out += '"';
    return exact;
}

std::string messageExcerpt(std::string_view bytes, std::size_t limit)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    std::size_t shown = 0, i = 0;
    for (; i < bytes.size() && shown < limit; ++shown) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        // U+0080 to U+009F are control characters too (C1), though valid UTF-8.
        const std::size_t length = byte >= 0x80 ? validSequenceAt(bytes, i) : 1;
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0;
        if (length > 1 && !c1) {
            out.append(bytes.data() + i, length);
            i += length;
            continue;
        }
        const char* named = byte == '\n' ? "\\n" : byte == '\t' ? "\\t" : byte == '\r' ? "\\r" : byte == '"' ? "\\\""
                          : byte == '\\' ? "\\\\" : nullptr;
        if (named) {
            out += named;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += char(byte);
        } else {
            for (std::size_t k = 0; k < (c1 ? 2 : 1); ++k) {
                const auto each = static_cast<unsigned char>(bytes[i + k]);
                out += "\\x";
                out += kHex[each >> 4];
                out += kHex[each & 15];
            }
            i += c1 ? 2 : 1;
            continue;
        }
        ++i;
    }
    out += '"';
    if (i < bytes.size())
        out += "...";
    return out;
}

void appendBase64(std::string& out, std::string_view bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16 |
                                    std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[group >> 18];
        out += kAlphabet[group >> 12 & 63];
        out += kAlphabet[group >> 6 & 63];
        out += kAlphabet[group & 63];
    }
    if (const std::size_t left = bytes.size() - i) {
        std::uint32_t group = std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16;
        if (left == 2)
            group |= std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += kAlphabet[group >> 18];
        out += kAlphabet[group >> 12 & 63];
        out += left == 2 ? kAlphabet[group >> 6 & 63] : '=';
        out += '=';
    }
}

namespace {

// appendIso() of a stamp's local time, remembering the last two in @p scratch: rows mostly share
// their times.
void appendIsoOnce(std::string& out, const RowTexts::StampTexts& time, RowTexts::Scratch& scratch)
{
    for (unsigned i = 0; i < 2; ++i) {
        const RowTexts::Scratch::Stamp& made = scratch.stamps[i];
        if (!made.text.empty() && made.stamp == time.stamp && made.when == time.when) {
            out += made.text;
            scratch.olderStamp = i ^ 1u;
            return;
        }
    }
    RowTexts::Scratch::Stamp& fresh = scratch.stamps[scratch.olderStamp];
    scratch.olderStamp ^= 1u;
    fresh.stamp = time.stamp;
    fresh.when = time.when;
    fresh.text.clear();
    appendIso(fresh.text, time.when, time.stamp);
    out += fresh.text;
}

} // namespace

void appendIsoLocalTime(std::string& out, std::int64_t seconds)
{
    appendIso(out, localFromUnix(seconds), seconds);
}

void appendJsonLine(std::string& out, const Row& row, RowTexts& texts, std::span<const JsonTextMember> leading)
{
    // The texts of a column are made here before they are escaped; it belongs to the caller's texts.
    std::string& text = texts.scratch().text;
    const auto columnText = [&](int column) -> const std::string& {
        text.clear();
        texts.appendColumn(text, column, row);
        return text;
    };
    const auto hasText = [&](int column) { return (row.textMask & (1u << (column - 1))) != 0; };
    const bool known = row.values.valuesKnown();

    out += '{';
    for (const JsonTextMember& member : leading) {
        out += '"';
        out += member.key;
        out += "\":";
        appendJsonString(out, member.text);
        out += ',';
    }
    // The name and folder as appendColumn() gives them, without a copy.
    const std::string_view name = hasText(ColFile) ? std::string_view(row.texts[ColFile - 1]) : row.name;
    const std::string_view folder =
        hasText(ColDirectory) ? std::string_view(row.texts[ColDirectory - 1]) : row.folder;
    out += "\"name\":\"";
    const std::size_t nameBegin = out.size();
    const bool nameExact = appendJsonContent(out, name);
    const std::size_t nameEnd = out.size();
    out += "\",\"folder\":\"";
    const std::size_t folderBegin = out.size();
    const bool folderExact = appendJsonContent(out, folder);
    const std::size_t folderEnd = out.size();
    out += "\",\"path\":";
    if (folder.empty() || static_cast<unsigned char>(folder.back()) < 0x80) {
        // No sequence can run from the folder into the name: the path is the two texts just written.
        out.reserve(out.size() + (folderEnd - folderBegin) + (nameEnd - nameBegin) + 2);
        out += '"';
        out.append(out.data() + folderBegin, folderEnd - folderBegin);
        out.append(out.data() + nameBegin, nameEnd - nameBegin);
        out += '"';
    } else {
        text = folder;
        text += name;
        appendJsonString(out, text);
    }

    out += ",\"size\":";
    std::int64_t size = row.values.size;
    if (hasText(ColSize) ? sizeOfText(columnText(ColSize), size) : known)
        appendDigits(out, size);
    else
        out += "null";
    out += ",\"attrib\":";
    appendJsonString(out, columnText(ColAttrib));

    const bool madeFromValues = known && !hasText(ColCreated) && !hasText(ColModified);
    // Neighbouring rows mostly share their times: their texts are made once (see RowTexts).
    const RowTexts::StampTexts* created = nullptr;
    const RowTexts::StampTexts* modified = nullptr;
    if (madeFromValues) {
        created = &texts.stampTexts(row.values.created, row);
        modified = &texts.stampTexts(row.values.modified, row);
        out += ",\"created\":\"";
        appendIsoOnce(out, *created, texts.scratch());
        out += "\",\"modified\":\"";
        appendIsoOnce(out, *modified, texts.scratch());
        out += '"';
    } else {
        out += ",\"created\":null,\"modified\":null";
    }
    for (const int column : {ColCreated, ColModified}) {
        out += column == ColCreated ? ",\"created_text\":" : ",\"modified_text\":";
        if (madeFromValues) {
            appendJsonString(out, (column == ColCreated ? created : modified)->shown);
        } else if (hasText(column)) {
            appendJsonString(out, columnText(column));
        } else {
            out += "null";
        }
    }
    if (!nameExact) {
        out += ",\"name_b64\":\"";
        appendBase64(out, name);
        out += '"';
    }
    if (!folderExact) {
        out += ",\"folder_b64\":\"";
        appendBase64(out, folder);
        out += '"';
    }
    if (!row.hashAlgorithm.empty()) {
        // Hex digits and an algorithm name: nothing to escape.
        if (row.hash.empty()) {
            out += ",\"hash\":null";
        } else {
            out += ",\"hash\":\"";
            out += row.hash;
            out += '"';
        }
        out += ",\"hash_algorithm\":\"";
        out += row.hashAlgorithm;
        out += '"';
    }
    out += "}\n";
}

namespace {

// @p bytes with each byte outside a valid UTF-8 sequence as U+FFFD: the text a name shows.
std::string shownText(std::string_view bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = byte < 0x80 ? 1 : validSequenceAt(bytes, i);
        text += length ? bytes.substr(i, length) : std::string_view("\xEF\xBF\xBD");
        i += length ? length : 1;
    }
    return text;
}

bool decodeBase64(std::string_view text, std::string& bytes)
{
    const auto value = [](char c) {
        return c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26 : c >= '0' && c <= '9' ? c - '0' + 52
             : c == '+' ? 62 : c == '/' ? 63 : -1;
    };
    if (text.size() % 4 != 0)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = k >= 4 - padding ? 0 : value(text[i + std::size_t(k)]);
            if (v < 0)
                return false;
            group = group << 6 | std::uint32_t(v);
        }
        // Bits that padding leaves over must be zero, so that one text stands for one byte string.
        if ((padding == 1 && (group & 0xFF)) || (padding == 2 && (group & 0xFFFF)))
            return false;
        const char three[] = {char(group >> 16), char(group >> 8), char(group)};
        bytes.append(three, std::size_t(3 - padding));
    }
    return true;
}

// The seconds of an ISO 8601 time with an offset: [+-]YYYY-MM-DDTHH:MM:SS, then Z or +-HH:MM[:SS].
bool secondsOfIso(std::string_view text, std::int64_t& seconds)
{
    std::size_t at = 0;
    const auto number = [&](std::size_t digits, bool more, std::int64_t& value) {
        const std::size_t begin = at;
        value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && (more || at - begin < digits) && at - begin < 9)
            value = value * 10 + (text[at++] - '0');
        return at - begin >= digits;
    };
    const auto literal = [&](char c) { return at < text.size() && text[at] == c && ++at; };
    const bool negative = literal('-');
    if (!negative)
        literal('+');
    std::int64_t year, month, day, hour, minute, second, offsetHours = 0, offsetMinutes = 0, offsetSeconds = 0;
    if (!(number(4, true, year) && literal('-') && number(2, false, month) && literal('-') && number(2, false, day) &&
          literal('T') && number(2, false, hour) && literal(':') && number(2, false, minute) && literal(':') &&
          number(2, false, second)))
        return false;
    if (negative)
        year = -year;
    int sign = 0;
    if (!literal('Z')) {
        sign = literal('+') ? 1 : literal('-') ? -1 : 0;
        if (!sign || !(number(2, false, offsetHours) && literal(':') && number(2, false, offsetMinutes)))
            return false;
        if (literal(':') && !number(2, false, offsetSeconds))
            return false;
    }
    const std::int64_t days = daysFromCivil(year, int(month), int(day));
    const DateTime back = civilFromUnix(days * 86400);
    if (at != text.size() || month < 1 || month > 12 || back.day != day || back.month != month || hour > 23 ||
        minute > 59 || second > 59 || offsetHours > 23 || offsetMinutes > 59 || offsetSeconds > 59)
        return false;
    seconds = days * 86400 + hour * 3600 + minute * 60 + second -
              sign * (offsetHours * 3600 + offsetMinutes * 60 + offsetSeconds);
    return true;
}

// A strict reader of one flat JSON object.
class FlatObjectReader {
public:
    struct Value {
        enum Kind { Null, Boolean, Number, String } kind = Null;
        std::string text; ///< a string's bytes, a number's or a boolean's own text
    };

    /**
     * The members of one object in their order. Kept from line to line, so that reading a list
     * reuses their storage instead of allocating for every member of every line.
     */
    struct Members {
        std::vector<std::pair<std::string, Value>> items;
        std::size_t count = 0;

        Value* find(std::string_view key)
        {
            for (std::size_t i = 0; i < count; ++i)
                if (items[i].first == key)
                    return &items[i].second;
            return nullptr;
        }
        bool contains(std::string_view key) { return find(key) != nullptr; }
        std::pair<std::string, Value>& add()
        {
            if (count == 0)
                indexed = 0;
            if (count == items.size())
                items.emplace_back();
            return items[count++];
        }
        /**
         * Whether the key of the member added last was given before in the object. A row has a
         * dozen keys, compared one by one; past a few dozen they go into a hash table, so that a
         * line of many keys costs time in proportion to its length.
         */
        bool lastKeyRepeated()
        {
            const std::size_t last = count - 1;
            if (count <= kKeysScanned) {
                for (std::size_t i = 0; i < last; ++i)
                    if (items[i].first == items[last].first)
                        return true;
                return false;
            }
            if (indexed == 0 || slots.size() < 2 * count) {
                slots.assign(std::bit_ceil(std::max<std::size_t>(4 * count, 256)), kNoSlot);
                for (indexed = 0; indexed < last; ++indexed)
                    insert(indexed);
            }
            indexed = count;
            return !insert(last);
        }

    private:
        static constexpr std::size_t kKeysScanned = 32;
        static constexpr std::uint32_t kNoSlot = UINT32_MAX;
        std::vector<std::uint32_t> slots; // member numbers by the hash of their key
        std::size_t indexed = 0;          // members in slots; 0: none, the table is stale

        // Puts member @p member into the table; false when a member with its key is there.
        bool insert(std::size_t member)
        {
            const std::string& key = items[member].first;
            const std::size_t mask = slots.size() - 1;
            for (std::size_t slot = std::hash<std::string_view>()(key) & mask;; slot = (slot + 1) & mask) {
                if (slots[slot] == kNoSlot) {
                    slots[slot] = std::uint32_t(member);
                    return true;
                }
                if (items[slots[slot]].first == key)
                    return false;
            }
        }
    };

    explicit FlatObjectReader(std::string_view line) : mText(line) {}

    bool read(Members& members, std::string& error)
    {
        members.count = 0;
        skipSpace();
        if (!take('{'))
            return fail("not a JSON object", error);
        skipSpace();
        if (take('}'))
            return end(error);
        do {
            skipSpace();
            auto& [key, value] = members.add();
            if (!string(key))
                return fail("a key", error);
            skipSpace();
            if (!take(':'))
                return fail("':' after " + messageExcerpt(key), error);
            skipSpace();
            if (!this->value(value))
                return fail("the value of " + messageExcerpt(key), error);
            if (members.lastKeyRepeated())
                return fail(messageExcerpt(key) + " given twice", error, false);
            skipSpace();
        } while (take(','));
        if (!take('}'))
            return fail("',' or '}'", error);
        return end(error);
    }

private:
    bool fail(const std::string& what, std::string& error, bool expected = true)
    {
        error = (expected ? "expected " : "") + what + " at byte " + std::to_string(mAt + 1);
        if (!mProblem.empty())
            error += " (" + mProblem + ")";
        return false;
    }
    bool problem(const char* what)
    {
        mProblem = what;
        return false;
    }
    bool end(std::string& error)
    {
        skipSpace();
        return mAt == mText.size() || fail("the end of the line after the object", error);
    }
    bool take(char c) { return mAt < mText.size() && mText[mAt] == c && ++mAt; }
    void skipSpace()
    {
        while (mAt < mText.size() && (mText[mAt] == ' ' || mText[mAt] == '\t' || mText[mAt] == '\n' || mText[mAt] == '\r'))
            ++mAt;
    }
    bool word(std::string_view w)
    {
        if (mText.substr(mAt, w.size()) != w)
            return false;
        mAt += w.size();
        return true;
    }
    bool value(Value& value)
    {
        if (word("null")) {
            value.kind = Value::Null;
            return true;
        }
        for (const std::string_view truth : {"true", "false"}) {
            if (word(truth)) {
                value.kind = Value::Boolean;
                value.text = truth;
                return true;
            }
        }
        value.kind = Value::String;
        if (mAt < mText.size() && mText[mAt] == '"')
            return string(value.text);
        if (mAt < mText.size() && (mText[mAt] == '{' || mText[mAt] == '['))
            return problem("no nested objects or arrays in a row");
        value.kind = Value::Number;
        return number(value.text);
    }
    bool number(std::string& text)
    {
        const std::size_t begin = mAt;
        const auto digits = [&] {
            const std::size_t from = mAt;
            while (mAt < mText.size() && mText[mAt] >= '0' && mText[mAt] <= '9')
                ++mAt;
            return mAt > from;
        };
        take('-');
        if (!take('0') && !digits())
            return false;
        if (take('.') && !digits())
            return false;
        if ((take('e') || take('E')) && !((take('+') || take('-') || true) && digits()))
            return false;
        text.assign(mText.substr(begin, mAt - begin));
        return true;
    }
    bool hex4(std::uint32_t& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++mAt) {
            const char c = mAt < mText.size() ? mText[mAt] : 0;
            const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (v < 0)
                return problem("a \\u escape needs four hex digits");
            unit = unit << 4 | std::uint32_t(v);
        }
        return true;
    }
    bool string(std::string& out)
    {
        if (!take('"'))
            return false;
        out.clear();
        while (mAt < mText.size() && mText[mAt] != '"') {
            // A run of plain ASCII goes over at once: most of a list is made of it.
            std::size_t plain = mAt;
            while (plain < mText.size() && static_cast<unsigned char>(mText[plain]) >= 0x20 &&
                   static_cast<unsigned char>(mText[plain]) < 0x80 && mText[plain] != '"' && mText[plain] != '\\')
                ++plain;
            if (plain != mAt) {
                out.append(mText.data() + mAt, plain - mAt);
                mAt = plain;
                continue;
            }
            const auto byte = static_cast<unsigned char>(mText[mAt]);
            if (byte < 0x20)
                return problem("a control character must be escaped");
            if (byte >= 0x80) {
                const std::size_t length = validSequenceAt(mText, mAt);
                if (!length)
                    return problem("not valid UTF-8");
                out += mText.substr(mAt, length);
                mAt += length;
                continue;
            }
            ++mAt;
            if (byte != '\\') {
                out += char(byte);
                continue;
            }
            const char escape = mAt < mText.size() ? mText[mAt++] : 0;
            const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (const auto found = simple.find(escape); escape && found != std::string_view::npos) {
                out += meaning[found];
                continue;
            }
            std::uint32_t unit = 0, low = 0;
            if (escape != 'u')
                return problem("an unknown escape");
            if (!hex4(unit))
                return false;
            if (unit >= 0xDC00 && unit <= 0xDFFF)
                return problem("a lone low surrogate");
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (!word("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return problem("a high surrogate without its low one");
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            // The code point as UTF-8.
            if (unit < 0x80) {
                out += char(unit);
            } else if (unit < 0x800) {
                out += char(0xC0 | unit >> 6);
                out += char(0x80 | (unit & 0x3F));
            } else if (unit < 0x10000) {
                out += char(0xE0 | unit >> 12);
                out += char(0x80 | (unit >> 6 & 0x3F));
                out += char(0x80 | (unit & 0x3F));
            } else {
                out += char(0xF0 | unit >> 18);
                out += char(0x80 | (unit >> 12 & 0x3F));
                out += char(0x80 | (unit >> 6 & 0x3F));
                out += char(0x80 | (unit & 0x3F));
            }
        }
        if (!take('"'))
            return problem("the string is not closed");
        return true;
    }

    std::string_view mText;
    std::size_t mAt = 0;
    std::string mProblem;
};

} // namespace

struct JsonLineReader::Members : FlatObjectReader::Members {};

JsonLineReader::JsonLineReader() : mMembers(std::make_unique<Members>()) {}

JsonLineReader::~JsonLineReader() = default;

bool readJsonLine(std::string_view line, JsonLineRow& row, std::string& error)
{
    JsonLineReader reader;
    return reader.read(line, row, error);
}

bool JsonLineReader::read(std::string_view line, JsonLineRow& row, std::string& error)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    FlatObjectReader::Members& members = *mMembers;
    if (!FlatObjectReader(line).read(members, error))
        return false;
    using Value = FlatObjectReader::Value;
    const auto wrong = [&](std::string why) {
        error = std::move(why);
        return false;
    };
    bool exactBytes = false; // a name or folder came from its base64 bytes
    const auto bytesOf = [&](const std::string& key, std::string& bytes) {
        const Value* text = members.find(key);
        if (!text || text->kind != Value::String)
            return wrong("\"" + key + "\" is missing or not a string");
        const Value* exact = members.find(key + "_b64");
        if (!exact) {
            bytes = text->text;
            return true;
        }
        exactBytes = true;
        if (exact->kind != Value::String || !decodeBase64(exact->text, bytes))
            return wrong("\"" + key + "_b64\" is not standard base64");
        if (shownText(bytes) != text->text)
            return wrong("\"" + key + "_b64\" holds other bytes than \"" + key + "\" shows");
        return true;
    };
    // A list of paths alone: each path splits after its last separator.
    if (!members.contains("name") && !members.contains("folder")) {
        if (const Value* path = members.find("path"); path && path->kind == Value::String) {
            const std::string whole = path->text;
            const std::size_t cut = whole.find_last_of(fsys::kSeparators) + 1; // 0 when there is none
            members.add() = {"folder", {Value::String, whole.substr(0, cut)}};
            members.add() = {"name", {Value::String, whole.substr(cut)}};
        }
    }
    if (!bytesOf("name", row.name) || !bytesOf("folder", row.folder))
        return false;
    if (const Value* path = members.find("path")) {
        // Texts that are their own bytes need no second look; exact bytes are shown as the writer shows them.
        const std::string_view text = path->text;
        const bool same = exactBytes ? text == shownText(row.folder + row.name)
                                     : text.size() == row.folder.size() + row.name.size() &&
                                           text.starts_with(row.folder) && text.ends_with(row.name);
        if (path->kind != Value::String || !same)
            return wrong("\"path\" is not the folder followed by the name");
    }

    // A file row the walk could not have given would never match one found, and would be reported
    // removed for ever: refused, as the line it is. A row without a folder is a row of texts,
    // which the writer writes as it is.
    const auto holds = [](const std::string& bytes, char c) { return bytes.find(c) != std::string::npos; };
    if (!row.folder.empty()) {
        if (row.folder.back() != fsys::kSeparator || holds(row.folder, '\0'))
            return wrong("the folder " + messageExcerpt(row.folder) + " does not end in '" +
                         std::string(1, fsys::kSeparator) + "' or holds a zero byte");
        if (row.name.empty() || row.name == "." || row.name == "..")
            return wrong("the name " + messageExcerpt(row.name) + " is not a file's name");
        if (holds(row.name, '/') || (fsys::kSeparator != '/' && holds(row.name, fsys::kSeparator)) ||
            holds(row.name, '\0'))
            return wrong("the name " + messageExcerpt(row.name) + " holds a separator or a zero byte");
    }

    row.size.reset();
    if (const Value* size = members.find("size"); size && size->kind != Value::Null) {
        std::int64_t bytes = 0;
        const std::string& text = size->text;
        const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), bytes);
        if (size->kind != Value::Number || problem != std::errc() || end != text.data() + text.size() || bytes < 0)
            return wrong("\"size\" is not a whole number of bytes: " + messageExcerpt(text));
        row.size = bytes;
    }
    for (auto [key, time] : {std::pair{"modified", &row.modified}, std::pair{"created", &row.created}}) {
        time->reset();
        if (const Value* member = members.find(key); member && member->kind != Value::Null) {
            std::int64_t seconds = 0;
            if (member->kind != Value::String || !secondsOfIso(member->text, seconds))
                return wrong("\"" + std::string(key) + "\" is not an ISO 8601 time with its offset: " +
                             messageExcerpt(member->text));
            *time = seconds;
        }
    }
    std::size_t texts = 0;
    for (std::size_t i = 0; i < members.count; ++i) {
        const auto& [key, value] = members.items[i];
        if (value.kind != Value::String || key == "name" || key == "folder" || key == "name_b64" || key == "folder_b64")
            continue;
        if (texts == row.texts.size())
            row.texts.emplace_back();
        row.texts[texts].first.assign(key);
        row.texts[texts].second.assign(value.text);
        ++texts;
    }
    row.texts.resize(texts);
    return true;
}

bool JsonLinesExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    appendJsonLine(out, row, mTexts);
    return true;
}

} // namespace dirlix
