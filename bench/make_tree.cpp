// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: builds a seeded synthetic folder tree for the benchmarks.
//
// Usage: make_tree ROOT FILES SEED
// Folders nest up to 8 deep with 20 to 50 files each; about one folder in twelve is a dot-folder
// holding files only (they are not listed); some names are odd (spaces, '%', tabs, invalid UTF-8); sizes are
// sparse, from empty to several GiB, so the tree costs little disk.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mt19937_64 rng;

int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

std::string fileName(long index)
{
    static const char* kStems[] = {"report", "photo", "notes", "data", "backup", "index", "main", "readme"};
    static const char* kExtensions[] = {".txt", ".jpg", ".cpp", ".h", ".pdf", ".xlsx", ".tar.gz", ""};
    std::string name = kStems[uniform(0, 7)];
    switch (uniform(0, 40)) {
    case 0: name += " with space"; break;
    case 1: name += "%TAB%"; break;
    case 2: name += "\xfe\xff"; break;
    case 3: name += "\t"; break;
    case 4: name = "." + name; break;
    default: break;
    }
    return name + "-" + std::to_string(index) + kExtensions[uniform(0, 7)];
}

long made = 0;
long target = 0;

void fill(const std::string& folder, int depth)
{
    const int files = uniform(20, 50);
    for (int i = 0; i < files && made < target; ++i) {
        const std::string path = folder + "/" + fileName(made);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            std::exit(1);
        }
        const int kind = uniform(0, 99);
        const long long size = kind < 20 ? 0 : kind < 90 ? uniform(1, 1 << 20) : (long long)uniform(1, 5000) << 20;
        if (size > 0 && ::ftruncate(fd, size) != 0)
            std::perror("ftruncate");
        ::close(fd);
        ++made;
    }
    if (depth >= 8)
        return;
    const int subfolders = depth == 0 ? 12 : uniform(0, 5);
    for (int i = 0; i < subfolders && made < target; ++i) {
        const bool dotted = uniform(0, 11) == 0;
        const std::string sub = folder + "/" + (dotted ? ".cache" : "dir") + std::to_string(i);
        if (::mkdir(sub.c_str(), 0755) != 0 && errno != EEXIST) {
            std::perror(sub.c_str());
            std::exit(1);
        }
        fill(sub, dotted ? 8 : depth + 1); // a dot-folder holds files only, so most files are listed
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_tree ROOT FILES SEED\n");
        return 2;
    }
    const std::string root = argv[1];
    target = std::atol(argv[2]);
    rng.seed(std::strtoull(argv[3], nullptr, 10));
    ::mkdir(root.c_str(), 0755);
    // Keep adding top-level branches until the tree holds the files asked for.
    for (int branch = 0; made < target; ++branch) {
        const std::string top = root + "/branch" + std::to_string(branch);
        ::mkdir(top.c_str(), 0755);
        fill(top, 0);
    }
    std::printf("%ld files in %s\n", made, root.c_str());
    return 0;
}
