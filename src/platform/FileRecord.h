// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the values of one found file, as the walk reads them and every consumer sees them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dirlix {

/** Attribute bits of a file. */
enum FileAttribute : std::uint16_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrVolume = 0x08,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
    AttrCompressed = 0x800,
};

/** Flags of a record. */
enum RecordFlag : std::uint8_t {
    /** Size, created and modified could not be read: they are 0 and shown empty. */
    RecordValuesUnknown = 0x01,
    /**
     * The walk saw a regular file at this name, not a link to one nor a FIFO, device or socket, so
     * that a reader of its content need not look at it again before opening it. Left clear
     * wherever that is not known.
     */
    RecordRegularFile = 0x02,
};

/** The raw values of one file. Times are seconds since the epoch. */
struct FileRecord {
    std::int64_t size = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint16_t attributes = 0;
    std::uint8_t flags = 0;
    /**
     * The nanoseconds of the modified time within its second, where the walk read them; 0 where
     * not (a kept list does not keep them).
     */
    std::uint32_t modifiedNanoseconds = 0;

    bool valuesKnown() const { return !(flags & RecordValuesUnknown); }
};

/**
 * One row as every consumer reads it: a file's name and folder (bytes, valid until the source
 * hands out the next row), its values, and the date pattern its date texts are made in.
 */
struct Row {
    std::string_view name;
    /** The folder's path text, ending in the separator. */
    std::string_view folder;
    FileRecord values;
    /** The date pattern of its Created and Modified texts. */
    std::string_view datePattern;
    /**
     * For a row given texts one by one: its eight column texts. Column c (1..8) shows texts[c - 1]
     * when bit c - 1 of textMask is set, else the text made from the values. Null, with a mask of
     * 0, for every row the walk found.
     */
    const std::string* texts = nullptr;
    std::uint8_t textMask = 0;
    /** Sub-items the row has: 7 for a found file; for a row of texts, the highest one set. */
    std::uint8_t subItems = 7;
    /**
     * The checksum of the file's content as lowercase hex, when checksums were asked for; empty
     * when none was made for it (not a regular file, unreadable, changed while read).
     */
    std::string_view hash;
    /**
     * The algorithm of the checksums ("sha256", "xxh128", ...): not empty only when checksums were
     * asked for, so that outputs carry their checksum fields only then.
     */
    std::string_view hashAlgorithm;
};

} // namespace dirlix
