// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: column texts.
#include "output/ColumnTexts.h"

#include <charconv>

namespace dirlix {

std::string AttribLetters(std::uint16_t attributes)
{
    static constexpr struct {
        std::uint16_t bit;
        char letter;
    } kLetters[] = {{AttrArchive, 'A'}, {AttrCompressed, 'C'}, {AttrDirectory, 'D'}, {AttrHidden, 'H'},
                    {AttrReadOnly, 'R'}, {AttrSystem, 'S'},     {AttrVolume, 'V'}};
    std::string letters;
    for (const auto& entry : kLetters)
        if (attributes & entry.bit)
            letters += entry.letter;
    return letters;
}

RowTexts::RowTexts(const DateLocale& locale) : mLocale(locale), mSortKey(kSortKeyPattern) {}

const DatePattern& RowTexts::patternOf(const Row& row)
{
    if (!mPattern || mPattern->text() != row.datePattern) {
        mPattern = std::make_unique<DatePattern>(row.datePattern);
        ++mGeneration;
    }
    return *mPattern;
}

const RowTexts::StampTexts& RowTexts::textsOf(std::int64_t stamp, const DatePattern& pattern)
{
    for (unsigned i = 0; i < 2; ++i) {
        if (mStamps[i].generation == mGeneration && mStamps[i].stamp == stamp) {
            mOlderStamp = i ^ 1u;
            return mStamps[i];
        }
    }
    StampTexts& texts = mStamps[mOlderStamp];
    mOlderStamp ^= 1u;
    texts.when = localFromUnix(stamp);
    texts.shown.clear();
    pattern.appendTo(texts.shown, texts.when, mLocale);
    texts.key.clear();
    mSortKey.appendTo(texts.key, texts.when, mLocale);
    texts.stamp = stamp;
    texts.generation = mGeneration;
    return texts;
}

void RowTexts::appendColumn(std::string& out, int column, const Row& row)
{
    if (column < ColFile || column > ColModifiedKey)
        return;
    if (row.textMask & (1u << (column - 1))) {
        out += row.texts[column - 1];
        return;
    }
    const bool known = row.values.valuesKnown();
    switch (column) {
    case ColFile:
        out += row.name;
        break;
    case ColSize:
        if (known) {
            char digits[24];
            const auto result = std::to_chars(digits, digits + sizeof digits, row.values.size);
            out.append(digits, result.ptr);
        }
        break;
    case ColAttrib:
        out += AttribLetters(row.values.attributes);
        break;
    case ColCreated:
        if (known)
            patternOf(row).appendTo(out, localFromUnix(row.values.created), mLocale);
        break;
    case ColModified:
        if (known)
            patternOf(row).appendTo(out, localFromUnix(row.values.modified), mLocale);
        break;
    case ColDirectory:
        out += row.folder;
        break;
    case ColCreatedKey:
        if (known)
            mSortKey.appendTo(out, localFromUnix(row.values.created), mLocale);
        break;
    default:
        if (known)
            mSortKey.appendTo(out, localFromUnix(row.values.modified), mLocale);
        break;
    }
}

void RowTexts::appendRow(std::string& out, const Row& row, char separator, char end)
{
    if (row.textMask != 0 || !row.values.valuesKnown()) {
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            appendColumn(out, column, row);
            out += column == ColModifiedKey ? end : separator;
        }
        return;
    }
    const DatePattern& pattern = patternOf(row);
    const StampTexts& created = textsOf(row.values.created, pattern);
    const StampTexts& modified = textsOf(row.values.modified, pattern);
    out += row.name;
    out += separator;
    appendColumn(out, ColSize, row);
    out += separator;
    appendColumn(out, ColAttrib, row);
    out += separator;
    out += created.shown;
    out += separator;
    out += modified.shown;
    out += separator;
    out += row.folder;
    out += separator;
    out += created.key;
    out += separator;
    out += modified.key;
    out += end;
}

} // namespace dirlix
