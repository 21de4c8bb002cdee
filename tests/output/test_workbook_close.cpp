// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a workbook whose closing fails leaves nothing behind: no temporary file of the
// library, none still held open, and the file written aside dropped rather than put in place.
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

using namespace dirlix;
using namespace dirlix::test;
using modListToExcel::ExportOptions;
using modListToExcel::WorkbookExporter;

namespace {

// A file target whose file the library cannot write by name when it closes the workbook: a folder
// has taken the name. Remembers what the export asked of it.
class FolderInTheWay : public ExportTarget {
public:
    explicit FolderInTheWay(std::string staging) : mStaging(std::move(staging)) {}
    bool open() override { return true; }
    bool write(std::string_view) override { return false; }
    bool commit() override { return committed = true; }
    void discard() override { discarded = true; }
    const std::string& error() const override { return mError; }
    std::string path() const override { return mStaging; }
    std::string stagingPath() const override { return mStaging; }

    bool committed = false, discarded = false;

private:
    std::string mStaging, mError;
};

// How many of the process's descriptors hold a file below @p folder, where the system lists them
// (Linux's /proc/self/fd); -1 where it does not. Elsewhere the folder's removal shows that none is
// held: Windows removes no folder with an open file in it.
int descriptorsInside(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::directory_iterator fds("/proc/self/fd", ec);
    if (ec)
        return -1;
    const std::string prefix = std::filesystem::canonical(folder).string() + "/"; // as the links name it
    int inside = 0;
    for (const auto& fd : fds) {
        const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (!ec && target.starts_with(prefix))
            ++inside;
    }
    return inside;
}

} // namespace

// Catches the library's temporary files (one per sheet) left open or on disk, or the scratch
// folder that holds them left behind, when closing the workbook fails; and a failed workbook put
// in place or reported as written.
TEST(WorkbookClose, AFailedCloseLeavesNoTemporaryFileOpenOrOnDisk)
{
    TempDir tmp;
    const std::string staging = tmp / "list.xlsx";
    makeDirs(staging);
    FileList list;
    for (int folder = 0; folder < 3; ++folder)
        addFiles(list, "/data/f" + std::to_string(folder) + "/", {{"a.txt", 1}, {"b.txt", 22}, {"c.txt", 333}});
    FolderInTheWay target(staging);
    ExportProgress progress;
    ExportOptions options;
    options.rowsPerSheet = 2; // five sheets, each streamed to a temporary file of its own
    const ExportResult result = WorkbookExporter(englishLocale(), options).write(*list.rows(), target, progress);

    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("cannot write the workbook"), std::string::npos) << result.error;
    EXPECT_TRUE(target.discarded);
    EXPECT_FALSE(target.committed);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"list.xlsx"}) << "the library's scratch folder stayed";
    EXPECT_TRUE(std::filesystem::is_empty(fsPath(staging)));
    const int held = descriptorsInside(tmp.path());
    if (held >= 0) {
        EXPECT_EQ(held, 0) << "a temporary file is still open";
    }
}
