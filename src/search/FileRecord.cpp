// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: attribute letters.
#include "search/FileRecord.h"

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

} // namespace dirlix
