// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: builds seeded trees of real (not sparse) content for the checksum and duplicate benchmarks.
//
// Usage: make_content_tree ROOT large COUNT MIB    COUNT files of MIB MiB each, in one folder
//        make_content_tree ROOT small COUNT        COUNT files of 0 to 4 KiB, 1000 per folder
//        make_content_tree ROOT dupes COUNT        COUNT files of 1 to 64 KiB in 300 sizes, 1000 per folder:
//                                                  one in a hundred a copy of an earlier one of its size,
//                                                  one in fifty alike but in one middle byte
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::uint64_t state = 20261207;

std::uint64_t nextRandom()
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

void fill(std::vector<char>& bytes)
{
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t value = nextRandom();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    for (std::size_t i = bytes.size() & ~std::size_t(7); i < bytes.size(); ++i)
        bytes[i] = char(nextRandom());
}

void writeAll(const std::string& path, const std::vector<char>& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::close(fd) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

std::string folderFor(const std::string& root, long index)
{
    const std::string folder = root + "/d" + std::to_string(index / 1000);
    if (index % 1000 == 0)
        ::mkdir(folder.c_str(), 0755);
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_content_tree ROOT large|small|dupes COUNT [MIB]\n");
        return 2;
    }
    const std::string root = argv[1], kind = argv[2];
    const long count = std::atol(argv[3]);
    ::mkdir(root.c_str(), 0755);
    std::vector<char> bytes;
    if (kind == "large") {
        bytes.resize(std::size_t(argc > 4 ? std::atol(argv[4]) : 256) << 20);
        for (long i = 0; i < count; ++i) {
            fill(bytes);
            writeAll(root + "/large" + std::to_string(i), bytes);
        }
    } else if (kind == "small") {
        for (long i = 0; i < count; ++i) {
            bytes.resize(nextRandom() % 4097);
            fill(bytes);
            writeAll(folderFor(root, i) + "/f" + std::to_string(i), bytes);
        }
    } else {
        std::vector<std::vector<char>> lastOfSize(300);
        for (long i = 0; i < count; ++i) {
            const std::size_t size = 1024 + (nextRandom() % 300) * 215;
            auto& last = lastOfSize[(size - 1024) / 215];
            const unsigned roll = unsigned(nextRandom() % 100);
            if (roll == 0 && !last.empty()) {
                bytes = last; // a real duplicate
            } else if (roll <= 2 && !last.empty()) {
                bytes = last; // the same ends, another middle
                bytes[bytes.size() / 2] ^= 0x5A;
            } else {
                bytes.resize(size);
                fill(bytes);
            }
            last = bytes;
            writeAll(folderFor(root, i) + "/f" + std::to_string(i), bytes);
        }
    }
    return 0;
}
