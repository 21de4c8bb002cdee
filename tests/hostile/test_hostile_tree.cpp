// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a search and both exports over a tree holding every awkward thing a disk holds.
#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "search/FixtureTree.h"
#include "support/Command.h"
#include "support/FifoWatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// The trees are built in memory where that can be done.
struct TreeDir : TempDir {
    TreeDir() : TempDir(memoryBase()) {}
};

std::multiset<std::string> pathSet(const FileList& list)
{
    const auto all = pathsOf(list);
    return {all.begin(), all.end()};
}

modSearchDir::SearchResult searchTree(const std::string& folder, FileList& list, const WalkOptions& options = {})
{
    return dirlix::test::search(folder, list, "yyyy-mm-dd HH:MM:SS", options);
}

// Both exports of @p list into @p scratch. The text export with "%6%1|%2" must hold every row's
// folder and name bytes unchanged and its size, in list order, each line ended by CR LF. The
// workbook holds one row per list row; with @p readBack it is read back with openpyxl.
void expectExportsHoldEveryRow(const FileList& list, const std::string& scratch, bool readBack)
{
    ExportProgress progress;
    const std::string path = scratch + "/filelist.txt";
    auto text = modListToText::ExportListToText(*list.rows(), path, [] { return std::string("%6%1|%2"); },
                                                englishLocale(), progress);
    ASSERT_TRUE(text.ok) << text.error;
    EXPECT_EQ(text.rows, list.count());
    std::string expected, folder;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Row row = list.row(i, folder);
        expected += std::string(row.folder) + std::string(row.name) + "|" +
                    (row.values.valuesKnown() ? std::to_string(row.values.size) : "") + "\r\n";
    }
    EXPECT_TRUE(readFile(path) == expected) << "the text export differs from the list";

    const auto book = modListToExcel::ExportListToSpreadsheet(*list.rows(), scratch, englishLocale(), progress);
    ASSERT_TRUE(book.ok) << book.error;
    EXPECT_EQ(book.rows, list.count());
    if (readBack) {
        const CommandResult read = runCommand("/usr/bin/python3 '" WORKBOOK_READER "' '" + book.path + "' 2>&1");
        ASSERT_EQ(read.status, 0) << read.out;
        std::size_t cellsA = 0;
        for (std::size_t at = 0; (at = read.out.find("\nA", at)) != std::string::npos; ++at)
            ++cellsA;
        EXPECT_EQ(cellsA, list.count()) << read.out.substr(0, 2000);
    }
}

} // namespace

TEST(HostileTree, AwkwardNamesAreListedAndExportedAsTheirOwnBytes)
{
    TreeDir scratch;
    const std::string root = scratch / "tree";
    makeDirs(root + "/dir\nwith %TAB% \xff");
    const std::vector<std::string> names{
        "new\nline", "tab\there", "carriage\rreturn", "50%%off %TAB%.txt", "%1%Fn%%Dir%%Cdd%", "\"double\"",
        "'single'", "-leading-dash", "--", std::string(255, 'n'), "bad\xff\xfe utf8", "cut \xe2\x82",
        "lone \x80 continuation", "two \xc3\xa9", "four \xf0\x9f\x98\x80", "plane16 \xf4\x8f\xbf\xbd",
        "_x0041_ escape", " spaces ", "sub\x01" "ctl", "dir\nwith %TAB% \xff/inside"};
    std::multiset<std::string> expected;
    for (const std::string& name : names) {
        writeFile(root + "/" + name, name);
        expected.insert(root + "/" + name);
    }
    FileList list;
    const auto result = searchTree(root, list);
    ASSERT_TRUE(result.folderFound);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_TRUE(pathSet(list) == expected) << "a name was lost or changed";
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i) { // each file holds its own name
        const Row row = list.row(i, folder);
        EXPECT_EQ(row.values.size, std::int64_t(std::string(row.folder).size() + row.name.size() - root.size() - 1));
    }
    expectExportsHoldEveryRow(list, scratch.path(), true);
}

TEST(HostileTree, AFolder5000LevelsDeepIsWalkedWithoutAPathOrStackLimit)
{
    TreeDir scratch;
    const std::string root = scratch / "deep", level = "level-of-a-deep-tree";
    makeDirs(root);
    constexpr int kDepth = 5000;
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<int> fds{fd};
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_EQ(::mkdirat(fds.back(), level.c_str(), 0755), 0) << std::strerror(errno) << " at " << i;
        fds.push_back(::openat(fds.back(), level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_GE(fds.back(), 0);
        if (i % 1000 == 0) // a side folder with a file on the way down
            ::close(::openat(fds.back(), "side-file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    ::close(::openat(fds.back(), "bottom.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    writeFile(root + "/top.txt", "t");
    std::string bottom = root + "/";
    for (int i = 0; i < kDepth; ++i)
        bottom += level + "/";
    ASSERT_GT(bottom.size(), std::size_t(PATH_MAX));

    std::vector<std::string> oneThread;
    for (unsigned threads : {1u, 4u}) {
        WalkOptions options;
        options.threads = threads;
        FileList list;
        const auto result = searchTree(root, list, options);
        EXPECT_TRUE(result.errors.empty()) << result.errors.size() << " errors, the first "
                                           << (result.errors.empty() ? 0 : result.errors.front().error);
        const auto paths = pathsOf(list);
        ASSERT_EQ(paths.size(), 2u + kDepth / 1000);
        EXPECT_EQ(paths.front(), root + "/top.txt");
        EXPECT_EQ(paths.back(), bottom + "bottom.txt");
        if (threads == 1)
            oneThread = paths;
        EXPECT_EQ(paths, oneThread);
        if (threads == 1)
            expectExportsHoldEveryRow(list, scratch.path(), false);
    }
    // Removed from the bottom up, relative to each parent: the paths are too long to name.
    ::unlinkat(fds.back(), "bottom.txt", 0);
    while (fds.size() > 1) {
        ::unlinkat(fds.back(), "side-file", 0);
        ::close(fds.back());
        fds.pop_back();
        ::unlinkat(fds.back(), level.c_str(), AT_REMOVEDIR);
    }
    ::close(fd);
}

TEST(HostileTree, FifosSocketsAndDevicesAreListedFromTheirValuesAndNeverOpened)
{
    TreeDir scratch;
    const std::string root = scratch / "special";
    makeDirs(root);
    // A FIFO with no writer would block whoever opens it for reading; this one lets a reader through and tells.
    FifoWatch fifo(root + "/fifo");
    ASSERT_EQ(::symlink("fifo", (root + "/link-to-fifo").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = root + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    std::multiset<std::string> expected{root + "/fifo", root + "/link-to-fifo", root + "/socket"};
    if (::mknod((root + "/null-device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
        ::mknod((root + "/block-device").c_str(), S_IFBLK | 0600, makedev(7, 0)) == 0) {
        expected.insert({root + "/null-device", root + "/block-device"});
    } else {
        std::cout << "[ NOTE     ] device nodes not made (needs root): " << std::strerror(errno) << "\n";
    }

    FileList list;
    const auto result = searchTree(root, list);
    ::close(sock);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_TRUE(pathSet(list) == expected);
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Row row = list.row(i, folder);
        EXPECT_EQ(row.values.size, 0) << row.name;
        EXPECT_TRUE(row.values.attributes & AttrSystem) << row.name << " is not marked system";
    }
    expectExportsHoldEveryRow(list, scratch.path(), true);
    EXPECT_FALSE(fifo.opened()) << "the walk or an export opened the FIFO";
}

// A folder of 100,000 files, one of them sparse with 16 GiB and no blocks: every name once, the
// full size in the list and the exports.
TEST(HostileTree, AFolderOf100000FilesIsListedCompletelyWithFullSizes)
{
    TreeDir scratch;
    const std::string root = scratch / "many";
    makeDirs(root);
    constexpr int kFiles = 100000;
    const int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(::close(::openat(dir, ("f" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)), 0);
    ::close(dir);
    constexpr std::int64_t kSize = std::int64_t(16) << 30;
    ASSERT_EQ(::truncate((root + "/f500").c_str(), kSize), 0) << std::strerror(errno);

    FileList list;
    searchTree(root, list);
    const auto paths = pathSet(list);
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), std::size_t(kFiles)) << "a name came twice";
    EXPECT_TRUE(paths.count(root + "/f0") && paths.count(root + "/f99999"));
    const auto inOrder = pathsOf(list);
    const auto sparse = std::find(inOrder.begin(), inOrder.end(), root + "/f500");
    ASSERT_NE(sparse, inOrder.end());
    EXPECT_EQ(rowsOf(list)[std::size_t(sparse - inOrder.begin())][1], "17179869184");
    expectExportsHoldEveryRow(list, scratch.path(), false);
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
            const std::string name = folder + "churn" + std::to_string(n % 7), sub = folder + "sub" + std::to_string(n % 3);
            if (n % 2)
                ::unlink(name.c_str());
            else
                ::close(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            if (n % 4 == 0)
                ::mkdir(sub.c_str(), 0755);
            else if (n % 4 == 2)
                ::rmdir(sub.c_str());
        }
    });
    for (int round = 0; round < 10; ++round) {
        FileList list;
        const auto result = searchTree(root, list);
        EXPECT_TRUE(result.errors.empty()) << result.errors.front().path;
        std::set<std::string> seen;
        for (const std::string& path : pathsOf(list)) {
            EXPECT_TRUE(seen.insert(path).second) << "listed twice: " << path;
            EXPECT_TRUE(stable.count(path) || path.find("/churn") != std::string::npos) << path;
        }
        for (const std::string& path : stable)
            EXPECT_EQ(seen.count(path), 1u) << "a file that stayed was lost: " << path;
    }
    done = true;
    churn.join();
}

// Root reads every folder, so as root this case runs again as the unprivileged user "nobody".
TEST(HostileTree, UnreadableFoldersAndFilesAreReportedAndTheWalkGoesOn)
{
    if (::geteuid() == 0) {
        char exe[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe);
        ASSERT_GT(length, 0);
        const CommandResult run = runCommand(
            "setpriv --reuid=65534 --regid=65534 --clear-groups '" + std::string(exe, std::size_t(length)) +
            "' --gtest_filter=HostileTree.UnreadableFoldersAndFilesAreReportedAndTheWalkGoesOn 2>&1");
        if (run.status == 126 || run.status == 127 || run.out.find("[  SKIPPED ]") != std::string::npos)
            GTEST_SKIP() << "running as root, which reads every folder, and this case could not run as another "
                            "user (setpriv --reuid=65534 --regid=65534 --clear-groups):\n" << run.out;
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
        return;
    }
    TreeDir scratch;
    const std::string root = scratch / "locked";
    for (const char* file : {"top", "a/fa", "a/inner/fi", "b/fb", "closed/fc", "listonly/f", "listonly/sub/g"}) {
        makeDirs((root + "/" + file).substr(0, (root + "/" + file).rfind('/')));
        writeFile(root + "/" + file);
    }
    ::chmod((root + "/closed").c_str(), 0);       // neither listed nor entered
    ::chmod((root + "/listonly").c_str(), 0444);  // listed, but neither its files' values nor its folders read
    WalkOptions options;
    options.failFolder = [&](const std::string& folder) { // "a" loses its permissions just before it is opened
        if (folder == root + "/a/")
            ::chmod(folder.c_str(), 0);
        return 0;
    };
    FileList list;
    const auto result = searchTree(root, list, options);
    std::set<std::string> errors;
    for (const WalkError& error : result.errors)
        errors.insert(std::to_string(int(error.kind)) + " " + error.path + " " + std::strerror(error.error));
    const std::string denied = std::string(" ") + std::strerror(EACCES);
    EXPECT_EQ(errors, (std::set<std::string>{"0 " + root + "/a/" + denied, "0 " + root + "/closed/" + denied,
                                             "1 " + root + "/listonly/f" + denied,
                                             "0 " + root + "/listonly/sub/" + denied}));
    EXPECT_TRUE(pathSet(list) == (std::multiset<std::string>{root + "/top", root + "/b/fb", root + "/listonly/f"}));
    std::string folder;
    for (std::size_t i = 0; i < list.count(); ++i)
        EXPECT_EQ(list.row(i, folder).values.valuesKnown(), list.row(i, folder).folder != root + "/listonly/");
    expectExportsHoldEveryRow(list, scratch.path(), true);

    // An unreadable start folder is there, and reported.
    EXPECT_EQ(Walker::checkStart(root + "/closed"), 0);
    const auto closed = searchTree(root + "/closed", list);
    EXPECT_TRUE(closed.folderFound);
    ASSERT_EQ(closed.errors.size(), 1u);
    EXPECT_EQ(closed.errors[0].path, root + "/closed/");
    EXPECT_EQ(list.count(), 0u);
}
