// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list --compare against a list of the same tree made earlier.
#include "output/TextRows.h"
#include "support/FifoWatch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Root reads every folder, so the program runs as the unprivileged user "nobody" there.
const std::string kUser = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";

CommandResult run(const std::string& arguments, const std::string& redirect = "2>/dev/null")
{
    return runCommand(kUser + DIRLIX_LIST_PROGRAM " -d yyyy " + arguments + " " + redirect);
}

// The lines of the text output "%6%1": the paths in walk order.
std::vector<std::string> pathsOf(const std::string& text)
{
    std::vector<std::string> paths;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        paths.push_back(text.substr(at, end - at));
    return paths;
}

} // namespace

// Added, removed, grown, touched and renamed files give exact A, M and D lines in walk order and
// then the list's order, with status 1; files in a folder that cannot be read now are not
// removed. Names with a tab, a line feed and bytes that are not UTF-8 come back from the list
// exactly, so a list compared with its own tree gives nothing and 0.
TEST(Compare, ChangesOfATreeSinceItsList)
{
    TempDir scratch(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    ::chmod(scratch.path().c_str(), 0755);
    const std::string tree = scratch / "tree", old = scratch / "old.jsonl";
    for (const char* name : {"keep", "grow", "touch", "gone", "renamed", "sub/deep/x", "locked/inside",
                             "tab\there", "line\nfeed", "bad\xfe\xff"}) {
        const std::string path = tree + "/" + name;
        makeDirs(path.substr(0, path.rfind('/')));
        writeFile(path, name);
    }
    if (run("-t '%6%1' '" + tree + "'").status != 0)
        GTEST_SKIP() << "the tree cannot be read as the user nobody (setpriv), so an unreadable folder cannot be made";
    ASSERT_EQ(runCommand(DIRLIX_LIST_PROGRAM " --format=jsonl -o '" + old + "' '" + tree + "'").status, 0);
    ::chmod(old.c_str(), 0644);
    const std::vector<std::string> before = pathsOf(run("-t '%6%1' '" + tree + "'").out);
    EXPECT_EQ(run("--compare='" + old + "' '" + tree + "'").out, "");
    EXPECT_EQ(run("--compare='" + old + "' '" + tree + "'").status, 0);

    writeFile(tree + "/new", "");
    ::unlink((tree + "/gone").c_str());
    writeFile(tree + "/grow", "grown longer");
    setTimes(tree + "/touch", localTime(2001, 2, 3, 4, 5, 6));
    ::rename((tree + "/renamed").c_str(), (tree + "/sub/renamed").c_str());
    ::chmod((tree + "/locked").c_str(), 0);
    std::string expected;
    for (const std::string& path : pathsOf(run("-t '%6%1' '" + tree + "'").out)) {
        const std::string name = path.substr(tree.size() + 1);
        if (name == "new" || name == "sub/renamed" || name == "grow" || name == "touch")
            expected += (name == "grow" || name == "touch" ? "M\t" : "A\t") + path + "\n";
    }
    for (const std::string& path : before)
        if (path == tree + "/gone" || path == tree + "/renamed")
            expected += "D\t" + path + "\n";
    const CommandResult changes = run("--compare='" + old + "' '" + tree + "'");
    const std::string errors = run("--compare='" + old + "' '" + tree + "'", "2>&1 >/dev/null").out;
    ::chmod((tree + "/locked").c_str(), 0755);
    ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 4 + 2) << "the walk lost a file";
    EXPECT_EQ(changes.out, expected);
    EXPECT_EQ(changes.status, 2) << "an unreadable folder is trouble, as in diff";
    EXPECT_NE(errors.find(tree + "/locked/"), std::string::npos) << "the unreadable folder is named: " << errors;
}

// A saved list that is cut short, not JSON or missing stops the comparison with status 2, names
// the line, and leaves the output file as it was; an empty list is a list of no files.
TEST(Compare, BrokenSavedListsAreTroubleAndNamed)
{
    TempDir scratch;
    makeDirs(scratch / "tree");
    writeFile(scratch / "tree/a", "a");
    writeFile(scratch / "out", "kept");
    const std::string line = runCommand(DIRLIX_LIST_PROGRAM " --format=jsonl '" + scratch / "tree" + "'").out;
    const std::pair<std::string, std::string> broken[] = {
        {line + line.substr(0, line.size() / 2), "line 2:"},
        {line + line + "not json\n", "line 3:"},
        {"{\"name\":\"a\"}\n", "line 1:"},
    };
    for (const auto& [text, named] : broken) {
        writeFile(scratch / "old.jsonl", text);
        const std::string arguments = "--compare '" + scratch / "old.jsonl" + "' -o '" + scratch / "out" + "' '" +
                                      scratch / "tree" + "'";
        const CommandResult result = runCommand(DIRLIX_LIST_PROGRAM " -d yyyy " + arguments + " 2>&1");
        EXPECT_NE(result.out.find(named), std::string::npos) << result.out;
        EXPECT_EQ(runCommand(DIRLIX_LIST_PROGRAM " -d yyyy " + arguments).status, 2);
        EXPECT_EQ(readFile(scratch / "out"), "kept");
    }
    writeFile(scratch / "old.jsonl", "");
    const std::string tree = " '" + scratch / "tree" + "'";
    const CommandResult empty = runCommand(DIRLIX_LIST_PROGRAM " --compare='" + scratch / "old.jsonl" + "'" + tree);
    EXPECT_EQ(empty.out, "A\t" + scratch / "tree/a\n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(runCommand(DIRLIX_LIST_PROGRAM " --compare='" + scratch / "none.jsonl" + "'" + tree).status, 2);

    // A list of paths alone: a file it holds without values is not changed, and files a walk of the
    // tree could not see (outside it, in a folder it does not enter) are not removed.
    writeFile(scratch / "old.jsonl", "{\"path\":\"" + scratch / "tree/a\"}\n{\"path\":\"/elsewhere/x\"}\n{\"path\":\"" +
                                         scratch / "tree/.git/x\"}\n{\"path\":\"" + scratch / "tree/b\"}\n");
    const CommandResult paths = runCommand(DIRLIX_LIST_PROGRAM " --compare='" + scratch / "old.jsonl" + "'" + tree);
    EXPECT_EQ(paths.out, "D\t" + scratch / "tree/b\n");
    EXPECT_EQ(paths.status, 1);
}

// Whatever OLD holds, the comparison ends at once with status 2 and a message that names the
// fault: a device or a FIFO is not read (not even opened, so a FIFO never blocks), a file without
// line feeds or with one overlong line is refused after its first MiB, with the line's number.
// Each run is under a time limit, so that a reading that hangs or runs on fails here.
TEST(Compare, SavedListsAreReadWithinBounds)
{
    TempDir scratch;
    makeDirs(scratch / "tree");
    writeFile(scratch / "tree/a", "a");
    const std::string row = runCommand(DIRLIX_LIST_PROGRAM " --format=jsonl '" + scratch / "tree" + "'").out;
    writeFile(scratch / "noline", std::string(4 << 20, '{'));
    writeFile(scratch / "longline", row + "{\"name\":\"" + std::string(3 << 20, 'x') + "\"}\n" + row);
    dirlix::test::FifoWatch fifo(scratch / "fifo");
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "is a device, not a regular file"},
        {scratch / "fifo", "is a FIFO, not a regular file"},
        {scratch / "tree", "is a folder, not a regular file"},
        {scratch / "noline", "line 1: longer than 1048576 bytes"},
        {scratch / "longline", "line 2: longer than 1048576 bytes"},
    };
    for (const auto& [old, message] : cases) {
        const CommandResult result = runCommand("timeout 20 " DIRLIX_LIST_PROGRAM " --compare='" + old + "' '" +
                                                scratch / "tree" + "' 2>&1");
        EXPECT_EQ(result.status, 2) << old << " (124: it did not end)";
        EXPECT_NE(result.out.find(message), std::string::npos) << result.out.substr(0, 300);
        EXPECT_LT(result.out.size(), 400u) << "a message quotes no more than a short excerpt";
    }
    EXPECT_FALSE(fifo.opened()) << "the FIFO was opened, though it is never read";
}
