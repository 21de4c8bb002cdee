// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list, in process and as the real program.
#include "cli/ListCommand.h"
#include "output/modListToText.h"
#include "output/WorkbookReader.h"
#include "search/FixtureTree.h"
#include "support/Command.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

using ProgramRun = CommandResult;

// Runs the companion built beside the tests through the shell with @p environment.
ProgramRun runProgram(const std::string& arguments, const std::string& environment = "")
{
    return runCommand(environment + " " DIRLIX_LIST_PROGRAM " " + arguments + " 2>/dev/null");
}

std::string expectedLines(const FileList& list)
{
    std::string lines;
    for (const auto& row : rowsOf(list)) {
        for (std::size_t i = 0; i < row.size(); ++i)
            lines += row[i] + (i + 1 < row.size() ? "\t" : "\n");
    }
    return lines;
}

} // namespace

TEST(ListCommand, WritesTheSameRowsAsSearchWithEightTabSeparatedTexts)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub/.git");
    writeFile(tmp / "tree/a.txt", "abc");
    writeFile(tmp / "tree/odd\nname\xfe", "");
    writeFile(tmp / "tree/sub/b", "12345");
    writeFile(tmp / "tree/sub/.git/c", "");
    setTimes(tmp / "tree/a.txt", localTime(2024, 3, 5, 14, 7, 9));

    cli::ListOptions options;
    options.directory = tmp / "tree";
    options.datePattern = "yyyy-mm-ddTHH:MM";
    options.outputFile = tmp / "out.txt";
    EXPECT_EQ(cli::runList(options), cli::ExitOk);

    FileList list;
    search(tmp / "tree", list, "yyyy-mm-ddTHH:MM");
    ASSERT_EQ(list.count(), 3u);
    EXPECT_EQ(readFile(tmp / "out.txt"), expectedLines(list));
}

TEST(ListCommand, ExitStatusTellsMissingFolderAndUnreadableFolders)
{
    TempDir tmp;
    makeDirs(tmp / "tree/locked");
    makeDirs(tmp / "tree/open");
    writeFile(tmp / "tree/locked/x", "");
    writeFile(tmp / "tree/open/y", "");

    cli::ListOptions options;
    options.outputFile = tmp / "out.txt";
    options.datePattern = "dd";
    options.directory = tmp / "missing";
    EXPECT_EQ(cli::runList(options), cli::ExitUsage);

    options.directory = tmp / "tree";
    WalkOptions walk;
    walk.failFolder = [&](const std::string& folder) { return folder == tmp / "tree/locked/" ? EACCES : 0; };
    EXPECT_EQ(cli::runList(options, walk), cli::ExitSomeUnreadable);
    // The listing is complete apart from the unreadable folder.
    const std::string out = readFile(tmp / "out.txt");
    EXPECT_NE(out.find("y\t0\t"), std::string::npos);
    EXPECT_EQ(out.find("x\t"), std::string::npos);

    std::string error;
    EXPECT_FALSE(cli::parseArguments({"-j", "0", "dir"}, error));
    EXPECT_FALSE(cli::parseArguments({"-j", "2x", "dir"}, error));
    EXPECT_EQ(cli::parseArguments({"--threads", "3", "dir"}, error)->threads, 3u);
    EXPECT_FALSE(cli::parseArguments({"--bogus", "dir"}, error));
    EXPECT_FALSE(cli::parseArguments({"-d"}, error));
    EXPECT_FALSE(cli::parseArguments({}, error));
    EXPECT_FALSE(cli::parseArguments({"one", "two"}, error));
    const auto dashed = cli::parseArguments({"--", "-named"}, error);
    ASSERT_TRUE(dashed);
    EXPECT_EQ(dashed->directory, "-named");
}

TEST(ListCommand, RealProgramUsesTheStoredDatePatternAndExitStatuses)
{
    TempDir tmp;
    makeDirs(tmp / "config/Quillborne");
    writeFile(tmp / "config/Quillborne/Quillborne.ini", "[Dirlix%20Pro]\nDateFormat=yyyymmdd\n");
    makeDirs(tmp / "tree");
    writeFile(tmp / "tree/f", "");
    setTimes(tmp / "tree/f", localTime(2024, 3, 5, 14, 7, 9));

    const std::string env = "XDG_CONFIG_HOME=" + tmp / "config";
    const ProgramRun stored = runProgram("'" + tmp / "tree" + "'", env);
    EXPECT_EQ(stored.status, 0);
    EXPECT_NE(stored.out.find("\t20240305\t" + tmp / "tree/"), std::string::npos) << stored.out;

    const ProgramRun given = runProgram("-d 'dd Mmm yy' '" + tmp / "tree" + "'", env);
    EXPECT_NE(given.out.find("\t05 Mar 24\t" + tmp / "tree/"), std::string::npos) << given.out;

    const ProgramRun fallback = runProgram("'" + tmp / "tree" + "'", "XDG_CONFIG_HOME=" + tmp / "none");
    EXPECT_NE(fallback.out.find("\t05/03/24 14:07:09\t" + tmp / "tree/"), std::string::npos) << fallback.out;

    EXPECT_EQ(runProgram("'" + tmp / "nothing" + "'").status, 2);
    EXPECT_EQ(runProgram("--frobnicate").status, 2);
    const ProgramRun version = runProgram("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Dirlix Pro 1.01.0054\n");
}

TEST(ListCommand, TemplateWritesTheBytesOfTheTextExport)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub");
    writeFile(tmp / "tree/a%TAB%.txt", std::string(1536, 'x'));
    writeFile(tmp / "tree/odd\nname\xfe", "");
    writeFile(tmp / "tree/sub/b", "12345");
    setTimes(tmp / "tree/sub/b", localTime(2024, 3, 5, 14, 7, 9));
    const std::string lineTemplate = "%Fn%|%Sk%|%Mdd%.%Mmm% %MI%%Mam%|%5|%6%1|%%|%Cyy%";

    cli::ListOptions options;
    options.directory = tmp / "tree";
    options.datePattern = "yyyy-mm-ddTHH:MM";
    options.outputFile = tmp / "out.txt";
    options.textOutput = true;
    options.lineTemplate = lineTemplate;
    EXPECT_EQ(cli::runList(options), cli::ExitOk);

    FileList list;
    search(tmp / "tree", list, "yyyy-mm-ddTHH:MM");
    ASSERT_EQ(list.count(), 3u);
    const auto exported = modListToText::ExportListToText(list, tmp / "filelist.txt", [&] { return lineTemplate; });
    ASSERT_TRUE(exported.ok) << exported.error;
    EXPECT_EQ(readFile(tmp / "out.txt"), readFile(tmp / "filelist.txt"));
    EXPECT_NE(readFile(tmp / "out.txt").find("b|0|05.03  2pm|2024-03-05T14:07|" + tmp / "tree/sub/b|%|"),
              std::string::npos);

    // Names and folders alone: the walk skips the files' properties, but links still need a look.
    ASSERT_EQ(symlink("sub", (tmp / "tree/linked").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "tree/dangling").c_str()), 0);
    FileList linked;
    search(tmp / "tree", linked, "yyyy");
    ASSERT_EQ(linked.count(), 5u);
    options.lineTemplate = "\"%6%1\"%Fn%";
    EXPECT_EQ(cli::runList(options), cli::ExitOk);
    ASSERT_TRUE(modListToText::ExportListToText(linked, tmp / "filelist.txt", [&] { return *options.lineTemplate; }).ok);
    EXPECT_EQ(readFile(tmp / "out.txt"), readFile(tmp / "filelist.txt"));
}

TEST(ListCommand, TemplateOptionForms)
{
    std::string error;
    const auto shortForm = cli::parseArguments({"-t", "%1", "dir"}, error);
    ASSERT_TRUE(shortForm);
    EXPECT_TRUE(shortForm->textOutput);
    EXPECT_EQ(shortForm->lineTemplate, "%1");
    EXPECT_EQ(shortForm->directory, "dir");

    const auto empty = cli::parseArguments({"dir", "--template="}, error);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->lineTemplate, "");

    // A bare --template never swallows the folder.
    const auto bare = cli::parseArguments({"--template", "dir"}, error);
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->textOutput);
    EXPECT_FALSE(bare->lineTemplate);
    EXPECT_EQ(bare->directory, "dir");

    EXPECT_FALSE(cli::parseArguments({"--template", "%1", "dir"}, error));
    EXPECT_NE(error.find("--template=TEXT"), std::string::npos) << error;
    EXPECT_FALSE(cli::parseArguments({"dir", "-t"}, error));

    const auto columns = cli::parseArguments({"dir"}, error);
    ASSERT_TRUE(columns);
    EXPECT_FALSE(columns->textOutput);
}

TEST(ListCommand, RealProgramUsesTheStoredTemplateElseTheDefault)
{
    TempDir tmp;
    makeDirs(tmp / "config/Quillborne");
    writeFile(tmp / "config/Quillborne/Quillborne.ini", "[Dirlix%20Pro]\nTextFormat=<%Fn%>%Sbb%\n");
    makeDirs(tmp / "tree");
    writeFile(tmp / "tree/f", "abc");

    const ProgramRun stored = runProgram("--template '" + tmp / "tree" + "'", "XDG_CONFIG_HOME=" + tmp / "config");
    EXPECT_EQ(stored.status, 0);
    EXPECT_EQ(stored.out, "<f>3\r\n");

    const ProgramRun fallback = runProgram("'" + tmp / "tree" + "' --template", "XDG_CONFIG_HOME=" + tmp / "none");
    EXPECT_EQ(fallback.out, "\"" + tmp / "tree/f\"\r\n");
}

TEST(ListCommand, XlsxWritesTheListedRowsAsAWorkbook)
{
    TempDir tmp;
    makeDirs(tmp / "tree/sub");
    writeFile(tmp / "tree/0012", "abc");
    writeFile(tmp / "tree/sub/b\xfe", "12345");
    setTimes(tmp / "tree/0012", localTime(2024, 3, 5, 14, 7, 9));

    const ProgramRun run = runProgram("-d 'yyyy-mm-dd' --xlsx '" + tmp / "out.xlsx" + "' '" + tmp / "tree" + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "") << "nothing goes to standard output";
    const WorkbookText book = readWorkbook(tmp / "out.xlsx");
    ASSERT_EQ(book.status, 0) << book.text;
    EXPECT_NE(book.text.find("A1 s \"0012\"\nB1 n 3\n"), std::string::npos) << book.text;
    EXPECT_NE(book.text.find("E1 s \"2024-03-05\"\nF1 s \"" + tmp / "tree/\""), std::string::npos) << book.text;
    EXPECT_NE(book.text.find("A2 s \"b\xEF\xBF\xBD\"\nB2 n 5\n"), std::string::npos) << book.text;
    EXPECT_EQ(book.text.find("A3 "), std::string::npos) << book.text;

    // A missing folder makes no workbook; --xlsx and --output exclude each other.
    EXPECT_EQ(runProgram("--xlsx '" + tmp / "none.xlsx" + "' '" + tmp / "nothing" + "'").status, 2);
    EXPECT_NE(::access((tmp / "none.xlsx").c_str(), F_OK), 0);
    std::string error;
    EXPECT_FALSE(cli::parseArguments({"--xlsx", "a.xlsx", "-o", "b.txt", "dir"}, error));
    EXPECT_FALSE(cli::parseArguments({"--xlsx", "a.xlsx", "-t", "%1", "dir"}, error));
    const auto inlined = cli::parseArguments({"--xlsx=a.xlsx", "dir"}, error);
    ASSERT_TRUE(inlined);
    EXPECT_EQ(inlined->workbookFile, "a.xlsx");
}
