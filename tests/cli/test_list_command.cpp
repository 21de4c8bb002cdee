// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list, in process and as the real program.
#include "cli/ListCommand.h"
#include "output/TextRows.h"
#include "search/modSearchDir.h"
#include "support/FifoWatch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Runs the companion built beside the tests through the shell with @p environment.
CommandResult runProgram(const std::string& arguments, const std::string& environment = "")
{
    return runCommand(environment + " " DIRLIX_LIST_PROGRAM " " + arguments + " 2>/dev/null");
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
// unreadable folders give 1.
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
}

// Forms the parser must refuse, and the template option, which takes its text only after "=".
// (-jN, --threads=N and --output= are run through the real program above.)
TEST(ListCommand, ArgumentForms)
{
    std::string error;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"-j", "0", "dir"}, {"-j", "2x", "dir"}, {"-j257", "dir"}, {"--bogus", "dir"},
          {"-d"}, {}, {"one", "two"}, {"dir", "-t"}, {"--xlsx", "a.xlsx", "-o", "b.txt", "dir"},
          {"--xlsx", "a.xlsx", "-t", "%1", "dir"}})
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
    setTimes(tmp / "tree/0012", localTime(2024, 3, 5, 14, 7, 9));
    writeFile(tmp / "out/list.xlsx", "an older workbook");

    const CommandResult run = runProgram("-d 'yyyy-mm-dd' --xlsx '" + tmp / "out/list.xlsx" + "' '" + tmp / "tree" + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "") << "nothing goes to standard output";
    const std::string book = readWorkbook(tmp / "out/list.xlsx");
    EXPECT_NE(book.find("A1 s \"0012\"\nB1 n 3\n"), std::string::npos) << book;
    EXPECT_NE(book.find("E1 s \"2024-03-05\"\nF1 s \"" + tmp / "tree/\""), std::string::npos) << book;
    EXPECT_NE(book.find("A2 s \"b\xEF\xBF\xBD\"\nB2 n 5\n"), std::string::npos) << book;
    EXPECT_EQ(book.find("A3 "), std::string::npos) << book;
    EXPECT_EQ(runCommand("ls -A '" + tmp / "out" + "'").out, "list.xlsx\n") << "nothing left aside";
}
