// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: name masks (*, ?, [a-z], [!a]) and lists of them, matched against whole file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * A file name prepared once for any number of masks: its characters when it is valid UTF-8,
 * else its bytes, each also case-folded.
 */
struct MaskSubject {
    MaskSubject() = default;
    explicit MaskSubject(std::string_view name) { assign(name); }
    /** Prepares @p name, reusing the storage of the name before. */
    void assign(std::string_view name);
    bool unicode = true;    ///< false: the name is not valid UTF-8 and is matched byte by byte
    std::u32string raw;     ///< the characters (or bytes) as named
    std::u32string folded;  ///< the same, case-folded (only ASCII letters for bytes)
};

/**
 * One mask: `*` any run of characters, `?` one character, `[abc]`, `[a-z]` and `[!a]` (or `[^a]`)
 * one character of a class; a `]` first in a class stands for itself. Every other character
 * stands for itself. A mask matches the whole name. Without case sensitivity, characters are
 * compared after Unicode simple case folding; a name that is not valid UTF-8 is compared byte by
 * byte, only ASCII letters folded.
 */
class NameMask {
public:
    /**
     * Compiles @p mask (bytes, normally UTF-8). Returns nothing, with the reason in @p error, for
     * a malformed mask: an unclosed `[`, or a range whose end comes before its start.
     */
    static std::optional<NameMask> compile(std::string_view mask, bool caseSensitive, std::string& error);

    bool matches(const MaskSubject& name) const;
    bool matches(std::string_view name) const { return matches(MaskSubject(name)); }
    /** The mask as given. */
    const std::string& text() const { return mText; }

private:
    enum class Kind : std::uint8_t { Char, Any, Star, Class };
    struct Token {
        Kind kind;
        bool negated = false;
        char32_t c = 0;              ///< Char: the character, folded unless case-sensitive
        std::uint32_t firstRange = 0; ///< Class: its ranges in mRanges
        std::uint32_t rangeCount = 0;
    };
    struct Form {
        bool usable = false;
        std::vector<Token> tokens;
        std::vector<std::pair<char32_t, char32_t>> ranges;
    };

    static bool compileForm(const std::u32string& units, bool caseSensitive, bool unicode, Form& form,
                            std::string& error);
    bool matchForm(const Form& form, const MaskSubject& name) const;
    bool classMatches(const Form& form, const Token& token, char32_t raw, char32_t folded) const;

    std::string mText;
    bool mCaseSensitive = false;
    Form mUnicode; ///< for names that are valid UTF-8; unusable when the mask itself is not
    Form mBytes;   ///< for names that are not
};

/**
 * Masks separated by `;`, spaces and tabs around each ignored, empty ones skipped; a `;` inside
 * `[...]` belongs to the class. Matches a name when any of its masks does.
 */
class MaskList {
public:
    /** Adds the masks of @p list. Returns false, with the reason in @p error, when one is malformed. */
    bool add(std::string_view list, bool caseSensitive, std::string& error);
    bool empty() const { return mMasks.empty(); }
    bool matches(const MaskSubject& name) const;
    const std::vector<NameMask>& masks() const { return mMasks; }

    /** The masks of @p list as texts, split and trimmed as add() does. */
    static std::vector<std::string> split(std::string_view list);

private:
    std::vector<NameMask> mMasks;
};

} // namespace dirlix
