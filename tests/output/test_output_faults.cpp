// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: both exports on a full disk and into a temporary folder that cannot be written.
#include "output/TextRows.h"
#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/mount.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// A small tmpfs mounted on a scratch folder (root only), unmounted at the end.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& size) : mPath(mScratch / "disk")
    {
        makeDirs(mPath);
        mMounted = ::mount("tmpfs", mPath.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        if (!mMounted)
            mReason = std::strerror(errno);
    }
    ~SmallDisk()
    {
        if (mMounted)
            ::umount2(mPath.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mMounted; }
    const std::string& reason() const { return mReason; }
    const std::string& path() const { return mPath; }
    bool makeReadOnly()
    {
        return ::mount(nullptr, mPath.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }

private:
    TempDir mScratch;
    std::string mPath;
    bool mMounted = false;
    std::string mReason;
};

std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> out;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
                out.push_back(entry->d_name);
        ::closedir(dir);
    }
    return out;
}

void fill(FileList& list, int rows)
{
    for (int i = 0; i < rows; ++i)
        addFile(list, "/a/rather/long/folder/name/to/fill/the/disk/quickly/", "file-" + std::to_string(i), i, 0, 0);
}

const modListToText::TemplateSource kPath = [] { return std::string("%6%1"); };

} // namespace

// A full disk fails the text export with the system's reason; the earlier file stays whole, no
// private file is left behind, and the next export, once there is room, works.
TEST(OutputFaults, TextExportOnAFullDiskKeepsTheEarlierFile)
{
    SmallDisk disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs could be mounted (needs root): " << disk.reason();
    const std::string target = disk.path() + "/filelist.txt";
    writeFile(target, "earlier\r\n");
    FileList big;
    fill(big, 5000);
    const auto failed = modListToText::ExportListToText(big, target, kPath);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find(std::strerror(ENOSPC)), std::string::npos) << failed.error;
    EXPECT_NE(failed.error.find(disk.path()), std::string::npos) << failed.error;
    EXPECT_EQ(readFile(target), "earlier\r\n");
    EXPECT_EQ(entries(disk.path()), std::vector<std::string>{"filelist.txt"});

    FileList small;
    fill(small, 2);
    const auto ok = modListToText::ExportListToText(small, target, kPath);
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(readFile(target), "/a/rather/long/folder/name/to/fill/the/disk/quickly/file-0\r\n"
                                "/a/rather/long/folder/name/to/fill/the/disk/quickly/file-1\r\n");
}

// A full disk fails the workbook export with a reason; an earlier workbook is never touched, and
// once the partial workbook is removed a later export works: the failed one holds no space.
TEST(OutputFaults, WorkbookExportOnAFullDiskSaysWhyAndTouchesNoEarlierWorkbook)
{
    SmallDisk disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs could be mounted (needs root): " << disk.reason();
    const std::string earlier = disk.path() + "/filelist-earlier.xlsx";
    writeFile(earlier, "an earlier workbook");
    FileList big;
    fill(big, 20000);
    const auto failed = modListToExcel::ExportListToSpreadsheet(big, disk.path());
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.empty());
    EXPECT_EQ(readFile(earlier), "an earlier workbook");
    for (const std::string& name : entries(disk.path()))
        if (name != "filelist-earlier.xlsx")
            ::unlink((disk.path() + "/" + name).c_str());

    FileList small;
    fill(small, 3);
    const auto ok = modListToExcel::ExportListToSpreadsheet(small, disk.path());
    EXPECT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(ok.rows, 3u);
    EXPECT_EQ(readFile(earlier), "an earlier workbook");
}

// A temporary folder that is a file, or on a read-only file system: both exports fail with a
// reason naming the place, and nothing there changes.
TEST(OutputFaults, AnUnwritableTemporaryFolderFailsBothExportsWithAReason)
{
    TempDir scratch;
    const std::string notAFolder = scratch / "temp-is-a-file";
    writeFile(notAFolder, "a file");
    FileList list;
    fill(list, 3);

    const auto text = modListToText::ExportListToText(list, notAFolder + "/filelist.txt", kPath);
    EXPECT_FALSE(text.ok);
    EXPECT_NE(text.error.find(notAFolder), std::string::npos) << text.error;
    EXPECT_NE(text.error.find(std::strerror(ENOTDIR)), std::string::npos) << text.error;
    const auto book = modListToExcel::ExportListToSpreadsheet(list, notAFolder);
    EXPECT_FALSE(book.ok);
    EXPECT_NE(book.error.find(notAFolder), std::string::npos) << book.error;
    EXPECT_EQ(readFile(notAFolder), "a file");

    SmallDisk disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs could be mounted (needs root): " << disk.reason();
    writeFile(disk.path() + "/filelist.txt", "earlier");
    ASSERT_TRUE(disk.makeReadOnly()) << std::strerror(errno);
    const auto readOnlyText = modListToText::ExportListToText(list, disk.path() + "/filelist.txt", kPath);
    EXPECT_FALSE(readOnlyText.ok);
    EXPECT_NE(readOnlyText.error.find(std::strerror(EROFS)), std::string::npos) << readOnlyText.error;
    const auto readOnlyBook = modListToExcel::ExportListToSpreadsheet(list, disk.path());
    EXPECT_FALSE(readOnlyBook.ok);
    EXPECT_NE(readOnlyBook.error.find(disk.path()), std::string::npos) << readOnlyBook.error;
    EXPECT_EQ(readFile(disk.path() + "/filelist.txt"), "earlier");
    EXPECT_EQ(entries(disk.path()), std::vector<std::string>{"filelist.txt"});
}
