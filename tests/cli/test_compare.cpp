// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list --compare against a list of the same tree made earlier.
#include "output/TextRows.h"
#include "output/SavedList.h"
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

// A comparison never answers wrongly without a word: the list itself as the output (by its name,
// another spelling, a hard or a symbolic link) is refused and left whole; a list written in place
// while it is compared is refused when its rows are read again, one put in its place by a rename
// is not read; an impossible row is refused with its line; a file still there but now left out by
// a filter is not removed; DIR spelled another way matches, and an absolute DIR for a relative
// list is warned of. Each run is under a time limit.
TEST(Compare, ComparisonsNeverAnswerWronglySilently)
{
    TempDir scratch;
    makeDirs(scratch / "tree/sub");
    for (const char* name : {"a", "sub/b", "big", "old"})
        writeFile(scratch / "tree/" + name, std::string(100, 'x'));
    setTimes(scratch / "tree/old", localTime(2001, 2, 3, 4, 5, 6));
    const std::string cd = "cd '" + scratch.path() + "' && timeout 20 " DIRLIX_LIST_PROGRAM " -d yyyy ";
    ASSERT_EQ(runCommand(cd + "--format=jsonl -o old.jsonl tree").status, 0);
    const std::string list = readFile(scratch / "old.jsonl");
    ::link((scratch / "old.jsonl").c_str(), (scratch / "hard").c_str());
    ::symlink("old.jsonl", (scratch / "soft").c_str());
    for (const char* output : {"old.jsonl", "./old.jsonl", "hard", "soft"}) {
        const CommandResult result = runCommand(cd + "--compare=old.jsonl -o " + output + " tree 2>&1");
        EXPECT_EQ(result.status, 2) << output;
        EXPECT_NE(result.out.find("is the saved list"), std::string::npos) << output << ": " << result.out;
        EXPECT_EQ(readFile(scratch / "old.jsonl"), list) << output;
    }

    // Read again through the file loaded: a list written in place is refused, one renamed over it is not read.
    {
        SavedList saved;
        std::string error;
        ASSERT_TRUE(saved.load(scratch / "old.jsonl", error)) << error;
        JsonLineRow row;
        writeFile(scratch / "new.jsonl", "");
        ::rename((scratch / "new.jsonl").c_str(), (scratch / "old.jsonl").c_str());
        ASSERT_TRUE(saved.readRow(1, row, error)) << error;
        EXPECT_EQ(row.name, saved.name(1));
    }
    {
        writeFile(scratch / "old.jsonl", list);
        SavedList saved;
        std::string error;
        ASSERT_TRUE(saved.load(scratch / "old.jsonl", error)) << error;
        std::string rewritten = list.substr(list.find('\n') + 1) + list.substr(0, list.find('\n') + 1);
        FILE* file = std::fopen((scratch / "old.jsonl").c_str(), "r+");
        std::fwrite(rewritten.data(), 1, rewritten.size(), file);
        std::fclose(file);
        JsonLineRow row;
        EXPECT_FALSE(saved.readRow(1, row, error)) << "a row of the rewritten list was taken for row 1: " << row.name;
        EXPECT_NE(error.find("written to while it was compared"), std::string::npos) << error;
        writeFile(scratch / "old.jsonl", list);
    }

    writeFile(scratch / "bad.jsonl", list + R"({"name":"x/y","folder":"tree/"})" "\n");
    const CommandResult bad = runCommand(cd + "--compare=bad.jsonl tree 2>&1");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("line 5: the name \"x/y\""), std::string::npos) << bad.out;

    // Filtered lists: a file that shrank below --min-size, or was touched past --older, is there still.
    ASSERT_EQ(runCommand(cd + "--format=jsonl --min-size=50 --older=2002-01-01 -o filtered.jsonl tree").status, 0);
    writeFile(scratch / "tree/old", "x");
    setTimes(scratch / "tree/old", std::time(nullptr));
    const CommandResult filtered = runCommand(cd + "--compare=filtered.jsonl --min-size=50 --older=2002-01-01 tree");
    EXPECT_EQ(filtered.out, "");
    EXPECT_EQ(filtered.status, 0);
    ::unlink((scratch / "tree/old").c_str());
    EXPECT_EQ(runCommand(cd + "--compare=filtered.jsonl --min-size=50 --older=2002-01-01 tree").out, "D\ttree/old\n");

    // DIR spelled another way.
    ::unlink((scratch / "tree/big").c_str());
    for (const char* dir : {"tree", "./tree", "tree//", "./tree/./", "tree/sub/.."}) {
        const CommandResult result = runCommand(cd + "--compare=old.jsonl " + dir + " 2>&1");
        if (std::string(dir) == "tree/sub/..") { // through a name, not a spelling: not matched, but said
            EXPECT_NE(result.out.find("warning: no file of old.jsonl lies in tree/sub/.."), std::string::npos) << result.out;
            continue;
        }
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2) << dir << ": " << result.out;
        EXPECT_NE(result.out.find("D\ttree/big\n"), std::string::npos) << dir << ": " << result.out;
        EXPECT_NE(result.out.find("D\ttree/old\n"), std::string::npos) << dir << ": " << result.out;
    }
    const CommandResult absolute = runCommand(cd + "--compare=old.jsonl '" + scratch / "tree" + "' 2>&1");
    EXPECT_EQ(absolute.status, 1);
    EXPECT_NE(absolute.out.find("warning: no file of old.jsonl lies in"), std::string::npos) << absolute.out;
    EXPECT_EQ(absolute.out.find("\nD\t"), std::string::npos) << absolute.out;
}
