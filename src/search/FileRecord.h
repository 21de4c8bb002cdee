// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the values of one found file, its attribute bits and their letters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dirlix {

/** Attribute bits of a file, as the list shows them. */
enum FileAttribute : std::uint16_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrVolume = 0x08,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
    AttrCompressed = 0x800,
};

/**
 * The attribute letters of @p attributes: one letter per set bit, in the order
 * A (archive), C (compressed), D (directory), H (hidden), R (read-only), S (system), V (volume).
 * Other bits are ignored; no bit set gives an empty text.
 */
std::string AttribLetters(std::uint16_t attributes);

/** The fixed pattern of the hidden sort-key columns. */
inline constexpr std::string_view kSortKeyPattern = "yyyy-mm-dd HH:MM:SS";

/** The column captions of the file list, in order. */
inline constexpr std::string_view kColumnCaptions[8] = {"File",     "Size",      "Attrib", "Created",
                                                        "Modified", "Directory", "CYMD",   "MYMD"};

/** Column numbers of the file list, from 1 as the list numbers them; sub-item n is column n + 1. */
enum Column : int {
    ColFile = 1,
    ColSize,
    ColAttrib,
    ColCreated,
    ColModified,
    ColDirectory,
    ColCreatedKey,
    ColModifiedKey,
};

} // namespace dirlix
