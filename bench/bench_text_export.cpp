// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro benchmark: rows per second of the text output, for the default and a heavy template.
//
// Usage: bench_text_export [TREE]
// Without TREE the list holds 200,000 made-up rows (1,000 folders of 200 files); with TREE it holds
// the rows a search of TREE gives. Each template is exported to filelist.txt in $TMPDIR (or /tmp)
// a few times and the best run is printed.
#include "output/modListToText.h"
#include "search/Walker.h"
#include "search/modSearchDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace dirlix;

namespace {

void fillSynthetic(FileList& list)
{
    for (int folder = 0; folder < 1000; ++folder) {
        WalkBlock block;
        block.folder = std::make_shared<FolderPath>(nullptr, "/home/user/projects/bench/tree/d" +
                                                                 std::to_string(folder / 30) + "/sub" +
                                                                 std::to_string(folder) + "/");
        for (int file = 0; file < 200; ++file) {
            WalkEntry entry;
            entry.nameOffset = static_cast<std::uint32_t>(block.names.size());
            block.names += "file_" + std::to_string(file) + (file % 3 ? ".txt" : ".dat");
            entry.nameLength = static_cast<std::uint32_t>(block.names.size() - entry.nameOffset);
            entry.values.size = std::int64_t(folder) * 7919 + file * 104729;
            entry.values.created = 1600000000 + std::int64_t(folder) * 86400 + file * 37;
            entry.values.modified = entry.values.created + file * 3600;
            block.entries.push_back(entry);
        }
        list.appendBlock(block, "dd/mm/yy HH:MM:SS");
    }
}

double bestRowsPerSecond(const FileList& list, const std::string& path, const std::string& lineTemplate)
{
    double best = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        ExportProgress progress;
        const auto rows = list.rows();
        const auto result =
            modListToText::ExportListToText(*rows, path, [&] { return lineTemplate; }, englishLocale(), progress);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!result.ok) {
            std::fprintf(stderr, "export failed: %s\n", result.error.c_str());
            std::exit(1);
        }
        best = std::max(best, double(result.rows) / elapsed.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    FileList list;
    if (argc > 1)
        modSearchDir::SearchDir(argv[1], list, [] { return std::string("dd/mm/yy HH:MM:SS"); });
    else
        fillSynthetic(list);

    std::string heavy;
    for (char source : {'C', 'M'}) {
        for (std::string_view marker : kDateMarkers)
            heavy += "%" + std::string(1, source) + std::string(marker) + " ";
        heavy += "%TAB%";
    }
    heavy += "%Sb%%TAB%%Skk%%TAB%%Sm%%TAB%%Dir%%Fn%";

    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/filelist.txt";
    std::printf("rows: %zu\n", list.count());
    std::printf("default template: %.0f rows/s (target 2000000)\n",
                bestRowsPerSecond(list, path, std::string(modListToText::kDefaultTemplate)));
    std::printf("heavy template:   %.0f rows/s (target 500000)\n", bestRowsPerSecond(list, path, heavy));
    return 0;
}
