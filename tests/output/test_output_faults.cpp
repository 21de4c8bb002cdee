// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: writing filelist.txt safely; both exports into places they cannot write and onto a
// full disk; targets that are no regular file, as the window writes them.
#include "output/HtmlExport.h"
#include "platform/ReplacingFile.h"
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// A small tmpfs mounted on a scratch folder (root only), unmounted at the end.
struct SmallDisk {
    TempDir scratch;
    std::string path = scratch / "disk";
    bool mounted = (makeDirs(path), ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0);
    std::string reason = std::strerror(errno);
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
    }
};

FileList& filled(FileList& list, int rows)
{
    std::vector<TestFile> files;
    for (int i = 0; i < rows; ++i)
        files.push_back({"file-" + std::to_string(i), i});
    addFiles(list, "/a/rather/long/folder/name/to/fill/the/disk/quickly/", files);
    return list;
}

const modListToText::TemplateSource kPath = [] { return std::string("%6%1"); };

} // namespace

// Every failure names the place and the system's reason, and leaves what was there as it was.
TEST(OutputFaults, UnwritablePlacesFailBothExportsWithAReason)
{
    TempDir tmp;
    writeFile(tmp / "plain", "a file");
    makeDirs(tmp / "temp/busy.txt/inside");
    writeFile(tmp / "temp/filelist.txt", "previous\r\n");
    FileList list;
    filled(list, 3);
    const struct {
        std::string folder, reason;
    } places[] = {{tmp / "missing", std::strerror(ENOENT)}, {tmp / "plain", std::strerror(ENOTDIR)}};
    for (const auto& place : places) {
        const auto text = exportText(list, place.folder + "/filelist.txt", kPath);
        const auto book = exportBook(list, place.folder);
        for (const ExportResult& result : {text, book}) {
            EXPECT_FALSE(result.ok);
            EXPECT_NE(result.error.find(place.folder), std::string::npos) << result.error;
            EXPECT_NE(result.error.find(place.reason), std::string::npos) << result.error;
        }
    }
    EXPECT_EQ(readFile(tmp / "plain"), "a file");
    // The name is taken by a folder: the rename fails and says where.
    const auto busy = exportText(list, tmp / "temp/busy.txt", kPath);
    EXPECT_FALSE(busy.ok);
    EXPECT_NE(busy.error.find(tmp / "temp/busy.txt"), std::string::npos) << busy.error;
    EXPECT_EQ(namesIn(tmp / "temp"), (std::vector<std::string>{"busy.txt", "filelist.txt"}));
}

// A full disk fails both exports with a reason; the earlier files stay whole, no partial file is
// left behind, and the next text export, once there is room, works.
TEST(OutputFaults, FullDiskKeepsEarlierFiles)
{
    SmallDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "no tmpfs could be mounted (needs root): " << disk.reason;
    const std::string target = disk.path + "/filelist.txt", earlier = disk.path + "/filelist-earlier.xlsx";
    writeFile(target, "earlier\r\n");
    writeFile(earlier, "an earlier workbook");
    FileList big, small;
    filled(big, 20000);
    filled(small, 2);

    const auto text = exportText(big, target, kPath);
    EXPECT_FALSE(text.ok);
    EXPECT_NE(text.error.find(std::strerror(ENOSPC)), std::string::npos) << text.error;
    EXPECT_NE(text.error.find(disk.path), std::string::npos) << text.error;
    EXPECT_EQ(readFile(target), "earlier\r\n");
    ASSERT_TRUE(exportText(small, target, kPath).ok);
    EXPECT_EQ(readFile(target), "/a/rather/long/folder/name/to/fill/the/disk/quickly/file-0\r\n"
                                "/a/rather/long/folder/name/to/fill/the/disk/quickly/file-1\r\n");

    const auto book = exportBook(big, disk.path);
    EXPECT_FALSE(book.ok);
    EXPECT_FALSE(book.error.empty());
    EXPECT_EQ(readFile(earlier), "an earlier workbook");
    EXPECT_EQ(namesIn(disk.path), (std::vector<std::string>{"filelist-earlier.xlsx", "filelist.txt"}));
}

// A link planted at filelist.txt is replaced, never followed; the new file is private; a stopped
// export leaves the file before it as it was; no private file is ever left behind.
TEST(OutputFaults, TextExportReplacesWholeOrNotAtAll)
{
    TempDir tmp;
    makeDirs(tmp / "temp");
    const std::string path = tmp / "temp/filelist.txt";
    writeFile(tmp / "victim", "precious");
    ASSERT_EQ(symlink((tmp / "victim").c_str(), path.c_str()), 0);
    FileList list;
    addReport(list);
    const auto result = exportText(list, path, [] { return "%Fn%"; });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(tmp / "victim"), "precious");
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << "the link was replaced by the new file";
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file is private";
    EXPECT_EQ(readFile(path), "Report.txt\r\n");

    const std::atomic<bool> stop{true};
    for (std::size_t rows : {1u, 3000u}) { // stopped after the last row, and between rows
        FileList many;
        for (std::size_t i = 0; i < rows; ++i)
            addReport(many);
        const auto stopped = exportText(many, path, [] { return "%1"; }, englishLocale(), &stop);
        EXPECT_TRUE(stopped.stopped && !stopped.ok) << rows;
        EXPECT_EQ(readFile(path), "Report.txt\r\n");
    }
    EXPECT_EQ(namesIn(tmp / "temp"), std::vector<std::string>{"filelist.txt"});
}

// The Options box is read for every row, so an edit during the export applies from the next row.
TEST(OutputFaults, TextExportAsksForTheTemplateForEveryRow)
{
    FileList list;
    addFiles(list, "/d/", {{"f0", 0}, {"f1", 1}, {"f2", 2}, {"f3", 3}});
    int asked = 0;
    TempDir tmp;
    const auto result = exportText(list, tmp / "out.txt", [&] {
        return ++asked <= 2 ? std::string("%1") : std::string("%Dir%%Fn%|%Sbb%");
    });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(readFile(tmp / "out.txt"), "f0\r\nf1\r\n/d/f2|2\r\n/d/f3|3\r\n");
    EXPECT_EQ(result.rows, 4u);
}

// The window's targets never wait on a FIFO nobody reads, never write into a device or FIFO that
// someone else planted at the program's own name, write a FIFO with a reader in place, and, for a
// name the user chose, follow a link and keep the permissions of the file it replaces.
TEST(OutputFaults, ATargetThatIsNoFileIsNeverReplaced)
{
    TempDir tmp;
    FileList list;
    addReport(list);
    const std::string fifo = tmp / "filelist.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Refused at once; were it to wait, a reader opened here lets it go and the test fails.
    auto lonely = std::async(std::launch::async, [&] { return exportText(list, fifo, kPath); });
    if (lonely.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        const int release = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ADD_FAILURE() << "the export waited for a reader";
        lonely.wait();
        ::close(release);
    }
    const ExportResult refused = lonely.get();
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("no program is reading"), std::string::npos) << refused.error;

    // With a reader the list goes into the FIFO; it is smaller than the pipe, so one read takes it.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const ExportResult inPlace = exportText(list, fifo, kPath);
    EXPECT_TRUE(inPlace.ok) << inPlace.error;
    char read[64] = {};
    EXPECT_EQ(std::string(read, std::size_t(std::max<ssize_t>(0, ::read(reader, read, sizeof read)))),
              "/data/Report.txt\r\n");
    ::close(reader);
    struct stat info{};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "still the FIFO";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(fifo.c_str(), 65534, 65534), 0);
        const ExportResult planted = exportText(list, fifo, kPath);
        EXPECT_NE(planted.error.find("belongs to another user"), std::string::npos) << planted.error;
    }

    // A name the user chose (Save List As): the link is followed, the file keeps its mode.
    writeFile(tmp / "shared.txt", "old");
    ASSERT_EQ(::chmod((tmp / "shared.txt").c_str(), 0604), 0);
    ASSERT_EQ(::symlink("shared.txt", (tmp / "link.txt").c_str()), 0);
    ReplacingFile chosen(tmp / "link.txt");
    chosen.followLinks();
    chosen.useUsualPermissions();
    ExportProgress progress;
    EXPECT_TRUE(modListToText::TemplateExporter(kPath, englishLocale()).write(*list.rows(), chosen, progress).ok);
    EXPECT_EQ(readFile(tmp / "shared.txt"), "/data/Report.txt\r\n");
    ASSERT_EQ(::lstat((tmp / "link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat((tmp / "shared.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"filelist.txt", "link.txt", "shared.txt"}));
}

// The web page is written whole or not at all: a full disk and a stop leave the earlier page.
TEST(OutputFaults, WebPageReplacesWholeOrNotAtAll)
{
    SmallDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "no tmpfs could be mounted (needs root): " << disk.reason;
    const std::string page = disk.path + "/page.html";
    writeFile(page, "earlier");
    FileList big;
    filled(big, 20000);
    ExportProgress progress;
    ReplacingFile full(page);
    const ExportResult failed = HtmlExporter(englishLocale(), {}).write(*big.rows(), full, progress);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find(std::strerror(ENOSPC)), std::string::npos) << failed.error;
    EXPECT_EQ(readFile(page), "earlier");

    ReplacingFile stopped(page);
    const std::atomic<bool> stop{true};
    const ExportResult result = HtmlExporter(englishLocale(), {}).write(*big.rows(), stopped, progress, &stop);
    EXPECT_TRUE(result.stopped && !result.ok);
    EXPECT_EQ(readFile(page), "earlier");
    EXPECT_EQ(namesIn(disk.path), std::vector<std::string>{"page.html"});
}
