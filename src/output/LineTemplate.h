// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the line template of the text output, compiled once into literal pieces and value slots.
#pragma once

#include "output/ColumnTexts.h"
#include "output/DateLocale.h"
#include "output/FormatDate.h"
#include "platform/FileRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dirlix {

/**
 * A line template ("\"%6%1\"", "%Fn%%TAB%%Skk% KB", ...) made ready to expand many rows.
 *
 * The placeholders are replaced one kind after the other, in this order, each exact and
 * case-sensitive, left to right, without overlapping: "%1" (File); "%2" .. "%8" (sub-items 1 to
 * the row's sub-item count); "%Fn%" (File); "%Dir%" (Directory); the sixteen date placeholders of
 * the created time stamp ("%Cd%" .. "%Cam%"), then those of the modified one ("%Md%" .. "%Mam%");
 * "%Sb%", "%Sbb%", "%Sk%", "%Skk%", "%Sm%", "%Smm%" (size in bytes, KiB, MiB; the grouped forms
 * with the locale's thousands separator, the divided ones halves up); for a row that carries
 * checksums (Row::hashAlgorithm set) only, "%Hash%" (its checksum; elsewhere it stays as typed, as
 * before checksums existed); "%TAB%", "%NL%", "%CRLF%";
 * "%%" (one "%"). Every kind from "%Fn%" on replaces only its first 20 occurrences; later ones stay
 * as typed.
 *
 * Placeholders are found only in the template's own text: a value put in by one kind is never read
 * by a later kind, and no placeholder is formed across a value, even an empty one. So "%%1" gives
 * "%" and the file name, and a file named "%TAB%" is written as it is named. Because of this the
 * template's whole expansion is worked out once, at compile(), as literal pieces and value slots;
 * a row only fills the slots.
 *
 * Not thread-safe: appendLine() uses scratch space of the object.
 */
class LineTemplate {
public:
    /** An empty template (every line empty). */
    LineTemplate();
    /** A template of @p text. */
    explicit LineTemplate(std::string_view text);

    /**
     * Makes @p text the template. Does nothing when it equals the current text, so a caller may
     * hand over the text for every row. Returns true when the text changed.
     */
    bool compile(std::string_view text);

    /** The template text as given. */
    const std::string& text() const { return mText; }

    /**
     * True when a found file's line needs more than its name and folder (size, attributes, times).
     * When false, a caller may skip reading the files' properties.
     */
    bool needsFileProperties();

    /**
     * Appends the line of @p row to @p out, without a line end: its column texts as @p texts makes
     * them, Created and Modified in the row's date pattern. A row whose values could not be read
     * gives empty size and date values. A row of texts fills the "%2" .. "%8" placeholders of the
     * sub-items it has and takes its size and date values from its values. Never fails.
     */
    void ExpandTemplate(std::string& out, const Row& row, RowTexts& texts);

    /**
     * Appends the value of date marker @p marker (0..15, order of kDateMarkers) for @p when; the
     * same text as DateMarkerValue, without its cost for the usual dates.
     */
    static void appendDateMarker(std::string& out, int marker, const DateTime& when, const DateLocale& locale);

private:
    // What a row must supply: the eight column texts, the two sets of date markers, the size forms.
    enum Slot : std::uint8_t {
        SlotColumn = 0,         // + column - 1 (File = 0, Directory = 5)
        SlotCreated = 8,        // + marker
        SlotModified = 24,      // + marker
        SlotSize = 40,          // + size form (Sb, Sbb, Sk, Skk, Sm, Smm)
        SlotHash = 46,
        SlotCount = 47,
        SlotLiteral = 0xFF,
    };

    struct Piece {
        std::uint8_t slot;   // a Slot, or SlotLiteral
        std::uint32_t start; // literal: offset in Plan::literals
        std::uint32_t length;
    };

    struct Plan {
        std::vector<Piece> pieces;
        std::string literals;
        std::vector<std::uint8_t> usedSlots; // every slot the pieces use, once
        bool needsCreated = false;
        bool needsModified = false;
        bool needsSize = false;
    };

    const Plan& planFor(int subItemCount, bool withHash = false);
    Plan build(int subItemCount, bool withHash) const;
    void fillDerived(const Plan& plan, const FileRecord& values, const DateLocale& locale);
    static void emitLine(std::string& out, const Plan& plan, const std::array<std::string, SlotCount>& values);

    std::string mText;
    std::array<std::optional<Plan>, 16> mPlans; // by the row's sub-item count, then with %Hash%; made when first needed
    std::array<std::string, SlotCount> mValues;  // one row's values, reused
};

} // namespace dirlix
