// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: searches a tree into the file list and prints what the list costs per row.
#include "ProcStatus.h"
#include "search/modSearchDir.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_list_memory TREE\n");
        return 2;
    }
    const long long before = dirlix::bench::procStatus("VmRSS:");
    dirlix::FileList list;
    const auto result = dirlix::modSearchDir::SearchDir(argv[1], list, [] { return std::string("dd/mm/yy HH:MM:SS"); });
    const long long peak = dirlix::bench::procStatus("VmHWM:");
    std::size_t nameBytes = 0;
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i)
        nameBytes += list.row(i, folder).name.size();
    const double rows = double(list.count());
    std::printf("rows: %zu (unreadable folders: %zu)\n", list.count(), result.errors.size());
    std::printf("list storage: %.1f bytes/row beyond the name bytes (%.1f MiB in all)\n",
                (double(list.memoryUsed()) - double(nameBytes)) / rows, double(list.memoryUsed()) / 1048576.0);
    std::printf("peak resident growth of the search: %.1f bytes/row beyond the name bytes\n",
                (double(peak - before) - double(nameBytes)) / rows);
    return 0;
}
