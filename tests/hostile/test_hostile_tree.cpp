// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a search and both exports over a tree holding every awkward thing a disk holds.
#include "output/WorkbookReader.h"
#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "search/modSearchDir.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <linux/magic.h>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// The trees are built in memory when a writable tmpfs is at hand: thousands of folders and
// 100,000 files cost seconds of disk work otherwise, and the walk does not care.
class TreeDir : public TempDir {
public:
    TreeDir() : TempDir(base()) {}

private:
    static std::string base()
    {
        struct statfs fs;
        if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC && ::access("/dev/shm", W_OK | X_OK) == 0)
            return "/dev/shm";
        const char* tmp = std::getenv("TMPDIR");
        return tmp && *tmp ? tmp : "/tmp";
    }
};

// Every row of the list as its full path (folder + name), in list order.
std::vector<std::string> paths(const FileList& list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.count(); ++i)
        out.push_back(list.folderOf(i) + std::string(list.row(i).nameView()));
    return out;
}

std::multiset<std::string> pathSet(const FileList& list)
{
    const auto all = paths(list);
    return {all.begin(), all.end()};
}

modSearchDir::SearchResult search(const std::string& folder, FileList& list, const WalkOptions& options = {})
{
    return modSearchDir::SearchDir(folder, list, [] { return std::string("yyyy-mm-dd HH:MM:SS"); }, options);
}

// The text export with "%6%1|%Sbb%" must hold every row's folder and name bytes unchanged, in list
// order, each line ended by CR LF: nothing lost, nothing decoded, nothing read as a placeholder.
void expectTextExportKeepsEveryPath(const FileList& list, const std::string& scratch)
{
    const std::string path = scratch + "/filelist.txt";
    const auto result = modListToText::ExportListToText(list, path, [] { return std::string("%6%1|%Sbb%"); });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, list.count());
    std::string expected;
    for (std::size_t i = 0; i < list.count(); ++i)
        expected += list.folderOf(i) + std::string(list.row(i).nameView()) + "|" +
                    std::to_string(list.row(i).size) + "\r\n";
    EXPECT_TRUE(readFile(path) == expected) << "the text export differs from the list";
}

// The workbook export completes with one row per list row; with @p readBack the names are read
// back (as the UTF-8 the workbook holds) and compared with the list's.
void expectWorkbookHoldsEveryRow(const FileList& list, const std::string& scratch, bool readBack)
{
    const auto result = modListToExcel::ExportListToSpreadsheet(list, scratch);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, list.count());
    if (!readBack)
        return;
    const WorkbookText book = readWorkbook(result.path);
    ASSERT_EQ(book.status, 0) << book.text;
    std::size_t cellsA = 0;
    for (std::size_t at = 0; (at = book.text.find("\nA", at)) != std::string::npos; ++at)
        ++cellsA;
    EXPECT_EQ(cellsA, list.count()) << book.text.substr(0, 2000);
}

// Removes a chain of folders too deep for a path, from the bottom up, relative to each parent.
void removeDeepChain(int parentFd, const char* name, int depth)
{
    std::vector<int> fds{parentFd};
    for (int i = 0; i < depth; ++i) {
        const int fd = ::openat(fds.back(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            break;
        fds.push_back(fd);
    }
    ::unlinkat(fds.back(), "bottom.txt", 0);
    while (fds.size() > 1) {
        ::close(fds.back());
        fds.pop_back();
        ::unlinkat(fds.back(), name, AT_REMOVEDIR);
    }
}

} // namespace

TEST(HostileTree, AwkwardNamesAreListedAndExportedAsTheirOwnBytes)
{
    TreeDir scratch;
    const std::string root = scratch / "tree";
    makeDirs(root);
    const std::vector<std::string> names{
        "new\nline", "tab\there", "carriage\rreturn", "50%%off %TAB%.txt", "%1%Fn%%Dir%%Cdd%", "\"double\"",
        "'single'", "-leading-dash", "--", std::string(255, 'n'), "bad\xff\xfe utf8", "cut \xe2\x82",
        "lone \x80 continuation", "ascii a", "two \xc3\xa9", "three \xe2\x82\xac", "four \xf0\x9f\x98\x80",
        "plane16 \xf4\x8f\xbf\xbd", "_x0041_ escape", " spaces ", "sub\x01" "ctl",
    };
    for (const std::string& name : names)
        writeFile(root + "/" + name, name);
    makeDirs(root + "/dir\nwith %TAB% \xff");
    writeFile(root + "/dir\nwith %TAB% \xff/inside", "x");

    FileList list;
    const auto result = search(root, list);
    ASSERT_TRUE(result.folderFound);
    EXPECT_TRUE(result.errors.empty());
    std::multiset<std::string> expected;
    for (const std::string& name : names)
        expected.insert(root + "/" + name);
    expected.insert(root + "/dir\nwith %TAB% \xff/inside");
    EXPECT_TRUE(pathSet(list) == expected) << "a name was lost or changed";
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (list.folderOf(i) == root + "/") {
            EXPECT_EQ(list.row(i).size, std::int64_t(list.row(i).nameLength)) << list.row(i).nameView();
        }
    }

    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), true);
}

TEST(HostileTree, AFolder5000LevelsDeepIsWalkedWithoutAPathOrStackLimit)
{
    TreeDir scratch;
    const std::string root = scratch / "deep";
    makeDirs(root);
    constexpr int kDepth = 5000;
    const std::string level = "level-of-a-deep-tree";
    {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (int i = 0; i < kDepth; ++i) {
            ASSERT_EQ(::mkdirat(fd, level.c_str(), 0755), 0) << std::strerror(errno) << " at " << i;
            const int child = ::openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            ASSERT_GE(child, 0);
            fd = child;
        }
        const int file = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        ::close(file);
        ::close(fd);
    }
    writeFile(root + "/top.txt", "t");

    FileList list;
    const auto result = search(root, list);
    std::string bottomFolder = root + "/";
    for (int i = 0; i < kDepth; ++i)
        bottomFolder += level + "/";
    ASSERT_GT(bottomFolder.size(), std::size_t(PATH_MAX));
    EXPECT_TRUE(result.errors.empty()) << result.errors.size() << " folders failed, first errno "
                                       << (result.errors.empty() ? 0 : result.errors.front().error);
    EXPECT_TRUE(pathSet(list) == (std::multiset<std::string>{root + "/top.txt", bottomFolder + "bottom.txt"}));
    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), false);

    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    removeDeepChain(rootFd, level.c_str(), kDepth);
    ::close(rootFd);
}

TEST(HostileTree, LinkCyclesAreNotEnteredAgainAndDanglingLinksAreListedAsFiles)
{
    TreeDir scratch;
    const std::string root = scratch / "links";
    makeDirs(root + "/x");
    makeDirs(root + "/y");
    writeFile(root + "/x/fx", "x");
    writeFile(root + "/y/fy", "y");
    ASSERT_EQ(::symlink(".", (root + "/x/self").c_str()), 0);       // a direct cycle
    ASSERT_EQ(::symlink("../y", (root + "/x/to-y").c_str()), 0);    // a cycle through two links
    ASSERT_EQ(::symlink("../x", (root + "/y/to-x").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (root + "/dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b", (root + "/loop-a").c_str()), 0); // a link chain that never ends
    ASSERT_EQ(::symlink("loop-a", (root + "/loop-b").c_str()), 0);

    FileList list;
    const auto result = search(root, list);
    EXPECT_TRUE(result.errors.empty());
    const auto found = pathSet(list);
    // Every file is reached, no path enters a folder already on it, and the walk ends.
    for (const std::string& path : found) {
        EXPECT_EQ(path.find("/self/"), std::string::npos) << path;
        EXPECT_LE(path.size(), root.size() + 40) << path;
    }
    EXPECT_EQ(found.count(root + "/dangling"), 1u);
    EXPECT_EQ(found.count(root + "/loop-a"), 1u);
    EXPECT_EQ(found.count(root + "/loop-b"), 1u);
    EXPECT_EQ(found.count(root + "/x/fx"), 1u);
    EXPECT_EQ(found.count(root + "/y/fy"), 1u);
    EXPECT_EQ(found.count(root + "/x/to-y/fy"), 1u);
    EXPECT_EQ(found.count(root + "/y/to-x/fx"), 1u);
    EXPECT_EQ(found.size(), 7u);
    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), true);
}

TEST(HostileTree, FifosSocketsAndDevicesAreListedFromTheirPropertiesAndNeverOpened)
{
    TreeDir scratch;
    const std::string root = scratch / "special";
    makeDirs(root);
    // A FIFO with no writer blocks whoever opens it for reading: finishing proves it was not opened.
    ASSERT_EQ(::mkfifo((root + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("fifo", (root + "/link-to-fifo").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = root + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    std::multiset<std::string> expected{root + "/fifo", root + "/link-to-fifo", root + "/socket"};
    const bool devices = ::mknod((root + "/null-device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                         ::mknod((root + "/block-device").c_str(), S_IFBLK | 0600, makedev(7, 0)) == 0;
    if (devices) {
        expected.insert(root + "/null-device");
        expected.insert(root + "/block-device");
    } else {
        std::cout << "[ NOTE     ] device nodes not made (needs root): " << std::strerror(errno) << "\n";
    }

    FileList list;
    const auto result = search(root, list);
    ::close(sock);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_TRUE(pathSet(list) == expected);
    for (std::size_t i = 0; i < list.count(); ++i) {
        EXPECT_EQ(list.row(i).size, 0) << list.row(i).nameView();
        EXPECT_TRUE(list.row(i).attributes & AttrSystem) << list.row(i).nameView() << " is not marked system";
    }
    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), true);
}

TEST(HostileTree, ASparse16GiBFileIsListedWithItsFullSize)
{
    TreeDir scratch;
    const std::string root = scratch / "sparse";
    makeDirs(root);
    constexpr std::int64_t kSize = std::int64_t(16) << 30;
    const int fd = ::open((root + "/sparse.img").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kSize), 0) << std::strerror(errno);
    ::close(fd);

    FileList list;
    search(root, list);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.row(0).size, kSize);
    EXPECT_EQ(list.subItem(1, 1), "17179869184");
    expectTextExportKeepsEveryPath(list, scratch.path());
    const auto workbook = modListToExcel::ExportListToSpreadsheet(list, scratch.path());
    ASSERT_TRUE(workbook.ok) << workbook.error;
    const WorkbookText book = readWorkbook(workbook.path);
    EXPECT_NE(book.text.find("B1 n 17179869184"), std::string::npos) << book.text;
}

TEST(HostileTree, AFolderOf100000FilesIsListedCompletely)
{
    TreeDir scratch;
    const std::string root = scratch / "many";
    makeDirs(root);
    constexpr int kFiles = 100000;
    const int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    for (int i = 0; i < kFiles; ++i) {
        const int fd = ::openat(dir, ("f" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ::close(dir);

    FileList list;
    search(root, list);
    ASSERT_EQ(list.count(), std::size_t(kFiles));
    std::set<std::string> names;
    for (std::size_t i = 0; i < list.count(); ++i)
        names.insert(std::string(list.row(i).nameView()));
    EXPECT_EQ(names.size(), std::size_t(kFiles)) << "a name came twice";
    EXPECT_TRUE(names.count("f0") && names.count("f99999"));
    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), false);
}

TEST(HostileTree, FilesThatVanishOrAppearDuringTheWalkNeverBreakIt)
{
    TreeDir scratch;
    const std::string root = scratch / "churn";
    std::set<std::string> stable;
    for (int d = 0; d < 20; ++d) {
        makeDirs(root + "/d" + std::to_string(d));
        for (int f = 0; f < 50; ++f) {
            const std::string path = root + "/d" + std::to_string(d) + "/stable" + std::to_string(f);
            writeFile(path);
            stable.insert(path);
        }
    }
    // A second thread removes and adds files and folders until several walks are done.
    std::atomic<bool> done{false};
    std::thread churn([&] {
        for (unsigned n = 0; !done.load(); ++n) {
            const std::string folder = root + "/d" + std::to_string(n % 20) + "/";
            const std::string name = folder + "churn" + std::to_string(n % 7);
            if (n % 2)
                ::unlink(name.c_str());
            else
                ::close(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            const std::string sub = folder + "sub" + std::to_string(n % 3);
            if (n % 4 == 0)
                ::mkdir(sub.c_str(), 0755);
            else if (n % 4 == 2)
                ::rmdir(sub.c_str());
        }
    });
    for (int round = 0; round < 10; ++round) {
        FileList list;
        search(root, list);
        std::set<std::string> seen;
        for (const std::string& path : paths(list)) {
            EXPECT_TRUE(seen.insert(path).second) << "listed twice: " << path;
            EXPECT_TRUE(stable.count(path) || path.find("/churn") != std::string::npos) << path;
        }
        for (const std::string& path : stable)
            EXPECT_EQ(seen.count(path), 1u) << "a file that stayed was lost: " << path;
    }
    done = true;
    churn.join();
}

TEST(HostileTree, AFolderThatBecomesUnreadableDuringTheWalkIsSkippedAndReported)
{
    TreeDir scratch;
    const std::string root = scratch / "locked";
    makeDirs(root + "/a/inner");
    makeDirs(root + "/b");
    writeFile(root + "/a/fa");
    writeFile(root + "/a/inner/fi");
    writeFile(root + "/b/fb");
    writeFile(root + "/top");

    // The folder loses its permissions just before the walk opens it. Root reads it anyway, so
    // there the seam reports the failure the system would.
    const bool root_user = ::geteuid() == 0;
    WalkOptions options;
    options.failFolder = [&](const std::string& folder) {
        if (folder != root + "/a/")
            return 0;
        if (root_user)
            return EACCES;
        ::chmod(folder.c_str(), 0);
        return 0;
    };
    FileList list;
    const auto result = search(root, list, options);
    ::chmod((root + "/a").c_str(), 0755);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].folder, root + "/a/");
    EXPECT_EQ(result.errors[0].error, EACCES);
    EXPECT_TRUE(pathSet(list) == (std::multiset<std::string>{root + "/top", root + "/b/fb"}));
    expectTextExportKeepsEveryPath(list, scratch.path());
    expectWorkbookHoldsEveryRow(list, scratch.path(), true);
}
