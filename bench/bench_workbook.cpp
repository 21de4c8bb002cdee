// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: writes the workbook for large lists and prints rows per second and peak memory.
//
// Usage: bench_workbook [--tree DIR] [OUTPUT-FOLDER]
//        bench_workbook --save-as [OUTPUT-FOLDER]
// Without --tree, a list of 200,000 synthetic rows is written; with it, the rows of a search of
// DIR. Then a list of 1,048,576 synthetic rows (one full sheet). A plain libxlsxwriter loop of six
// short strings per row is timed at both sizes for comparison; most of either time is the zip
// compression of the workbook. Workbooks go to OUTPUT-FOLDER (default $TMPDIR or
// /tmp) and are removed afterwards.
// With --save-as: the workbook of Save List As (header, typed cells, folder totals) for 250,000 and
// then 500,000 synthetic rows, so that memory that grows with the rows shows.
#include "output/ListWorkbook.h"
#include "platform/ReplacingFile.h"
#include "output/modListToExcel.h"
#include "search/modSearchDir.h"

#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "ProcStatus.h"
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using dirlix::bench::procStatus;

namespace {

// Resets the peak resident size to the current one, so that each run's peak is its own.
void resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double mib(long long bytes)
{
    return double(bytes) / 1048576.0;
}

// Folders of 50 files, two levels deep, names of 12 to 30 bytes with a few non-ASCII ones.
void fillSynthetic(FileList& list, std::size_t rows)
{
    std::uint64_t seed = 12345;
    auto next = [&] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return seed >> 33;
    };
    WalkBlock block;
    for (std::size_t done = 0; done < rows;) {
        block.folder = std::make_shared<FolderPath>(
            nullptr, "/home/user/bench/tree/d" + std::to_string(done / 5000) + "/sub" + std::to_string(done / 50) + "/");
        block.names.clear();
        block.entries.clear();
        for (int i = 0; i < 50 && done < rows; ++i, ++done) {
            std::string name = "file-" + std::to_string(done) + (next() % 10 == 0 ? "-\xC3\xA9t\xC3\xA9" : "") +
                               (next() % 2 ? ".txt" : ".data");
            WalkEntry entry;
            entry.nameOffset = std::uint32_t(block.names.size());
            entry.nameLength = std::uint32_t(name.size());
            block.names += name;
            entry.values.size = std::int64_t(next() % 100000000);
            entry.values.modified = 1600000000 + std::int64_t(next() % 100000000);
            entry.values.created = entry.values.modified - std::int64_t(next() % 1000000);
            entry.values.attributes = next() % 7 == 0 ? AttrHidden : 0;
            block.entries.push_back(entry);
        }
        list.appendBlock(block, "dd/mm/yy HH:MM:SS");
    }
}

void exportAndReport(const char* label, const FileList& list, const std::string& folder)
{
    resetPeak();
    const long long before = procStatus("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    ExportProgress progress;
    const auto rows = list.rows();
    const auto result = modListToExcel::ExportListToSpreadsheet(*rows, folder, englishLocale(), progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long peak = procStatus("VmHWM:");
    if (!result.ok) {
        std::printf("%s: failed: %s\n", label, result.error.c_str());
        return;
    }
    struct stat info{};
    ::stat(result.path.c_str(), &info);
    std::printf("%s: %zu rows, %zu sheet(s), %.2f s, %.0f rows/s, workbook %.1f MiB\n", label, result.rows,
                result.sheets, seconds, double(result.rows) / seconds, mib(info.st_size));
    std::printf("%s: list %.1f MiB; resident before export %.1f MiB, peak during export %.1f MiB (+%.1f MiB)\n",
                label, mib(list.memoryUsed()), mib(before), mib(peak), mib(peak - before));
    ::unlink(result.path.c_str());
}

void saveAsAndReport(std::size_t rows, const std::string& folder)
{
    FileList list;
    fillSynthetic(list, rows);
    const std::string path = folder + "/bench-save-as.xlsx";
    resetPeak();
    const long long before = procStatus("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock(); // on a shared machine the processor time says more
    ExportProgress progress;
    ReplacingFile target(path);
    const auto result = ListWorkbook(englishLocale()).write(*list.rows(), target, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const long long peak = procStatus("VmHWM:");
    if (!result.ok) {
        std::printf("Save As workbook, %zu rows: failed: %s\n", rows, result.error.c_str());
        return;
    }
    struct stat info{};
    ::stat(path.c_str(), &info);
    std::printf("Save As workbook: %llu rows, %llu sheet(s), %.2f s (%.2f s processor), %.0f rows/s "
                "(%.0f per processor second), workbook %.1f MiB; peak resident %.1f MiB above the list's %.1f MiB\n",
                static_cast<unsigned long long>(result.rows), static_cast<unsigned long long>(result.sheets), seconds,
                cpu, double(result.rows) / seconds, double(result.rows) / cpu, mib(info.st_size), mib(peak - before),
                mib(before));
    ::unlink(path.c_str());
}

// What libxlsxwriter alone costs: six short strings per row in constant-memory mode.
void plainLoop(std::size_t rows, const std::string& folder)
{
    const std::string path = folder + "/bench-plain-loop.xlsx";
    std::string tmpdir = folder;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir.data();
    const auto start = std::chrono::steady_clock::now();
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    for (std::size_t row = 0; row < rows; ++row)
        for (lxw_col_t column = 0; column < 6; ++column)
            worksheet_write_string(sheet, lxw_row_t(row), column, "file-123456.txt", nullptr);
    workbook_close(book);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("plain libxlsxwriter loop, six short strings: %zu rows, %.2f s, %.0f rows/s\n", rows, seconds,
                double(rows) / seconds);
    ::unlink(path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::string tree;
    std::string folder;
    bool saveAs = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tree") == 0 && i + 1 < argc)
            tree = argv[++i];
        else if (std::strcmp(argv[i], "--save-as") == 0)
            saveAs = true;
        else
            folder = argv[i];
    }
    if (folder.empty())
        folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    if (saveAs) {
        saveAsAndReport(250000, folder);
        saveAsAndReport(500000, folder);
        return 0;
    }

    plainLoop(200000, folder);
    {
        FileList list;
        if (tree.empty()) {
            fillSynthetic(list, 200000);
            exportAndReport("200,000 synthetic rows", list, folder);
        } else {
            modSearchDir::SearchDir(tree, list, [] { return std::string("dd/mm/yy HH:MM:SS"); });
            exportAndReport("rows of the tree", list, folder);
        }
    }
    plainLoop(modListToExcel::kSheetRowLimit, folder);
    {
        FileList list;
        fillSynthetic(list, modListToExcel::kSheetRowLimit);
        exportAndReport("1,048,576 synthetic rows", list, folder);
    }
    return 0;
}
