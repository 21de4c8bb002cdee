// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: name masks.
#include "search/NameMask.h"
#include "search/CaseFold.h"

namespace dirlix {

namespace {

char32_t foldByte(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

std::u32string bytesOf(std::string_view text)
{
    std::u32string units;
    units.reserve(text.size());
    for (const char c : text)
        units.push_back(static_cast<unsigned char>(c));
    return units;
}

std::string describe(char32_t c, bool unicode)
{
    std::string out;
    if (!unicode || c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
        out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
    } else {
        out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                char(0x80 | (c & 0x3F))};
    }
    return out;
}

} // namespace

void MaskSubject::assign(std::string_view name)
{
    unicode = decodeUtf8(name, raw);
    if (!unicode) {
        raw.clear();
        for (const char c : name)
            raw.push_back(static_cast<unsigned char>(c));
    }
    folded.resize(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        folded[i] = unicode ? foldCase(raw[i]) : foldByte(raw[i]);
}

std::optional<NameMask> NameMask::compile(std::string_view mask, bool caseSensitive, std::string& error)
{
    NameMask compiled;
    compiled.mText = std::string(mask);
    compiled.mCaseSensitive = caseSensitive;
    std::u32string units;
    // A mask that is no UTF-8 can only match names that are not either: its Unicode form stays unusable.
    if (decodeUtf8(mask, units) && !compileForm(units, caseSensitive, true, compiled.mUnicode, error))
        return std::nullopt;
    if (!compileForm(bytesOf(mask), caseSensitive, false, compiled.mBytes, error))
        return std::nullopt;
    return compiled;
}

bool NameMask::compileForm(const std::u32string& units, bool caseSensitive, bool unicode, Form& form,
                           std::string& error)
{
    auto fold = [&](char32_t c) { return caseSensitive ? c : unicode ? foldCase(c) : foldByte(c); };
    const std::string maskText = [&] {
        std::string text;
        for (const char32_t c : units)
            text += describe(c, unicode);
        return text;
    }();
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t c = units[i];
        if (c == '*') {
            if (form.tokens.empty() || form.tokens.back().kind != Kind::Star)
                form.tokens.push_back({Kind::Star});
        } else if (c == '?') {
            form.tokens.push_back({Kind::Any});
        } else if (c == '[') {
            Token token{Kind::Class};
            token.firstRange = std::uint32_t(form.ranges.size());
            std::size_t j = i + 1;
            if (j < units.size() && (units[j] == '!' || units[j] == '^')) {
                token.negated = true;
                ++j;
            }
            bool closed = false;
            for (bool first = true; j < units.size(); first = false) {
                if (units[j] == ']' && !first) {
                    closed = true;
                    break;
                }
                char32_t low = units[j], high = low;
                if (j + 2 < units.size() && units[j + 1] == '-' && units[j + 2] != ']') {
                    high = units[j + 2];
                    j += 3;
                } else {
                    ++j;
                }
                if (high < low) {
                    error = "the range " + describe(low, unicode) + "-" + describe(high, unicode) + " in the mask \"" +
                            maskText + "\" is empty (its end comes before its start)";
                    return false;
                }
                form.ranges.emplace_back(low, high);
                // Without case sensitivity the range also holds its folded form: [A-Z] takes "a".
                if (!caseSensitive && fold(low) <= fold(high) && (fold(low) != low || fold(high) != high))
                    form.ranges.emplace_back(fold(low), fold(high));
            }
            if (!closed) {
                error = "the mask \"" + maskText + "\" has a \"[\" without its closing \"]\"";
                return false;
            }
            token.rangeCount = std::uint32_t(form.ranges.size()) - token.firstRange;
            form.tokens.push_back(token);
            i = j;
        } else {
            Token token{Kind::Char};
            token.c = fold(c);
            form.tokens.push_back(token);
        }
    }
    form.usable = true;
    return true;
}

bool NameMask::classMatches(const Form& form, const Token& token, char32_t raw, char32_t folded) const
{
    bool inside = false;
    for (std::uint32_t r = token.firstRange; r < token.firstRange + token.rangeCount && !inside; ++r) {
        const auto& [low, high] = form.ranges[r];
        inside = (raw >= low && raw <= high) || (!mCaseSensitive && folded >= low && folded <= high);
    }
    return inside != token.negated;
}

bool NameMask::matches(const MaskSubject& name) const
{
    return matchForm(name.unicode ? mUnicode : mBytes, name);
}

bool NameMask::matchForm(const Form& form, const MaskSubject& name) const
{
    if (!form.usable)
        return false;
    const std::u32string& chars = mCaseSensitive ? name.raw : name.folded;
    const std::vector<Token>& tokens = form.tokens;
    // Every token but * takes exactly one character, so going back to the latest * is enough:
    // the match costs at most tokens times characters steps, never exponential time.
    std::size_t t = 0, c = 0;
    std::size_t starToken = std::string::npos, starChar = 0;
    while (c < chars.size()) {
        if (t < tokens.size()) {
            const Token& token = tokens[t];
            if (token.kind == Kind::Star) {
                starToken = t++;
                starChar = c;
                continue;
            }
            const bool one = token.kind == Kind::Any ||
                             (token.kind == Kind::Char && token.c == chars[c]) ||
                             (token.kind == Kind::Class && classMatches(form, token, name.raw[c], name.folded[c]));
            if (one) {
                ++t;
                ++c;
                continue;
            }
        }
        if (starToken == std::string::npos)
            return false;
        t = starToken + 1;
        c = ++starChar;
    }
    while (t < tokens.size() && tokens[t].kind == Kind::Star)
        ++t;
    return t == tokens.size();
}

std::vector<std::string> MaskList::split(std::string_view list)
{
    std::vector<std::string> masks;
    auto push = [&](std::string_view mask) {
        const auto first = mask.find_first_not_of(" \t");
        if (first != std::string_view::npos)
            masks.emplace_back(mask.substr(first, mask.find_last_not_of(" \t") - first + 1));
    };
    std::size_t start = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!inClass && list[i] == '[') {
            inClass = true;
            // A "]" right after "[", "[!" or "[^" belongs to the class.
            if (i + 1 < list.size() && (list[i + 1] == '!' || list[i + 1] == '^'))
                ++i;
            if (i + 1 < list.size() && list[i + 1] == ']')
                ++i;
        } else if (inClass && list[i] == ']') {
            inClass = false;
        } else if (!inClass && list[i] == ';') {
            push(list.substr(start, i - start));
            start = i + 1;
        }
    }
    push(list.substr(start));
    return masks;
}

bool MaskList::add(std::string_view list, bool caseSensitive, std::string& error)
{
    for (const std::string& text : split(list)) {
        auto mask = NameMask::compile(text, caseSensitive, error);
        if (!mask)
            return false;
        mMasks.push_back(std::move(*mask));
    }
    return true;
}

bool MaskList::matches(const MaskSubject& name) const
{
    for (const NameMask& mask : mMasks)
        if (mask.matches(name))
            return true;
    return false;
}

} // namespace dirlix
