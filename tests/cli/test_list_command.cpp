// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list, in process and as the real program.
#include "cli/ListCommand.h"
#include "output/TextRows.h"
#include "search/modSearchDir.h"
#include "support/FifoWatch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Runs the companion built beside the tests through the shell with @p environment.
CommandResult runProgram(const std::string& arguments, const std::string& environment = "")
{
    return runCommand(environment + " " DIRLIX_LIST_PROGRAM " " + arguments + " 2>/dev/null");
}

// Starts the companion with @p args as a child of this test, @p tmpdir as its TMPDIR, its output
// to /dev/null; returns its process id.
pid_t startProgram(const std::vector<std::string>& args, const std::string& tmpdir)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(DIRLIX_LIST_PROGRAM)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(DIRLIX_LIST_PROGRAM, argv.data());
        ::_exit(127);
    }
    return pid;
}

// Whether a name in @p folder begins with @p prefix.
bool holdsNameStarting(const std::string& folder, const std::string& prefix)
{
    for (const std::string& name : namesIn(folder))
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// What the window's search finds in @p folder.
FileList& searched(FileList& list, const std::string& folder, const std::string& pattern)
{
    modSearchDir::SearchDir(folder, list, [&] { return pattern; });
    return list;
}

} // namespace

// The default columns and a template both give the rows the window's search gives, in its order,
// and a template gives the very bytes of Output to Text.
TEST(ListCommand, WritesTheRowsOfTheSearch)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub/.git");
    writeFile(tmp / "tree/a%TAB%.txt", std::string(1536, 'x'));
    writeFile(tmp / "tree/odd\nname\xfe", "");
    writeFile(tmp / "tree/sub/b", "12345");
    writeFile(tmp / "tree/sub/.git/c", "");
    setTimes(tmp / "tree/sub/b", localTime(2024, 3, 5, 14, 7, 9));
    FileList list, linked;
    searched(list, tmp / "tree", "yyyy-mm-ddTHH:MM");
    ASSERT_EQ(list.count(), 3u);

    cli::ListOptions options;
    options.directory = tmp / "tree";
    options.datePattern = "yyyy-mm-ddTHH:MM";
    options.outputFile = tmp / "out.txt";
    EXPECT_EQ(cli::runList(options), cli::ExitOk);
    std::string columns;
    RowTexts texts;
    Row row;
    for (auto rows = list.rows(); rows->next(row);)
        texts.appendRow(columns, row, '\t', '\n');
    EXPECT_EQ(readFile(tmp / "out.txt"), columns);
    EXPECT_NE(columns.find("b\t5\t\t"), std::string::npos) << columns;
    EXPECT_NE(columns.find("\t2024-03-05T14:07\t" + tmp / "tree/sub/\t"), std::string::npos) << columns;

    options.textOutput = true;
    options.lineTemplate = "%Fn%|%Sk%|%Mdd%.%Mmm% %MI%%Mam%|%5|%6%1|%%|%Cyy%";
    EXPECT_EQ(cli::runList(options), cli::ExitOk);
    ASSERT_TRUE(exportText(list, tmp / "filelist.txt", [&] { return *options.lineTemplate; }).ok);
    EXPECT_EQ(readFile(tmp / "out.txt"), readFile(tmp / "filelist.txt"));
    EXPECT_NE(readFile(tmp / "out.txt").find("b|0|05.03  2pm|2024-03-05T14:07|" + tmp / "tree/sub/b|%|"),
              std::string::npos);

    // Names and folders alone: the walk skips the files' values, but links still need a look.
    ASSERT_EQ(symlink("sub", (tmp / "tree/linked").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "tree/dangling").c_str()), 0);
    ASSERT_EQ(searched(linked, tmp / "tree", "yyyy").count(), 5u);
    options.lineTemplate = "\"%6%1\"%Fn%";
    EXPECT_EQ(cli::runList(options), cli::ExitOk);
    ASSERT_TRUE(exportText(linked, tmp / "filelist.txt", [&] { return *options.lineTemplate; }).ok);
    EXPECT_EQ(readFile(tmp / "out.txt"), readFile(tmp / "filelist.txt"));
}

// A missing folder or an output that cannot be created is found before anything is written (2);
// unreadable folders give 1; failed writes of the help, a closed standard output; totals past 64 bits.
TEST(ListCommand, ExitStatusesAndWhatStaysInPlace)
{
    TempDir tmp;
    makeDirs(tmp / "tree/locked");
    makeDirs(tmp / "tree/open");
    writeFile(tmp / "tree/locked/x", "");
    writeFile(tmp / "tree/open/y", "");
    writeFile(tmp / "out.txt", "existing");

    cli::ListOptions options;
    options.outputFile = tmp / "out.txt";
    options.datePattern = "dd";
    options.directory = tmp / "missing";
    EXPECT_EQ(cli::runList(options), cli::ExitUsage);
    EXPECT_EQ(readFile(tmp / "out.txt"), "existing");

    options.directory = tmp / "tree";
    WalkOptions walk;
    walk.failFolder = [&](const std::string& folder) { return folder == tmp / "tree/locked/" ? EACCES : 0; };
    EXPECT_EQ(cli::runList(options, walk), cli::ExitSomeUnreadable);
    // The listing is complete apart from the unreadable folder.
    const std::string out = readFile(tmp / "out.txt");
    EXPECT_NE(out.find("y\t0\t"), std::string::npos);
    EXPECT_EQ(out.find("x\t"), std::string::npos);

    options.outputFile = tmp / "no-folder/out.txt";
    EXPECT_EQ(cli::runList(options), cli::ExitUsage) << "an output that cannot be created";

    const std::string tree = "'" + tmp / "tree" + "'";
    EXPECT_EQ(runProgram("-o '" + tmp / "out.txt" + "' '" + tmp / "nothing" + "'").status, 2);
    EXPECT_EQ(readFile(tmp / "out.txt"), out);
    EXPECT_EQ(runProgram("--xlsx '" + tmp / "none.xlsx" + "' '" + tmp / "nothing" + "'").status, 2);
    EXPECT_NE(::access((tmp / "none.xlsx").c_str(), F_OK), 0) << "a missing folder makes no workbook";
    EXPECT_EQ(runProgram("--frobnicate").status, 2);
    const CommandResult oneThread = runProgram("-j 1 " + tree);
    EXPECT_EQ(oneThread.status, 0);
    EXPECT_EQ(runProgram("-j2 " + tree).out, oneThread.out);
    EXPECT_EQ(runProgram("--threads=2 -o '" + tmp / "out2.txt" + "' " + tree).out, "");
    EXPECT_EQ(readFile(tmp / "out2.txt"), oneThread.out);

    // A write that fails is an error even for --help and --version; with standard output closed
    // nothing is written in its place (it is refused), while -o still writes its file.
    const std::string program = DIRLIX_LIST_PROGRAM " ", toErrors = " 2>'" + tmp / "errors" + "'";
    for (const std::string& output : std::vector<std::string>{"--help >/dev/full", "--version >/dev/full",
                                                               "--help >&-", tree + " >&-"}) {
        EXPECT_EQ(runCommand(program + output + toErrors).status, 2) << output;
        EXPECT_NE(readFile(tmp / "errors").find("dirlix-list: "), std::string::npos) << output;
    }
    EXPECT_EQ(runCommand(program + "-j1 -o '" + tmp / "closed.txt" + "' " + tree + " >&-" + toErrors).status, 0);
    EXPECT_EQ(readFile(tmp / "closed.txt"), oneThread.out);

    // Folder totals of three sparse files of 8 EiB less a byte: 64 bits would wrap.
    TempDir sparse(TempDir::memoryBase());
    bool made = true;
    for (const char* name : {"a", "b", "c"})
        made = made && runCommand("truncate -s 9223372036854775807 '" + sparse / name + "' 2>/dev/null").status == 0;
    if (made)
        EXPECT_EQ(runProgram("--folders --format=tsv --no-header '" + sparse.path() + "'").out,
                  sparse.path() + "/\t3\t27670116110564327421\t3\t27670116110564327421\n");
    else
        std::cout << "not tested: folder totals past 64 bits (no file system here takes a file of 8 EiB)\n";
}

// Forms the parser must refuse, and the template option, which takes its text only after "=".
// (-jN, --threads=N and --output= are run through the real program above.)
TEST(ListCommand, ArgumentForms)
{
    std::string error;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"-j", "0", "dir"}, {"-j", "2x", "dir"}, {"-j257", "dir"}, {"--bogus", "dir"},
          {"-d"}, {}, {"one", "two"}, {"dir", "-t"}, {"--xlsx", "a.xlsx", "-o", "b.txt", "dir"},
          {"--xlsx", "a.xlsx", "-t", "%1", "dir"}, {"--format=csv", "--csv-formulas=run", "dir"},
          {"--format=tsv", "--csv-formulas=keep", "dir"}})
        EXPECT_FALSE(cli::parseArguments(bad, error)) << ::testing::PrintToString(bad);
    EXPECT_EQ(cli::parseArguments({"--", "-named"}, error)->directory, "-named");
    EXPECT_EQ(cli::parseArguments({"-t", "%1", "dir"}, error)->lineTemplate, "%1");
    EXPECT_EQ(cli::parseArguments({"dir", "--template="}, error)->lineTemplate, "");
    // A bare --template never swallows the folder.
    const auto bare = cli::parseArguments({"--template", "dir"}, error);
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->textOutput && !bare->lineTemplate);
    EXPECT_EQ(bare->directory, "dir");
    EXPECT_FALSE(cli::parseArguments({"--template", "%1", "dir"}, error));
    EXPECT_NE(error.find("--template=TEXT"), std::string::npos) << error;
}

// The real program reads the window's stored date pattern and template, else the defaults; a
// settings file that is no regular file is never opened (a FIFO would hold it up), only reported.
TEST(ListCommand, RealProgramUsesTheStoredSettingsElseTheDefaults)
{
    TempDir tmp;
    makeDirs(tmp / "config/Quillborne");
    writeFile(tmp / "config/Quillborne/Quillborne.ini", "[Dirlix%20Pro]\nDateFormat=yyyymmdd\nTextFormat=<%Fn%>%Sbb%\n");
    makeDirs(tmp / "tree");
    writeFile(tmp / "tree/f", "abc");
    setTimes(tmp / "tree/f", localTime(2024, 3, 5, 14, 7, 9));
    const std::string tree = "'" + tmp / "tree" + "'";
    const std::string stored = "XDG_CONFIG_HOME=" + tmp / "config", none = "XDG_CONFIG_HOME=" + tmp / "none";

    const CommandResult dates = runProgram(tree, stored);
    EXPECT_EQ(dates.status, 0);
    EXPECT_NE(dates.out.find("\t20240305\t" + tmp / "tree/"), std::string::npos) << dates.out;
    EXPECT_NE(runProgram("-d 'dd Mmm yy' " + tree, stored).out.find("\t05 Mar 24\t" + tmp / "tree/"), std::string::npos);
    EXPECT_NE(runProgram(tree, none).out.find("\t05/03/24 14:07:09\t" + tmp / "tree/"), std::string::npos);
    EXPECT_EQ(runProgram("--template " + tree, stored).out, "<f>3\r\n");
    EXPECT_EQ(runProgram(tree + " --template", none).out, "\"" + tmp / "tree/f\"\r\n");

    makeDirs(tmp / "fifo/Quillborne");
    FifoWatch fifo(tmp / "fifo/Quillborne/Quillborne.ini");
    // The time limit only turns a hang into a failure.
    const CommandResult held = runCommand("XDG_CONFIG_HOME='" + tmp / "fifo' timeout 60 " DIRLIX_LIST_PROGRAM " " + tree +
                                          " 2>'" + tmp / "errors'");
    EXPECT_EQ(held.status, 0);
    EXPECT_EQ(held.out, runProgram(tree, none).out);
    EXPECT_NE(readFile(tmp / "errors").find("is not a regular file"), std::string::npos) << readFile(tmp / "errors");
    EXPECT_FALSE(fifo.opened());
}

// --xlsx writes the listed rows as a workbook, aside first: a workbook already there is replaced whole.
TEST(ListCommand, XlsxWritesTheListedRowsAsAWorkbook)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub");
    makeDirs(tmp / "out");
    writeFile(tmp / "tree/0012", "abc");
    writeFile(tmp / "tree/sub/b\xfe", "12345");
    makeDirs(tmp / "tree/sub/f");
    writeFile(tmp / "tree/sub/f/=1+2", "");
    setTimes(tmp / "tree/0012", localTime(2024, 3, 5, 14, 7, 9));
    writeFile(tmp / "out/list.xlsx", "an older workbook");

    const CommandResult run = runProgram("-d 'yyyy-mm-dd' --xlsx '" + tmp / "out/list.xlsx" + "' '" + tmp / "tree" + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "") << "nothing goes to standard output";
    const std::string book = readWorkbook(tmp / "out/list.xlsx");
    EXPECT_NE(book.find("A1 s \"0012\"\nB1 n 3\n"), std::string::npos) << book;
    EXPECT_NE(book.find("E1 s \"2024-03-05\"\nF1 s \"" + tmp / "tree/\""), std::string::npos) << book;
    EXPECT_NE(book.find("A2 s \"b\xEF\xBF\xBD\"\nB2 n 5\n"), std::string::npos) << book;
    EXPECT_NE(book.find("A3 s \"=1+2\"\n"), std::string::npos) << "a name like a formula is a text cell\n" << book;
    EXPECT_EQ(book.find("A4 "), std::string::npos) << book;
    EXPECT_EQ(runCommand("ls -A '" + tmp / "out" + "'").out, "list.xlsx\n") << "nothing left aside";
}

// Each kind of output target as the shell's ">" would treat it, never replaced unless it is a
// regular file: links followed, devices and FIFOs written in place (as an ordinary user, into a
// device of root's), the descriptor of /dev/stdout as it is open, other kinds refused; a replaced
// file keeps its mode and owner; the file written aside is never listed and is removed by signals.
TEST(ListCommand, OutputTargetsByKind)
{
    const bool root = ::geteuid() == 0;
    // A folder that an ordinary user can reach when the tests run as root.
    TempDir tmp(root ? "/tmp" : "");
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0777), 0);
    makeDirs(tmp / "tree/sub");
    writeFile(tmp / "tree/a", "abc");
    writeFile(tmp / "tree/sub/b", "12345");
    const std::string tree = "'" + tmp / "tree" + "'", errors = tmp / "errors";
    const std::string expected = runProgram("-d yyyy " + tree).out;
    ASSERT_NE(expected.find("b\t5\t"), std::string::npos) << expected;
    const auto run = [&](const std::string& output, const std::string& user = "") {
        return runCommand(user + " timeout 60 " DIRLIX_LIST_PROGRAM " -d yyyy " + output + " " + tree + " 2>'" + errors + "'");
    };
    const auto kindOf = [](const std::string& path) {
        struct stat info{};
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    };

    // A link to a regular file: the link stays, the file is replaced whole with its mode and owner.
    writeFile(tmp / "real", "old");
    ASSERT_EQ(::chmod((tmp / "real").c_str(), 0640), 0);
    if (root) {
        ASSERT_EQ(::chown((tmp / "real").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::symlink("real", (tmp / "link").c_str()), 0);
    EXPECT_EQ(run("-o '" + tmp / "link" + "'").status, 0) << readFile(errors);
    EXPECT_EQ(kindOf(tmp / "link"), S_IFLNK);
    EXPECT_EQ(readFile(tmp / "real"), expected);
    struct stat real{};
    ASSERT_EQ(::stat((tmp / "real").c_str(), &real), 0);
    EXPECT_EQ(real.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_TRUE(real.st_uid == 65534 && real.st_gid == 65534) << "the owner is kept";
    }
    // A dangling link: the file it names is made, the link left as it is.
    ASSERT_EQ(::symlink("made", (tmp / "dangling").c_str()), 0);
    EXPECT_EQ(run("-o '" + tmp / "dangling" + "'").status, 0) << readFile(errors);
    EXPECT_EQ(kindOf(tmp / "dangling"), S_IFLNK);
    EXPECT_EQ(readFile(tmp / "made"), expected);
    // /dev/stdout is the descriptor the shell opened: appended to, not rewritten from its start.
    writeFile(tmp / "log", "first\n");
    EXPECT_EQ(run("-o /dev/stdout >>'" + tmp / "log" + "'").status, 0) << readFile(errors);
    EXPECT_EQ(readFile(tmp / "log"), "first\n" + expected);

    // A FIFO with a reader gets the list, or the workbook, and stays a FIFO.
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0666), 0);
    for (const std::string option : {"-o", "--xlsx"}) {
        std::thread reader([&] { runCommand("timeout 60 cat '" + tmp / "fifo" + "' >'" + tmp / "from-fifo.xlsx" + "'"); });
        EXPECT_EQ(run(option + " '" + tmp / "fifo" + "'").status, 0) << readFile(errors);
        reader.join();
        EXPECT_EQ(kindOf(tmp / "fifo"), S_IFIFO);
        if (option == "-o")
            EXPECT_EQ(readFile(tmp / "from-fifo.xlsx"), expected);
        else
            EXPECT_NE(readWorkbook(tmp / "from-fifo.xlsx").find("B2 n 5\n"), std::string::npos)
                << readWorkbook(tmp / "from-fifo.xlsx");
    }
    // A character device of root's, written by an ordinary user: in place, never replaced or changed.
    if (root && ::mknod((tmp / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0 &&
        ::chmod((tmp / "null").c_str(), 0666) == 0) {
        const std::string user = "TMPDIR='" + tmp.path() + "' setpriv --reuid=65534 --regid=65534 --clear-groups";
        for (const std::string option : {"-o", "--xlsx"})
            EXPECT_EQ(run(option + " '" + tmp / "null" + "'", user).status, 0) << readFile(errors);
        struct stat device{};
        ASSERT_EQ(::lstat((tmp / "null").c_str(), &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode) && device.st_rdev == ::makedev(1, 3) && device.st_uid == 0 &&
                    (device.st_mode & 07777) == 0666);
    } else {
        std::cout << "not tested: a character device as the target (making one needs root)\n";
    }

    // A comparison writes by the same rules: through a link (the file it names keeps its mode), into a
    // FIFO with a reader and into root's device as an ordinary user, never listing its own file written
    // aside. A name of standard output while it is closed is refused, for a listing and a comparison.
    const std::string old = tmp / "old.jsonl", gone = tmp / "tree/gone";
    writeFile(gone, "");
    ASSERT_EQ(run("--format=jsonl -o '" + old + "'").status, 0) << readFile(errors);
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    const std::string compare = "--compare='" + old + "' -o ", removed = "D\t" + gone + "\n";
    EXPECT_EQ(run(compare + "'" + tmp / "link" + "'").status, 1) << readFile(errors);
    EXPECT_EQ(kindOf(tmp / "link"), S_IFLNK);
    EXPECT_EQ(readFile(tmp / "real"), removed);
    ASSERT_EQ(::stat((tmp / "real").c_str(), &real), 0);
    EXPECT_EQ(real.st_mode & 07777, 0640u);
    std::thread fifoReader([&] { runCommand("timeout 60 cat '" + tmp / "fifo" + "' >'" + tmp / "from-fifo" + "'"); });
    EXPECT_EQ(run(compare + "'" + tmp / "fifo" + "'").status, 1) << readFile(errors);
    fifoReader.join();
    EXPECT_EQ(readFile(tmp / "from-fifo"), removed);
    EXPECT_EQ(run(compare + "'" + tmp / "tree/changes" + "'").status, 1) << readFile(errors);
    EXPECT_EQ(readFile(tmp / "tree/changes"), removed) << "its own file written aside is no added file";
    ASSERT_EQ(::unlink((tmp / "tree/changes").c_str()), 0);
    if (root && kindOf(tmp / "null") == S_IFCHR) {
        const std::string user = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        EXPECT_EQ(run(compare + "'" + tmp / "null" + "'", user).status, 1) << readFile(errors);
        EXPECT_EQ(run(compare + "/dev/null", user).status, 1) << readFile(errors);
    }
    for (const std::string& closed : {std::string("-o /dev/stdout"), compare + "/dev/stdout", compare + "/dev/fd/1"}) {
        EXPECT_EQ(run(closed + " >&-").status, 2) << closed;
        EXPECT_NE(readFile(errors).find("standard output is closed"), std::string::npos) << readFile(errors);
    }

    // A folder, a block device, a socket: refused before anything is read, and left as they were.
    makeDirs(tmp / "folder");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tmp / "socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::pair<std::string, std::string>> refused{{"folder", "a folder"}, {"socket", "a socket"}};
    if (root && ::mknod((tmp / "block").c_str(), S_IFBLK | 0600, ::makedev(7, 250)) == 0)
        refused.push_back({"block", "a block device"});
    for (const auto& [name, kind] : refused) {
        const mode_t before = kindOf(tmp / name);
        for (const std::string option : {"-o", "--xlsx"}) {
            EXPECT_EQ(run(option + " '" + tmp / name + "'").status, 2) << name;
            EXPECT_NE(readFile(errors).find("it is " + kind), std::string::npos) << readFile(errors);
            EXPECT_EQ(kindOf(tmp / name), before) << name;
        }
    }
    ::close(sock);
    EXPECT_FALSE(holdsNameStarting(tmp.path(), "folder.") || holdsNameStarting(tmp.path(), "dirlix-"));

    // Written into the folder it lists: its own unfinished file is never a row.
    EXPECT_EQ(run("-o '" + tmp / "tree/list.txt" + "'").status, 0) << readFile(errors);
    EXPECT_EQ(readFile(tmp / "tree/list.txt"), expected);
    EXPECT_EQ(run("--xlsx '" + tmp / "tree/list.xlsx" + "'").status, 0) << readFile(errors);
    const std::string book = readWorkbook(tmp / "tree/list.xlsx");
    EXPECT_NE(book.find("list.txt"), std::string::npos) << book;
    EXPECT_EQ(book.find("list.xlsx"), std::string::npos) << book;

    // Ended by a signal while writing: nothing is left beside the target or in the temporary folder.
    // A workbook for a FIFO is copied in at the end; a reader that reads nothing from a pipe of one
    // page holds the program there, with its file written aside, for certain.
    makeDirs(tmp / "stage");
    const int reader = ::open((tmp / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ::fcntl(reader, F_SETPIPE_SZ, 4096);
    const pid_t held = startProgram({"--xlsx", tmp / "fifo", tmp / "tree"}, tmp / "stage");
    int pending = 0;
    for (int i = 0; i < 6000 && (::ioctl(reader, FIONREAD, &pending) != 0 || pending < 4096); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(holdsNameStarting(tmp / "stage", "dirlix-")) << "the workbook is written aside";
    ::kill(held, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(held, &status, 0), held);
    ::close(reader);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(namesIn(tmp / "stage"), std::vector<std::string>{}) << "the staging file and its scratch folder are gone";
    // A regular file: the file beside it is there from before the walk to the end, so a watcher
    // that interrupts as soon as it sees it finds the program at work, unless a big tree goes by
    // faster than a look at a folder; then it tries again.
    TempDir big(TempDir::memoryBase());
    for (int folder = 0; folder < 50; ++folder) {
        makeDirs(big / std::to_string(folder));
        for (int file = 0; file < 200; ++file)
            writeFile(big / (std::to_string(folder) + "/a-file-with-a-long-name-" + std::to_string(file)));
    }
    bool interrupted = false;
    for (int attempt = 0; attempt < 5 && !interrupted; ++attempt) {
        const pid_t pid = startProgram({"-o", tmp / "out.txt", big.path()}, tmp / "stage");
        for (int look = 0; look < 100000 && !holdsNameStarting(tmp.path(), "out.txt."); ++look)
            if (::waitpid(pid, &status, WNOHANG) == pid)
                break;
        ::kill(pid, SIGINT);
        ::waitpid(pid, &status, 0);
        interrupted = WIFSIGNALED(status) && WTERMSIG(status) == SIGINT;
        EXPECT_FALSE(holdsNameStarting(tmp.path(), "out.txt.")) << "attempt " << attempt;
    }
    EXPECT_TRUE(interrupted) << "the program was never caught while writing";
}
