// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: runs a fuzz target's checks on every kept input, as an ordinary test.
#include "fuzz/FuzzInput.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Each file under tests/data/fuzz/<target> is an input that once broke the target's checks, or a
// seed worth keeping; the target aborts when a check fails, which fails this test. Where a folder
// <target>-expected is kept beside, it holds the output each input must give, under the same name.
TEST(FuzzReplay, KeptInputsPassEveryCheck)
{
    const std::filesystem::path folder = std::filesystem::path(DIRLIX_TEST_DATA) / "fuzz" / DIRLIX_FUZZ_CORPUS;
    const std::filesystem::path expected = folder.string() + "-expected";
    const auto bytesOf = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    };
    std::size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string bytes = bytesOf(entry.path());
        SCOPED_TRACE(entry.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        if (std::filesystem::exists(expected)) {
            const std::filesystem::path want = expected / entry.path().filename();
            ASSERT_TRUE(std::filesystem::exists(want)) << "no expected output kept for this input";
            EXPECT_EQ(dirlix::fuzz::output, bytesOf(want));
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 0u) << "no kept inputs in " << folder;
}
