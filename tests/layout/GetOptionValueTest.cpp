// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: reading growth factors out of layout rule texts.
#include "layout/GetOptionValue.h"
#include "layout/LayoutNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

using dirlix::GetOptionValue;
using dirlix::LayoutError;

namespace {

double factor(std::string_view key, std::string_view opts)
{
    const auto result = GetOptionValue(key, opts);
    EXPECT_TRUE(result.ok()) << "key " << key << " in \"" << opts << "\"";
    return result.value();
}

LayoutError failure(std::string_view opts) { return GetOptionValue("X=", opts).error(); }

} // namespace

TEST(GetOptionValue, RuleTextsAndTheirFactors)
{
    EXPECT_EQ(factor("W=", "W=1 H=1"), 1);
    EXPECT_EQ(factor("H=", "W=1 H=1"), 1);
    EXPECT_EQ(factor("X=", "W=1 H=1"), 0);
    EXPECT_EQ(factor("X=", ""), 0);
    EXPECT_EQ(factor("X=", "X=1/2"), 0.5);
    EXPECT_EQ(factor("X=", "X=3/2"), 1.5);
    EXPECT_EQ(factor("X=", "X=-1"), -1);
    EXPECT_EQ(factor("W=", "W=2/4"), 0.5);
    // Each part is rounded half to even before the division: decimals are not fractions.
    EXPECT_EQ(factor("X=", "X=0.5"), 0);
    EXPECT_EQ(factor("X=", "X=1.5"), 2);
    EXPECT_EQ(factor("X=", "X=2.5"), 2);
    EXPECT_EQ(factor("X=", "X=-1.5"), -2);
    EXPECT_EQ(factor("X=", "X=5/2.5"), 2.5);
    // Keys are case-sensitive, found anywhere, the first occurrence counts.
    EXPECT_EQ(factor("X=", "x=1"), 0);
    EXPECT_EQ(factor("X=", "MAX=2"), 2);
    EXPECT_EQ(factor("X=", "X=1 X=2"), 1);
    // The value runs to the next space only.
    EXPECT_EQ(factor("X=", "X= 1"), 0);
    EXPECT_EQ(factor("X=", "W=1 X="), 0);
    EXPECT_EQ(factor("X=", "X=1,W=1/2"), 0.5);
    EXPECT_EQ(factor("W=", "X=1,W=1/2"), 0.5);
    EXPECT_EQ(factor("W=", "W=1/2/3"), 0.5);
    EXPECT_EQ(factor("X=", "X=abc"), 0);
}

TEST(GetOptionValue, NumberReading)
{
    EXPECT_EQ(factor("X=", "X=\t1\n/\n2\t"), 0.5);
    EXPECT_EQ(factor("X=", "X=1\t2"), 12);
    EXPECT_EQ(factor("X=", "X=+3"), 3);
    EXPECT_EQ(factor("X=", "X=-.5E1"), -5);
    EXPECT_EQ(factor("X=", "X=1E2"), 100);
    EXPECT_EQ(factor("X=", "X=1D2"), 100);
    EXPECT_EQ(factor("X=", "X=25E-1"), 2);
    EXPECT_EQ(factor("X=", "X=1E/4"), 0.25);
    EXPECT_EQ(factor("X=", "X=1.2.3"), 1);
    EXPECT_EQ(factor("X=", "X=--1"), 0);
    EXPECT_EQ(factor("X=", "X=&H1F"), 31);
    EXPECT_EQ(factor("X=", "X=&Hff/&O10"), 255.0 / 8);
    EXPECT_EQ(factor("X=", "X=&O17"), 15);
    EXPECT_EQ(factor("X=", "X=&O19"), 1);
    EXPECT_EQ(factor("X=", "X=&X1"), 0);
    EXPECT_EQ(factor("X=", "X=1E-400"), 0);
    EXPECT_EQ(factor("X=", "X=0E99999999999999999999"), 0);
    EXPECT_EQ(factor("X=", "X=00000000000000000000000000000000000001"), 1);
    EXPECT_EQ(factor("X=", "X=-32768.5/32767.4"), -32768.0 / 32767);
}

TEST(GetOptionValue, OverflowAndDivisionByZero)
{
    EXPECT_EQ(failure("X=1/0"), LayoutError::DivisionByZero);
    EXPECT_EQ(failure("X=1/"), LayoutError::DivisionByZero);
    EXPECT_EQ(failure("X=0/0"), LayoutError::DivisionByZero);
    EXPECT_EQ(failure("X=1/0.4"), LayoutError::DivisionByZero);
    EXPECT_EQ(failure("X=40000"), LayoutError::Overflow);
    EXPECT_EQ(failure("X=32767.5"), LayoutError::Overflow);
    EXPECT_EQ(failure("X=1/-32769"), LayoutError::Overflow);
    EXPECT_EQ(failure("X=&H8000"), LayoutError::Overflow);
    EXPECT_EQ(failure("X=1E400"), LayoutError::Overflow);
    EXPECT_EQ(failure("X=1" + std::string(400, '0')), LayoutError::Overflow);
    // An overflow only matters for the key being read.
    EXPECT_EQ(factor("W=", "X=40000 W=1"), 1);
}

TEST(GetOptionValue, ValuesMustEndWithinCharacter32767)
{
    // Padding of n characters puts the end of "X=1" (the text's length plus one) at n + 4.
    const std::string fits = std::string(32763, 'a') + "X=1";
    EXPECT_EQ(factor("X=", fits), 1);
    EXPECT_EQ(failure(std::string(32764, 'a') + "X=1"), LayoutError::Overflow);
    EXPECT_EQ(failure(std::string(32764, 'a') + "X=1 W=1"), LayoutError::Overflow);
    // Only the value's end counts: a long tail after a space, or a long text without the key, is fine.
    EXPECT_EQ(factor("X=", "X=1 " + std::string(70000, 'a')), 1);
    EXPECT_EQ(factor("X=", std::string(70000, 'a')), 0);
    // Characters are counted, not bytes: "é" is one character, a character outside the basic
    // plane is two.
    std::string accented;
    for (int i = 0; i < 32763; ++i)
        accented += "\xC3\xA9";
    EXPECT_EQ(factor("X=", accented + "X=1"), 1);
    EXPECT_EQ(failure(accented + "\xC3\xA9X=1"), LayoutError::Overflow);
    std::string clefs;
    for (int i = 0; i < 16381; ++i)
        clefs += "\xF0\x9D\x84\x9E";
    EXPECT_EQ(factor("X=", clefs + "aX=1"), 1);
    EXPECT_EQ(failure(clefs + "aaX=1"), LayoutError::Overflow);
}

// Well-formed rules built at random, in every spelling the reader accepts, must give exactly
// numerator / denominator; arbitrary texts must give a finite factor within the 16-bit range
// or an error, never anything else.
TEST(GetOptionValue, RandomRules)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> part(-32768, 32767);
    auto sprinkle = [&](const std::string& text) {
        std::string out;
        for (char c : text) {
            if (random() % 4 == 0)
                out += random() % 2 ? '\t' : '\n';
            out += c;
        }
        return out;
    };
    auto spell = [&](int value) {
        switch (value >= 0 ? random() % 4 : random() % 2) {
        case 0: return std::to_string(value);
        case 1: return std::to_string(value) + ".0E0";
        case 2: {
            std::ostringstream hex;
            hex << "&H" << std::hex << value;
            return hex.str();
        }
        default: {
            std::ostringstream oct;
            oct << "&O" << std::oct << value;
            return oct.str();
        }
        }
    };
    for (int round = 0; round < 20000; ++round) {
        const int numerator = part(random);
        int denominator = part(random);
        if (denominator == 0)
            denominator = 1;
        const std::string rule = "W=7 ZX=" + sprinkle(spell(numerator) + "/" + spell(denominator)) + " X=3";
        const auto result = GetOptionValue("X=", rule);
        ASSERT_TRUE(result.ok()) << rule;
        ASSERT_EQ(result.value(), static_cast<double>(numerator) / denominator) << rule;
    }

    const std::string alphabet = "0123456789+-./EDHO&X= \t\nxe";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 24, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        const auto result = GetOptionValue("X=", text);
        if (result.ok()) {
            ASSERT_TRUE(std::isfinite(result.value())) << text;
            ASSERT_LE(std::fabs(result.value()), 32768.0) << text;
        }
    }
}
