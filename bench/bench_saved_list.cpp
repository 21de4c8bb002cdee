// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: reads a saved JSON Lines list for comparison and prints what it costs per row.
#include "ProcStatus.h"
#include "output/SavedList.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_saved_list LIST.jsonl\n");
        return 2;
    }
    const long long before = dirlix::bench::procStatus("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    dirlix::SavedList saved;
    std::string error;
    if (!saved.load(argv[1], error)) {
        std::fprintf(stderr, "bench_saved_list: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long peak = dirlix::bench::procStatus("VmHWM:");
    std::size_t nameBytes = 0;
    for (std::size_t i = 0; i < saved.count(); ++i)
        nameBytes += saved.name(i).size();
    const double rows = double(saved.count());
    std::printf("rows: %zu, read in %.3f s (%.0f rows/s)\n", saved.count(), seconds, rows / seconds);
    std::printf("saved list storage: %.1f bytes/row beyond the name bytes (target: at most 150)\n",
                (double(saved.memoryUsed()) - double(nameBytes)) / rows);
    std::printf("peak resident growth of reading it: %.1f bytes/row beyond the name bytes (target: at most 150)\n",
                (double(peak - before) - double(nameBytes)) / rows);
    return 0;
}
