// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: sorting and narrowing the list, run on a worker thread.
#include "app/ListOrder.h"

#include "platform/CollationKeys.h"
#include "output/ColumnTexts.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>

namespace dirlix {

namespace {

constexpr std::size_t kCancelStride = 1 << 14; // rows between two looks at the cancel flag

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Whether ASCII-only @p text contains @p lower (already in lower case), ignoring ASCII case.
bool containsFolded(std::string_view text, std::string_view lower)
{
    if (lower.size() > text.size())
        return false;
    for (std::size_t start = 0; start + lower.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < lower.size() && asciiLower(text[start + i]) == lower[i])
            ++i;
        if (i == lower.size())
            return true;
    }
    return false;
}

bool hasText(const Row& row, int column)
{
    return row.texts && (row.textMask & (1u << (column - 1)));
}

// A number column's key: the raw value, or the lowest for a cell that shows nothing.
std::int64_t numberKey(const Row& row, int column)
{
    if (hasText(row, column)) {
        // A row given its texts one by one sorts by the number its text starts with.
        const std::string& text = row.texts[column - 1];
        std::int64_t value = 0;
        if (column == ColSize && std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc())
            return value;
        return INT64_MIN;
    }
    if (!row.values.valuesKnown())
        return INT64_MIN;
    switch (column) {
    case ColSize:
        return row.values.size;
    case ColCreated:
        return row.values.created;
    default:
        return row.values.modified;
    }
}

// Ranks in @p keys order, equal keys sharing a rank; returns the rank of each key.
template <typename Key, typename Less>
std::vector<std::uint32_t> ranksOf(const std::vector<Key>& keys, Less less)
{
    std::vector<std::uint32_t> byKey(keys.size());
    for (std::size_t i = 0; i < byKey.size(); ++i)
        byKey[i] = std::uint32_t(i);
    std::sort(byKey.begin(), byKey.end(), [&](std::uint32_t a, std::uint32_t b) { return less(keys[a], keys[b]); });
    std::vector<std::uint32_t> rank(keys.size());
    std::uint32_t current = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        if (i != 0 && less(keys[byKey[i - 1]], keys[byKey[i]]))
            ++current;
        rank[byKey[i]] = current;
    }
    return rank;
}

// Rows sorted by a rank each, stably: the rank above, the row's own index below, in one number.
RowOrder orderByRank(const std::vector<std::uint32_t>& rankOfRow, bool descending)
{
    std::vector<std::uint64_t> packed(rankOfRow.size());
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const std::uint32_t rank = descending ? UINT32_MAX - rankOfRow[i] : rankOfRow[i];
        packed[i] = (std::uint64_t(rank) << 32) | i;
    }
    std::sort(packed.begin(), packed.end());
    RowOrder order(packed.size());
    for (std::size_t i = 0; i < packed.size(); ++i)
        order[i] = std::uint32_t(packed[i]);
    return order;
}

std::optional<RowOrder> sortByNumber(RowSource& rows, int column, bool descending, Cancel cancel)
{
    struct Keyed {
        std::int64_t key;
        std::uint32_t index;
    };
    std::vector<Keyed> keyed;
    if (auto total = rows.total())
        keyed.reserve(*total);
    Row row;
    for (std::uint32_t i = 0; rows.next(row); ++i) {
        if (i % kCancelStride == 0 && cancel.requested())
            return std::nullopt;
        keyed.push_back({numberKey(row, column), i});
    }
    std::sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return descending ? a.key > b.key : a.key < b.key;
        return a.index < b.index;
    });
    if (cancel.requested())
        return std::nullopt;
    RowOrder order(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        order[i] = keyed[i].index;
    return order;
}

// Ranks of keys held one after another in @p arena (key g from offsets[g] to offsets[g + 1]),
// compared as bytes. Sorted eight bytes at a time, as whole numbers (a radix sort from the most
// significant digit): names that share a long start never cost a byte-by-byte comparison.
std::vector<std::uint32_t> ranksOfBytes(const std::string& arena, const std::vector<std::size_t>& offsets)
{
    struct Head {
        std::uint64_t digit; // key bytes [depth, depth + 8), zero beyond its end
        std::uint32_t group;
    };
    const std::size_t groups = offsets.size() - 1;
    const auto length = [&](std::uint32_t g) { return offsets[g + 1] - offsets[g]; };
    const auto digitAt = [&](std::uint32_t g, std::size_t depth) {
        std::uint64_t digit = 0;
        const std::size_t size = length(g);
        const char* key = arena.data() + offsets[g];
        for (std::size_t i = depth; i < depth + 8; ++i)
            digit = (digit << 8) | (i < size ? std::uint8_t(key[i]) : 0u);
        return digit;
    };
    std::vector<Head> heads(groups);
    for (std::uint32_t g = 0; g < groups; ++g)
        heads[g] = {0, g};
    // Ranges still to sort, with the depth their keys are equal up to. Keys hold no zero byte, so
    // keys equal in every digit up to their ends are equal, and a range of them is done.
    struct Range {
        std::size_t begin, end, depth;
    };
    std::vector<Range> pending{{0, groups, 0}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        for (std::size_t i = range.begin; i < range.end; ++i)
            heads[i].digit = digitAt(heads[i].group, range.depth);
        std::sort(heads.begin() + std::ptrdiff_t(range.begin), heads.begin() + std::ptrdiff_t(range.end),
                  [](const Head& a, const Head& b) { return a.digit < b.digit; });
        for (std::size_t first = range.begin; first < range.end;) {
            std::size_t last = first + 1;
            bool longer = length(heads[first].group) > range.depth + 8;
            while (last < range.end && heads[last].digit == heads[first].digit) {
                longer = longer || length(heads[last].group) > range.depth + 8;
                ++last;
            }
            if (last - first > 1 && longer)
                pending.push_back({first, last, range.depth + 8});
            first = last;
        }
    }
    std::vector<std::uint32_t> rank(groups);
    std::uint32_t current = 0;
    const auto key = [&](std::uint32_t g) { return std::string_view(arena.data() + offsets[g], length(g)); };
    for (std::size_t i = 0; i < groups; ++i) {
        if (i != 0 && key(heads[i - 1].group) != key(heads[i].group))
            ++current;
        rank[heads[i].group] = current;
    }
    return rank;
}

// Rows in a run with the same text (a folder's files, for the Directory column) share one key, so
// a key is made once per run rather than once per row, let alone once per comparison.
std::optional<RowOrder> sortByText(RowSource& rows, int column, bool descending, Cancel cancel)
{
    const bool collated = column != ColAttrib;
    // The C and POSIX locales count as English here, as for dates: Qt would compare their texts
    // code by code, with no natural order of numbers.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    CollationKeys byteKeys(locale);
    const bool inArena = !collated || byteKeys.valid();
    QCollator collator{locale};
    collator.setNumericMode(true);
    RowTexts texts;
    std::vector<std::uint32_t> groupOfRow;
    if (auto total = rows.total())
        groupOfRow.reserve(*total);
    std::string arena;                       // byte keys, one after another
    std::vector<std::size_t> offsets{0};     // where each group's key starts in the arena
    std::vector<QCollatorSortKey> qtKeys;    // where there are no byte keys
    std::string text, previous;
    Row row;
    for (std::uint32_t i = 0; rows.next(row); ++i) {
        if (i % kCancelStride == 0 && cancel.requested())
            return std::nullopt;
        text.clear();
        texts.appendColumn(text, column, row);
        if (i == 0 || text != previous) {
            if (!collated)
                arena += text;
            else if (inArena)
                byteKeys.append(arena, QString::fromUtf8(text.data(), qsizetype(text.size())));
            else
                qtKeys.push_back(collator.sortKey(QString::fromUtf8(text.data(), qsizetype(text.size()))));
            offsets.push_back(arena.size());
            previous.swap(text);
        }
        groupOfRow.push_back(std::uint32_t(offsets.size() - 2));
    }
    if (cancel.requested())
        return std::nullopt;
    const std::vector<std::uint32_t> groupRank =
        inArena ? ranksOfBytes(arena, offsets)
                : ranksOf(qtKeys, [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; });
    arena = {};
    offsets = {};
    qtKeys = {};
    for (std::uint32_t& group : groupOfRow)
        group = groupRank[group];
    if (cancel.requested())
        return std::nullopt;
    return orderByRank(groupOfRow, descending);
}

} // namespace

FindMatcher::FindMatcher(const QString& text, bool wholePath)
    : mText(text), mWholePath(wholePath),
      mMask(text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')))
{
    const QByteArray utf8 = text.toUtf8();
    if (mMask) {
        // The filters' mask rule; a mask still being typed (an open `[`) matches no row.
        std::string error;
        mNameMask = NameMask::compile(std::string_view(utf8.data(), std::size_t(utf8.size())), false, error);
    }
    if (!mMask && isAscii(std::string_view(utf8.data(), std::size_t(utf8.size())))) {
        mAsciiLower.assign(utf8.data(), std::size_t(utf8.size()));
        for (char& c : mAsciiLower)
            c = asciiLower(c);
    }
}

bool FindMatcher::matches(const Row& row)
{
    if (mText.isEmpty())
        return true;
    std::string_view subject = row.name;
    if (hasText(row, ColFile))
        subject = row.texts[0];
    if (mWholePath) {
        mPath.assign(row.folder);
        mPath.append(subject);
        subject = mPath;
    }
    if (mMask) {
        if (!mNameMask)
            return false;
        mSubject.assign(subject);
        return mNameMask->matches(mSubject);
    }
    // Names are mostly ASCII: compare their bytes then, and decode only the others.
    if (!mAsciiLower.empty() && isAscii(subject))
        return containsFolded(subject, mAsciiLower);
    mDecoded = QString::fromUtf8(subject.data(), qsizetype(subject.size()));
    return mDecoded.contains(mText, Qt::CaseInsensitive);
}

std::optional<RowOrder> sortedOrder(RowSource& rows, int column, bool descending, Cancel cancel)
{
    const int listColumn = column + 1;
    switch (listColumn) {
    case ColSize:
    case ColCreated:
    case ColModified:
        return sortByNumber(rows, listColumn, descending, cancel);
    case ColFile:
    case ColAttrib:
    case ColDirectory:
        return sortByText(rows, listColumn, descending, cancel);
    default: {
        // The hidden key columns are not offered; anything else keeps the walk order.
        RowOrder order;
        Row row;
        for (std::uint32_t i = 0; rows.next(row); ++i)
            order.push_back(i);
        return order;
    }
    }
}

std::optional<std::vector<bool>> matchingRows(RowSource& rows, FindMatcher& matcher, Cancel cancel)
{
    std::vector<bool> matched;
    if (auto total = rows.total())
        matched.reserve(*total);
    Row row;
    for (std::size_t i = 0; rows.next(row); ++i) {
        if (i % kCancelStride == 0 && cancel.requested())
            return std::nullopt;
        matched.push_back(matcher.matches(row));
    }
    return matched;
}

} // namespace dirlix
