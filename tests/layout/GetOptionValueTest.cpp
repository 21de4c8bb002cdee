// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: reading growth factors out of layout rule texts.
#include "layout/GetOptionValue.h"

#include <gtest/gtest.h>

#include <string>

using dirlix::GetOptionValue;
using dirlix::LayoutError;

namespace {

std::string repeated(const char* piece, int times)
{
    std::string out;
    while (times-- > 0)
        out += piece;
    return out;
}

} // namespace

TEST(GetOptionValue, RuleTextsAndNumbers)
{
    struct Case {
        const char* key;
        std::string opts;
        double factor;
    };
    const Case cases[] = {
        {"H=", "W=1 H=1", 1}, {"X=", "W=1 H=1", 0}, {"X=", "X=1/2", 0.5}, {"X=", "X=abc", 0},
        // Each part is rounded half to even before the division: decimals are not fractions.
        {"X=", "X=0.5", 0}, {"X=", "X=1.5", 2}, {"X=", "X=2.5", 2}, {"X=", "X=-1.5", -2}, {"X=", "X=5/2.5", 2.5},
        // Keys are case-sensitive, found anywhere, the first occurrence counts.
        {"X=", "x=1", 0}, {"X=", "MAX=2", 2}, {"X=", "X=1 X=2", 1},
        // The value runs to the next space; its first "/" divides, whatever stands between.
        {"X=", "X= 1", 0}, {"X=", "W=1 X=", 0}, {"X=", "X=1,W=1/2", 0.5}, {"W=", "X=1,W=1/2", 0.5},
        {"W=", "W=1/2/3", 0.5}, {"W=", "X=40000 W=1", 1},
        // Numbers: tabs and line feeds skipped anywhere, exponents with E or D, hexadecimal and octal.
        {"X=", "X=\t1\n/\n2\t", 0.5}, {"X=", "X=1\t2", 12}, {"X=", "X=+3", 3}, {"X=", "X=-.5E1", -5},
        {"X=", "X=1D2", 100}, {"X=", "X=25E-1", 2}, {"X=", "X=1E/4", 0.25}, {"X=", "X=1.2.3", 1},
        {"X=", "X=--1", 0}, {"X=", "X=&Hff/&O10", 255.0 / 8}, {"X=", "X=&O19", 1}, {"X=", "X=&X1", 0},
        {"X=", "X=1E-400", 0}, {"X=", "X=0E99999999999999999999", 0}, {"X=", "X=" + std::string(40, '0') + "1", 1},
        {"X=", "X=-32768.5/32767.4", -32768.0 / 32767},
        // Every spelling at the ends of the range, tabs and line feeds inside the prefixes too.
        {"X=", "W=7 ZX=&\tH7f\nff/&\nO\t77777 X=3", 1}, {"X=", "X=-3\t2768.0E\n0/&O\t2\n0", -2048},
        {"X=", "X=32767.0e0/-3\n27\t68", -32767.0 / 32768},
    };
    for (const auto& [key, opts, factor] : cases) {
        const auto result = GetOptionValue(key, opts);
        EXPECT_TRUE(result.ok() && result.value() == factor)
            << key << " in \"" << opts << "\" gave " << result.value() << ", error " << int(result.error());
    }

    const std::pair<std::string, LayoutError> failures[] = {
        {"X=1/0", LayoutError::DivisionByZero}, {"X=1/", LayoutError::DivisionByZero},
        {"X=0/0", LayoutError::DivisionByZero}, {"X=1/0.4", LayoutError::DivisionByZero},
        {"X=40000", LayoutError::Overflow}, {"X=32767.5", LayoutError::Overflow},
        {"X=1/-32769", LayoutError::Overflow}, {"X=&H8000", LayoutError::Overflow},
        {"X=1E400", LayoutError::Overflow}, {"X=1" + std::string(400, '0'), LayoutError::Overflow},
    };
    for (const auto& [opts, error] : failures)
        EXPECT_EQ(GetOptionValue("X=", opts).error(), error) << opts;
}

TEST(GetOptionValue, ValuesMustEndWithinCharacter32767)
{
    // The end of "X=1" after n characters of padding is character n + 4. Characters are counted
    // as the window system does: "é" is one, a character outside the basic plane two.
    const std::pair<std::string, bool> paddings[] = {
        {repeated("a", 32763), true},
        {repeated("a", 32764), false},
        {repeated("\xC3\xA9", 32763), true},
        {repeated("\xC3\xA9", 32764), false},
        {repeated("\xF0\x9D\x84\x9E", 16381) + "a", true},
        {repeated("\xF0\x9D\x84\x9E", 16381) + "aa", false},
    };
    for (const auto& [padding, fits] : paddings) {
        const auto result = GetOptionValue("X=", padding + "X=1 W=1");
        EXPECT_TRUE(fits ? result.ok() && result.value() == 1 : result.error() == LayoutError::Overflow)
            << padding.size() << " bytes of padding";
    }
    // Only the value's end counts: a long tail after a space, or a long text without the key, is fine.
    EXPECT_EQ(GetOptionValue("X=", "X=1 " + repeated("a", 70000)).value(), 1);
    EXPECT_TRUE(GetOptionValue("X=", repeated("a", 70000)).ok());
}
