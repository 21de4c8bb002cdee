// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the step-by-step line template.
#include "output/ReferenceTemplate.h"

#include "output/FormatDate.h"

#include <cmath>
#include <vector>

namespace dirlix::test {

namespace {

struct Piece {
    bool fromTemplate;
    std::string text;
};

void replaceStep(std::vector<Piece>& line, const std::string& placeholder, const std::string& value, int limit)
{
    std::vector<Piece> result;
    int replaced = 0;
    for (const Piece& piece : line) {
        if (!piece.fromTemplate) {
            result.push_back(piece);
            continue;
        }
        std::string rest = piece.text;
        while (true) {
            const std::size_t at = (limit < 0 || replaced < limit) ? rest.find(placeholder) : std::string::npos;
            if (at == std::string::npos) {
                result.push_back({true, rest});
                break;
            }
            result.push_back({true, rest.substr(0, at)});
            result.push_back({false, value});
            rest = rest.substr(at + placeholder.size());
            ++replaced;
        }
    }
    line = std::move(result);
}

std::string grouped(std::int64_t value, const std::string& separator)
{
    const std::string digits = std::to_string(value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

} // namespace

std::string referenceExpand(std::string_view lineTemplate, const ReferenceRow& row)
{
    std::vector<Piece> line{{true, std::string(lineTemplate)}};
    replaceStep(line, "%1", row.texts[0], -1);
    for (int i = 1; i <= row.subItems; ++i)
        replaceStep(line, "%" + std::to_string(i + 1), row.texts[i], -1);
    replaceStep(line, "%Fn%", row.texts[0], 20);
    replaceStep(line, "%Dir%", row.texts[5], 20);
    for (char source : {'C', 'M'}) {
        const DateTime& when = source == 'C' ? row.created : row.modified;
        for (int marker = 0; marker < 16; ++marker)
            replaceStep(line, std::string("%") + source + std::string(kDateMarkers[marker]),
                        row.valuesKnown ? DateMarkerValue(marker, when, row.locale) : "", 20);
    }
    // Sizes in the test rows are never negative, so rounding half away from zero is rounding half up.
    const std::int64_t kib = std::llround(double(row.size) / 1024.0);
    const std::int64_t mib = std::llround(double(row.size) / 1024.0 / 1024.0);
    const std::string& separator = row.locale.thousandsSeparator;
    const auto shown = [&](std::string text) { return row.valuesKnown ? text : std::string(); };
    replaceStep(line, "%Sb%", shown(grouped(row.size, separator)), 20);
    replaceStep(line, "%Sbb%", shown(std::to_string(row.size)), 20);
    replaceStep(line, "%Sk%", shown(grouped(kib, separator)), 20);
    replaceStep(line, "%Skk%", shown(std::to_string(kib)), 20);
    replaceStep(line, "%Sm%", shown(grouped(mib, separator)), 20);
    replaceStep(line, "%Smm%", shown(std::to_string(mib)), 20);
    replaceStep(line, "%TAB%", "\t", 20);
    replaceStep(line, "%NL%", "\n", 20);
    replaceStep(line, "%CRLF%", "\r\n", 20);
    replaceStep(line, "%%", "%", 20);

    std::string out;
    for (const Piece& piece : line)
        out += piece.text;
    return out;
}

} // namespace dirlix::test
