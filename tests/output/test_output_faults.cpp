// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: both exports into places they cannot write and onto a full disk.
#include "output/TextRows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

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
