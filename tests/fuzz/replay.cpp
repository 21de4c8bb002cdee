// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: runs a fuzz target's checks on every kept input, as an ordinary test.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Each file under tests/data/fuzz/<target> is an input that once broke the target's checks, or a
// seed worth keeping; the target aborts when a check fails, which fails this test.
TEST(FuzzReplay, KeptInputsPassEveryCheck)
{
    const std::filesystem::path folder = std::filesystem::path(DIRLIX_TEST_DATA) / "fuzz" / DIRLIX_FUZZ_CORPUS;
    std::size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0u) << "no kept inputs in " << folder;
}
