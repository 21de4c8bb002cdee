// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the line template of the text output.
#include "output/LineTemplate.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dirlix {

namespace {

constexpr int kNoLimit = -1;
constexpr int kLimit = 20;

// One replacement step: the placeholder, what replaces it (a slot, or fixed text) and its limit.
struct Step {
    std::string placeholder;
    int slot;          // -1: fixed text
    std::string_view fixed;
    int limit;
};

void appendTwoDigits(std::string& out, int value)
{
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

void appendDigits(std::string& out, std::uint64_t value, std::string_view separator)
{
    char digits[24];
    char* end = digits + sizeof digits;
    char* cursor = end;
    do {
        *--cursor = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    const std::size_t count = static_cast<std::size_t>(end - cursor);
    if (separator.empty() || count <= 3) {
        out.append(cursor, end);
        return;
    }
    std::size_t head = count % 3 == 0 ? 3 : count % 3;
    out.append(cursor, head);
    for (cursor += head; cursor != end; cursor += 3) {
        out += separator;
        out.append(cursor, 3);
    }
}

void appendWhole(std::string& out, std::int64_t value, std::string_view separator)
{
    if (value < 0)
        out.push_back('-');
    appendDigits(out, value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value),
                 separator);
}

// The size divided in double precision, to the nearest whole number with halves going up.
std::int64_t dividedSize(std::int64_t size, int divisions)
{
    // Bytes stay exact: a double holds whole numbers only up to 2^53, and near 2^63 would not fit back.
    if (divisions == 0)
        return size;
    double value = static_cast<double>(size);
    for (int i = 0; i < divisions; ++i)
        value /= 1024.0;
    // floor and the fraction are exact in double, so no half is lost to adding 0.5.
    const double whole = std::floor(value);
    return static_cast<std::int64_t>(value - whole >= 0.5 ? whole + 1 : whole);
}

} // namespace

LineTemplate::LineTemplate() = default;

LineTemplate::LineTemplate(std::string_view text) : LineTemplate()
{
    compile(text);
}

bool LineTemplate::compile(std::string_view text)
{
    if (text == mText)
        return false;
    mText.assign(text);
    for (auto& plan : mPlans)
        plan.reset();
    return true;
}

bool LineTemplate::needsFileProperties()
{
    const Plan& plan = planFor(7);
    return std::any_of(plan.usedSlots.begin(), plan.usedSlots.end(),
                       [](std::uint8_t slot) { return slot != SlotColumn + 0 && slot != SlotColumn + 5; });
}

const LineTemplate::Plan& LineTemplate::planFor(int subItemCount, bool withHash)
{
    const auto items = static_cast<std::size_t>(std::clamp(subItemCount, 0, 7));
    const std::size_t which = items + (withHash ? 8 : 0);
    if (!mPlans[which])
        mPlans[which] = build(static_cast<int>(items), withHash);
    return *mPlans[which];
}

LineTemplate::Plan LineTemplate::build(int subItemCount, bool withHash) const
{
    std::vector<Step> steps;
    steps.push_back({"%1", SlotColumn + 0, {}, kNoLimit});
    for (int subItem = 1; subItem <= subItemCount; ++subItem)
        steps.push_back({"%" + std::to_string(subItem + 1), SlotColumn + subItem, {}, kNoLimit});
    steps.push_back({"%Fn%", SlotColumn + 0, {}, kLimit});
    steps.push_back({"%Dir%", SlotColumn + 5, {}, kLimit});
    for (int marker = 0; marker < 16; ++marker)
        steps.push_back({"%C" + std::string(kDateMarkers[marker]), SlotCreated + marker, {}, kLimit});
    for (int marker = 0; marker < 16; ++marker)
        steps.push_back({"%M" + std::string(kDateMarkers[marker]), SlotModified + marker, {}, kLimit});
    const char* sizeForms[] = {"%Sb%", "%Sbb%", "%Sk%", "%Skk%", "%Sm%", "%Smm%"};
    for (int form = 0; form < 6; ++form)
        steps.push_back({sizeForms[form], SlotSize + form, {}, kLimit});
    if (withHash)
        steps.push_back({"%Hash%", SlotHash, {}, kLimit});
    steps.push_back({"%TAB%", -1, "\t", kLimit});
    steps.push_back({"%NL%", -1, "\n", kLimit});
    steps.push_back({"%CRLF%", -1, "\r\n", kLimit});
    steps.push_back({"%%", -1, "%", kLimit});

    // Each step marks the template characters it replaces as used. A later step may only match a
    // run of unused characters, which is exactly "only in the template's own text, never across a
    // value": the characters a value stands in for are used, even when the value is empty.
    const std::string_view text = mText;
    std::vector<bool> used(text.size(), false);
    struct Match {
        std::size_t end;
        const Step* step;
    };
    std::vector<std::optional<Match>> matchAt(text.size());
    for (const Step& step : steps) {
        int replaced = 0;
        std::size_t from = 0;
        while (step.limit == kNoLimit || replaced < step.limit) {
            const std::size_t found = text.find(step.placeholder, from);
            if (found == std::string_view::npos)
                break;
            const std::size_t end = found + step.placeholder.size();
            if (std::find(used.begin() + static_cast<std::ptrdiff_t>(found), used.begin() + static_cast<std::ptrdiff_t>(end),
                          true) != used.begin() + static_cast<std::ptrdiff_t>(end)) {
                from = found + 1;
                continue;
            }
            std::fill(used.begin() + static_cast<std::ptrdiff_t>(found), used.begin() + static_cast<std::ptrdiff_t>(end), true);
            matchAt[found] = Match{end, &step};
            ++replaced;
            from = end;
        }
    }

    Plan plan;
    auto addLiteral = [&plan](std::string_view literal) {
        if (literal.empty())
            return;
        if (!plan.pieces.empty() && plan.pieces.back().slot == SlotLiteral) {
            plan.pieces.back().length += static_cast<std::uint32_t>(literal.size());
        } else {
            plan.pieces.push_back(Piece{SlotLiteral, static_cast<std::uint32_t>(plan.literals.size()),
                                        static_cast<std::uint32_t>(literal.size())});
        }
        plan.literals += literal;
    };
    for (std::size_t pos = 0; pos < text.size();) {
        if (!matchAt[pos]) {
            addLiteral(text.substr(pos, 1));
            ++pos;
            continue;
        }
        const Match& match = *matchAt[pos];
        if (match.step->slot < 0) {
            addLiteral(match.step->fixed);
        } else {
            const auto slot = static_cast<std::uint8_t>(match.step->slot);
            plan.pieces.push_back(Piece{slot, 0, 0});
            if (std::find(plan.usedSlots.begin(), plan.usedSlots.end(), slot) == plan.usedSlots.end())
                plan.usedSlots.push_back(slot);
            plan.needsCreated |= slot >= SlotCreated && slot < SlotModified;
            plan.needsModified |= slot >= SlotModified && slot < SlotSize;
            plan.needsSize |= slot >= SlotSize && slot < SlotHash;
        }
        pos = match.end;
    }
    return plan;
}

void LineTemplate::appendDateMarker(std::string& out, int marker, const DateTime& when, const DateLocale& locale)
{
    const bool usual = when.year >= 0 && when.year <= 9999 && when.month >= 1 && when.month <= 12 && when.day >= 1 &&
                       when.day <= 31 && when.hour >= 0 && when.hour <= 23 && when.minute >= 0 &&
                       when.minute <= 59 && when.second >= 0 && when.second <= 59;
    if (!usual || marker < 0 || marker > 15) {
        out += DateMarkerValue(marker, when, locale);
        return;
    }
    const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    switch (marker) {
    case 0: // d
        if (when.day >= 10)
            out.push_back(static_cast<char>('0' + when.day / 10));
        out.push_back(static_cast<char>('0' + when.day % 10));
        break;
    case 1: // dd
        appendTwoDigits(out, when.day);
        break;
    case 2: { // ddd: the weekday from the date itself, 1970-01-01 being a Thursday
        const std::int64_t days = daysFromCivil(when.year, when.month, when.day);
        out += locale.dayShort[static_cast<std::size_t>((days % 7 + 11) % 7)];
        break;
    }
    case 3: // m
        if (when.month >= 10)
            out.push_back('1');
        out.push_back(static_cast<char>('0' + when.month % 10));
        break;
    case 4: // mm
        appendTwoDigits(out, when.month);
        break;
    case 5: // mmm
        out += locale.monthShort[static_cast<std::size_t>(when.month - 1)];
        break;
    case 6: // mmmm
        out += locale.monthLong[static_cast<std::size_t>(when.month - 1)];
        break;
    case 7: // yy
        appendTwoDigits(out, when.year % 100);
        break;
    case 8: // yyyy
        appendTwoDigits(out, when.year / 100);
        appendTwoDigits(out, when.year % 100);
        break;
    case 9: // I: the 12-hour hour, right-aligned in two characters
        out.push_back(hour12 >= 10 ? '1' : ' ');
        out.push_back(static_cast<char>('0' + hour12 % 10));
        break;
    case 10: // II
        appendTwoDigits(out, hour12);
        break;
    case 11: // H: the hour, right-aligned in two characters
        out.push_back(when.hour >= 10 ? static_cast<char>('0' + when.hour / 10) : ' ');
        out.push_back(static_cast<char>('0' + when.hour % 10));
        break;
    case 12: // HH
        appendTwoDigits(out, when.hour);
        break;
    case 13: // MM: minutes
        appendTwoDigits(out, when.minute);
        break;
    case 14: // SS
        appendTwoDigits(out, when.second);
        break;
    default: // am
        out += when.hour < 12 ? "am" : "pm";
        break;
    }
}

void LineTemplate::fillDerived(const Plan& plan, const FileRecord& values, const DateLocale& locale)
{
    const bool known = values.valuesKnown();
    DateTime created, modified;
    if (known && plan.needsCreated)
        created = localFromUnix(values.created);
    if (known && plan.needsModified)
        modified = localFromUnix(values.modified);
    for (const std::uint8_t slot : plan.usedSlots) {
        if (slot < SlotCreated || slot == SlotHash)
            continue;
        std::string& value = mValues[slot];
        value.clear();
        if (!known)
            continue; // what could not be read is shown as nothing
        if (slot < SlotModified) {
            appendDateMarker(value, slot - SlotCreated, created, locale);
        } else if (slot < SlotSize) {
            appendDateMarker(value, slot - SlotModified, modified, locale);
        } else {
            const int form = slot - SlotSize;
            const std::int64_t shown = dividedSize(values.size, form / 2);
            // Bytes are shown exactly; only the divided forms go through double precision.
            appendWhole(value, form < 2 ? values.size : shown,
                        form % 2 == 0 ? locale.thousandsSeparator : std::string_view());
        }
    }
}

void LineTemplate::emitLine(std::string& out, const Plan& plan, const std::array<std::string, SlotCount>& values)
{
    const char* const literals = plan.literals.data();
    for (const Piece& piece : plan.pieces) {
        if (piece.slot == SlotLiteral)
            out.append(literals + piece.start, piece.length);
        else
            out += values[piece.slot];
    }
}

void LineTemplate::ExpandTemplate(std::string& out, const Row& row, RowTexts& texts)
{
    const Plan& plan = planFor(row.subItems, !row.hashAlgorithm.empty());
    for (const std::uint8_t slot : plan.usedSlots) {
        if (slot == SlotHash) {
            mValues[slot].assign(row.hash);
        } else if (slot < SlotCreated) {
            mValues[slot].clear();
            texts.appendColumn(mValues[slot], slot + 1, row);
        }
    }
    fillDerived(plan, row.values, texts.locale());
    emitLine(out, plan, mValues);
}

} // namespace dirlix
