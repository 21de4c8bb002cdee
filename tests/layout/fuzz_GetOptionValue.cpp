// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: libFuzzer target for the layout rule-text reader and its number reading.
#include "fuzz/FuzzInput.h"
#include "layout/GetOptionValue.h"
#include "layout/LayoutNumbers.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using dirlix::fuzz::check;

namespace {

bool same(const dirlix::LayoutResult<double>& a, const dirlix::LayoutResult<double>& b)
{
    return a.error() == b.error() && (!a.ok() || a.value() == b.value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    const auto number = dirlix::readLayoutNumber(text);
    check(!number.ok() || std::isfinite(number.value()));
    // Tabs are skipped wherever they stand.
    check(same(number, dirlix::readLayoutNumber("\t" + text + "\t")));

    for (std::string_view key : {"X=", "Y=", "W=", "H="}) {
        const auto factor = dirlix::GetOptionValue(key, text);
        // A factor is a 16-bit numerator over a non-zero 16-bit denominator.
        check(!factor.ok() || std::fabs(factor.value()) <= 32768.0);
        // Text after a space that follows the key's value never changes the factor.
        check(text.find(key) == std::string::npos || same(factor, dirlix::GetOptionValue(key, text + " X=9 W=1/0")));
    }
    return 0;
}
