// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro benchmark: Export PDF of many rows: the time, and the peak memory as the rows grow.
// Usage: bench_pdf_export ROWS FILE.pdf
#include "ProcStatus.h"
#include "app/PdfExport.h"
#include "platform/ReplacingFile.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace dirlix;

namespace {

// Rows made as they are read, so that the figures are the exporter's alone.
class MadeRows : public RowSource {
public:
    explicit MadeRows(std::uint64_t count) : mCount(count) {}
    bool next(Row& row) override
    {
        if (mNext == mCount)
            return false;
        mFolder = "/srv/share/projects/folder" + std::to_string(mNext / 200) + "/";
        mName = "document-" + std::to_string(mNext) + (mNext % 3 ? ".pdf" : " with a longer name than most.odt");
        row = Row{};
        row.name = mName;
        row.folder = mFolder;
        row.values = FileRecord{std::int64_t(mNext * 7919 % 10000000), 1700000000 + std::int64_t(mNext), 1700000000 + std::int64_t(mNext), 0x20, 0, 0};
        row.datePattern = "dd/mm/yy HH:MM:SS";
        ++mNext;
        return true;
    }
    std::optional<std::uint64_t> total() const override { return mCount; }

private:
    std::uint64_t mCount, mNext = 0;
    std::string mName, mFolder;
};

double peakMegabytes()
{
    return double(bench::procStatus("VmHWM:")) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_pdf_export ROWS FILE.pdf\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const std::uint64_t count = std::strtoull(argv[1], nullptr, 10);
    for (const std::uint64_t rows : {count / 10, count}) {
        MadeRows source(rows);
        ReplacingFile target(argv[2]);
        ExportProgress progress;
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        const ExportResult result = PdfExporter(englishLocale(), {QStringLiteral("/srv/share/"), QStringLiteral("08/12/26 00:30:00")})
                                        .write(source, target, progress);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The processor time too: on a busy machine the wall time is mostly waiting for a core.
        const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        if (!result.ok) {
            std::fprintf(stderr, "bench_pdf_export: %s\n", result.error.c_str());
            return 1;
        }
        std::printf("Export PDF of %7llu rows  %7.2f s (%.2f s of processor)  %8.0f rows/s  peak memory %6.1f MB"
                    " (target: under 30 s, flat)\n",
                    static_cast<unsigned long long>(rows), seconds, cpu, double(rows) / seconds, peakMegabytes());
    }
    return 0;
}
