// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the JSON Lines writer.
#include "output/JsonLines.h"

#include <charconv>

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

// The string's content without its quotes; see appendJsonString().
bool appendJsonContent(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    bool exact = true;
    std::size_t plain = 0; // start of the run of bytes copied as they are
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\') {
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

void appendIso(std::string& out, const DateTime& local, std::int64_t seconds)
{
    if (local.year < 0 || local.year > 9999)
        out += local.year < 0 ? '-' : '+';
    appendDigits(out, local.year < 0 ? -std::int64_t(local.year) : local.year, 4);
    out += '-';
    appendDigits(out, local.month, 2);
    out += '-';
    appendDigits(out, local.day, 2);
    out += 'T';
    appendDigits(out, local.hour, 2);
    out += ':';
    appendDigits(out, local.minute, 2);
    out += ':';
    appendDigits(out, local.second, 2);
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

void appendIsoLocalTime(std::string& out, std::int64_t seconds)
{
    appendIso(out, localFromUnix(seconds), seconds);
}

void appendJsonLine(std::string& out, const Row& row, RowTexts& texts, std::span<const JsonTextMember> leading)
{
    // One scratch per thread: the texts of a column are made here before they are escaped.
    thread_local std::string text;
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
    out += "\"name\":";
    const bool nameExact = appendJsonString(out, name);
    out += ",\"folder\":";
    const bool folderExact = appendJsonString(out, folder);
    out += ",\"path\":";
    text = folder;
    text += name;
    appendJsonString(out, text);

    out += ",\"size\":";
    std::int64_t size = row.values.size;
    if (hasText(ColSize) ? sizeOfText(columnText(ColSize), size) : known)
        appendDigits(out, size);
    else
        out += "null";
    out += ",\"attrib\":";
    appendJsonString(out, columnText(ColAttrib));

    const bool madeFromValues = known && !hasText(ColCreated) && !hasText(ColModified);
    DateTime created, modified;
    if (madeFromValues) {
        created = localFromUnix(row.values.created);
        modified = localFromUnix(row.values.modified);
        out += ",\"created\":\"";
        appendIso(out, created, row.values.created);
        out += "\",\"modified\":\"";
        appendIso(out, modified, row.values.modified);
        out += '"';
    } else {
        out += ",\"created\":null,\"modified\":null";
    }
    for (const int column : {ColCreated, ColModified}) {
        out += column == ColCreated ? ",\"created_text\":" : ",\"modified_text\":";
        if (madeFromValues) {
            text.clear();
            texts.patternOf(row).appendTo(text, column == ColCreated ? created : modified, texts.locale());
            appendJsonString(out, text);
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
    out += "}\n";
}

bool JsonLinesExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    appendJsonLine(out, row, mTexts);
    return true;
}

} // namespace dirlix
