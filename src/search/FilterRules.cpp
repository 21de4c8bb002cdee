// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the filter rules and the walk filter made from them.
#include "search/FilterRules.h"
#include "search/NameMask.h"

#include <charconv>
#include <ctime>
#include <limits>

namespace dirlix {

namespace {

// A whole number at the start of @p text; @p used receives how many.
std::optional<std::int64_t> leadingNumber(std::string_view text, std::size_t& used)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    used = std::size_t(end - text.data());
    if (ec != std::errc() || used == 0 || text[0] == '-')
        return std::nullopt;
    return value;
}

// Multiplies without overflow; nothing when the product would not fit.
std::optional<std::int64_t> times(std::int64_t value, std::int64_t factor)
{
    if (value > std::numeric_limits<std::int64_t>::max() / factor)
        return std::nullopt;
    return value * factor;
}

// Reads exactly @p digits digits of @p text at @p at.
bool fixedNumber(std::string_view text, std::size_t at, std::size_t digits, int& value)
{
    if (at + digits > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::optional<TimeBound> parseDate(std::string_view text, std::string& error)
{
    const std::string forms = "use YYYY-MM-DD, YYYY-MM-DD HH:MM, YYYY-MM-DD HH:MM:SS or an age such as 7d, 12h or 30m";
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool shaped = fixedNumber(text, 0, 4, year) && text.size() >= 10 && text[4] == '-' &&
                        fixedNumber(text, 5, 2, month) && text[7] == '-' && fixedNumber(text, 8, 2, day) &&
                        (text.size() == 10 ||
                         ((text.size() == 16 || text.size() == 19) && (text[10] == ' ' || text[10] == 'T') &&
                          fixedNumber(text, 11, 2, hour) && text[13] == ':' && fixedNumber(text, 14, 2, minute) &&
                          (text.size() == 16 || (text[16] == ':' && fixedNumber(text, 17, 2, second)))));
    if (!shaped) {
        error = "\"" + std::string(text) + "\" is not a date, time or age: " + forms;
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        error = "\"" + std::string(text) + "\" is not a real date and time";
        return std::nullopt;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1; // the zone decides whether daylight saving was in force then
    const std::time_t seconds = std::mktime(&local);
    if (seconds == std::time_t(-1)) {
        error = "\"" + std::string(text) + "\" cannot be given in this system's local time";
        return std::nullopt;
    }
    return TimeBound{std::int64_t(seconds), false};
}

// The filter stage of a walk under a set of rules. Masks are compiled once; a name is prepared
// once per file, in the calling thread's scratch, however many masks there are.
class RuleFilter final : public WalkFilter {
public:
    RuleFilter(const FilterRules& rules, std::int64_t now, std::shared_ptr<FilterCounts> counts)
        : mDotFolders(rules.dotFolders), mMinSize(rules.minSize), mMaxSize(rules.maxSize), mCounts(std::move(counts))
    {
        std::string error;
        for (const std::string& list : rules.include)
            mInclude.add(list, rules.caseSensitive, error);
        for (const std::string& list : rules.exclude)
            mExclude.add(list, rules.caseSensitive, error);
        if (rules.newer)
            mNewer = rules.newer->at(now);
        if (rules.older)
            mOlder = rules.older->at(now);
    }

    bool entersFolder(std::string_view name, Scratch& scratch) const override
    {
        if (!mDotFolders && !name.empty() && name.front() == '.')
            return false;
        if (mExclude.empty() || !mExclude.matches(subject(name, scratch)))
            return true;
        mCounts->foldersLeftOut.fetch_add(1, std::memory_order_relaxed);
        return false;
    }

    bool keepsName(std::string_view name, Scratch& scratch) const override
    {
        if (mInclude.empty() && mExclude.empty())
            return true;
        const MaskSubject& prepared = subject(name, scratch);
        return !mExclude.matches(prepared) && (mInclude.empty() || mInclude.matches(prepared));
    }

    bool keepsFile(std::string_view, const FileRecord& values) const override
    {
        return (!mMinSize || values.size >= *mMinSize) && (!mMaxSize || values.size <= *mMaxSize) &&
               (!mNewer || values.modified >= *mNewer) && (!mOlder || values.modified < *mOlder);
    }

    bool needsValues() const override { return mMinSize || mMaxSize || mNewer || mOlder; }

private:
    static const MaskSubject& subject(std::string_view name, Scratch& scratch)
    {
        scratch.subject.assign(name);
        return scratch.subject;
    }

    bool mDotFolders;
    MaskList mInclude, mExclude;
    std::optional<std::int64_t> mMinSize, mMaxSize, mNewer, mOlder;
    std::shared_ptr<FilterCounts> mCounts;
};

} // namespace

std::optional<std::int64_t> parseSize(std::string_view text, std::string& error)
{
    std::size_t used = 0;
    const auto number = leadingNumber(text, used);
    std::int64_t factor = 0;
    if (number && used == text.size()) {
        factor = 1;
    } else if (number && used + 1 == text.size()) {
        const char suffix = text.back() >= 'a' && text.back() <= 'z' ? char(text.back() - 32) : text.back();
        if (const auto unit = std::string_view("KMGT").find(suffix); unit != std::string_view::npos)
            factor = std::int64_t(1) << (10 * (unit + 1));
    }
    if (factor == 0) {
        error = "\"" + std::string(text) +
                "\" is not a size: use a whole number of bytes, optionally followed by K, M, G or T";
        return std::nullopt;
    }
    const auto bytes = times(*number, factor);
    if (!bytes)
        error = "\"" + std::string(text) + "\" is larger than any file can be";
    return bytes;
}

std::string sizeText(std::int64_t bytes)
{
    static const char units[] = "KMGT";
    int unit = -1;
    while (bytes != 0 && unit < 3 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + (unit < 0 ? std::string() : std::string(1, units[unit]));
}

std::optional<TimeBound> parseTime(std::string_view text, std::string& error)
{
    std::size_t used = 0;
    const auto count = leadingNumber(text, used);
    if (count && used + 1 == text.size() && (text.back() == 'd' || text.back() == 'h' || text.back() == 'm')) {
        const std::int64_t unit = text.back() == 'd' ? 86400 : text.back() == 'h' ? 3600 : 60;
        const auto age = times(*count, unit);
        // Ages past the start of the calendar make no sense and could overflow a time later.
        if (!age || *age > std::int64_t(1) << 50) {
            error = "\"" + std::string(text) + "\" is too long ago";
            return std::nullopt;
        }
        return TimeBound{*age, true};
    }
    return parseDate(text, error);
}

bool FilterRules::active() const
{
    return !include.empty() || !exclude.empty() || minSize || maxSize || newer || older || followLinks ||
           oneFileSystem || dotFolders;
}

std::string FilterRules::problem(std::int64_t now) const
{
    std::string error;
    MaskList check;
    for (const auto* lists : {&include, &exclude})
        for (const std::string& list : *lists)
            if (!check.add(list, caseSensitive, error))
                return error;
    if (minSize && maxSize && *minSize > *maxSize)
        return "the smallest size (" + sizeText(*minSize) + ") is larger than the largest (" + sizeText(*maxSize) +
               "), so no file would be kept";
    if (newer && older && newer->at(now) >= older->at(now))
        return "the modified range is empty: \"before\" must come after \"at or after\", so no file would be kept";
    return {};
}

std::shared_ptr<const FilterCounts> FilterRules::applyTo(WalkOptions& options, std::int64_t now) const
{
    options.followLinks = options.followLinks || followLinks;
    options.oneFileSystem = options.oneFileSystem || oneFileSystem;
    if (include.empty() && exclude.empty() && !minSize && !maxSize && !newer && !older && !dotFolders)
        return nullptr;
    auto counts = std::make_shared<FilterCounts>();
    options.filter = std::make_shared<RuleFilter>(*this, now, counts);
    return counts;
}

} // namespace dirlix
