// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: dirlix-list --hash and --duplicates: checksums as the usual tools give them, exact output forms.
#include "support/Command.h"
#include "support/FifoWatch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace dirlix::test;

namespace {

CommandResult run(const std::string& arguments, const std::string& redirect = "2>/dev/null")
{
    // Under a timeout: a FIFO that was opened would block the program for ever.
    return runCommand("timeout 60 " DIRLIX_LIST_PROGRAM " -d yyyy " + arguments + " " + redirect);
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line, char separator = '\t')
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t end; (end = line.find(separator, at)) != std::string::npos; at = end + 1)
        fields.push_back(line.substr(at, end - at));
    fields.push_back(line.substr(at));
    return fields;
}

std::string patterned(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 40503u + seed) >> 5);
    return bytes;
}

} // namespace

// Every algorithm's checksums are what sha256sum, md5sum, sha1sum and xxhsum -H2 print, for an
// empty file, a small one and one of several reads; the Hash column comes after MYMD in the
// columns, CSV and TSV, JSON Lines carry hash and hash_algorithm, a template %Hash%, the workbook a
// cell; without
// --hash every output is as before (eight columns, no Hash caption, no hash key, %Hash% as typed).
TEST(Hash, ChecksumsAsTheUsualToolsGiveThem)
{
    TempDir tree;
    writeFile(tree / "empty");
    writeFile(tree / "small name", "hello\n");
    writeFile(tree / "large", patterned(3 * 1024 * 1024 + 5, 7));
    const std::map<std::string, std::string> tools = {
        {"sha256", "sha256sum"}, {"md5", "md5sum"}, {"sha1", "sha1sum"}, {"xxh128", "xxhsum -H2"}};
    for (const auto& [algorithm, tool] : tools) {
        const CommandResult listed = run("--hash=" + algorithm + " '" + tree.path() + "'");
        ASSERT_EQ(listed.status, 0) << algorithm;
        const auto lines = linesOf(listed.out);
        ASSERT_EQ(lines.size(), 3u);
        for (const std::string& line : lines) {
            const auto fields = fieldsOf(line);
            ASSERT_EQ(fields.size(), 9u) << line;
            const CommandResult expected = runCommand(tool + " '" + fields[5] + fields[0] + "'");
            EXPECT_EQ(fields[8], expected.out.substr(0, expected.out.find(' '))) << algorithm << " of " << fields[0];
        }
    }
    EXPECT_EQ(run("--hash '" + tree.path() + "'").out, run("--hash=sha256 '" + tree.path() + "'").out);

    const std::string sha = "5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e846f6be03";
    const std::string csv = run("--hash --format=csv '" + tree.path() + "'").out;
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "File,Size,Attrib,Created,Modified,Directory,CYMD,MYMD,Hash\r");
    EXPECT_NE(csv.find("small name,6,"), std::string::npos);
    EXPECT_NE(csv.find("," + sha + "\r\n"), std::string::npos);
    const std::string tsv = run("--hash --format=tsv '" + tree.path() + "'").out;
    EXPECT_EQ(tsv.substr(0, tsv.find('\n')), "File\tSize\tAttrib\tCreated\tModified\tDirectory\tCYMD\tMYMD\tHash");
    EXPECT_NE(tsv.find("\t" + sha + "\n"), std::string::npos);
    const std::string json = run("--hash=md5 --format=jsonl '" + tree.path() + "'").out;
    EXPECT_NE(json.find(",\"hash\":\"b1946ac92492d2347c6235b4d2611184\",\"hash_algorithm\":\"md5\"}\n"),
              std::string::npos) << json;
    EXPECT_NE(run("--hash=sha1 -t '%Hash% %1 %Hash' '" + tree.path() + "'")
                  .out.find("f572d396fae9206628714fb2ce00f72e94f2258f small name %Hash\r\n"),
              std::string::npos);

    TempDir out;
    ASSERT_EQ(run("--hash --xlsx '" + out / "list.xlsx" + "' '" + tree.path() + "'").status, 0);
    const std::string strings = runCommand("python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                                           "sys.stdout.write(\"\".join(z.read(n).decode() for n in z.namelist()))' '" +
                                           out / "list.xlsx" + "'").out;
    EXPECT_NE(strings.find(sha), std::string::npos) << "the workbook has no checksum cell";

    const std::string plain = run("'" + tree.path() + "'").out;
    for (const std::string& line : linesOf(plain))
        EXPECT_EQ(fieldsOf(line).size(), 8u);
    EXPECT_EQ(run("--format=csv '" + tree.path() + "'").out.find("Hash"), std::string::npos);
    EXPECT_EQ(run("--format=jsonl '" + tree.path() + "'").out.find("hash"), std::string::npos);
    EXPECT_NE(run("-t '%Hash%|%1' '" + tree.path() + "'").out.find("%Hash%|small name\r\n"), std::string::npos);
    EXPECT_EQ(run("--hash=crc32 '" + tree.path() + "'").status, 2);
    EXPECT_EQ(run("--hash --folders '" + tree.path() + "'").status, 2);
}

// As an ordinary user: a file that cannot be read gets an empty Hash (null in JSON Lines), is
// named on standard error, and makes the status 1; a FIFO gets no checksum and is never opened.
// Looking for duplicates, the unreadable file leaves its group, which the others still form.
TEST(Hash, UnreadableFilesAndFifos)
{
    TempDir scratch(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    ::chmod(scratch.path().c_str(), 0755);
    const std::string user = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    writeFile(scratch / "readable", "abc");
    writeFile(scratch / "locked", "abc");
    writeFile(scratch / "copy", "abc");
    ::chmod((scratch / "readable").c_str(), 0644);
    ::chmod((scratch / "copy").c_str(), 0644);
    ::chmod((scratch / "locked").c_str(), 0);
    FifoWatch fifo(scratch / "fifo");
    ::chmod((scratch / "fifo").c_str(), 0666);
    const std::string program = "timeout 60 " + user + DIRLIX_LIST_PROGRAM " --hash ";
    const CommandResult listed = runCommand(program + "'" + scratch.path() + "' 2>/dev/null");
    if (listed.out.find("readable") == std::string::npos)
        GTEST_SKIP() << "the folder cannot be listed as the user nobody (setpriv)";
    const std::string errors = runCommand(program + "'" + scratch.path() + "' 2>&1 >/dev/null").out;
    const std::string json = runCommand(program + "--format=jsonl '" + scratch.path() + "' 2>/dev/null").out;
    const std::string duplicates = "timeout 60 " + user + DIRLIX_LIST_PROGRAM " --duplicates '" + scratch.path() + "'";
    const CommandResult groups = runCommand(duplicates + " 2>/dev/null");
    const std::string groupErrors = runCommand(duplicates + " 2>&1 >/dev/null").out;
    EXPECT_FALSE(fifo.opened()) << "the FIFO was opened";
    EXPECT_EQ(groups.status, 1);
    EXPECT_EQ(linesOf(groups.out).size(), 2u) << groups.out;
    EXPECT_EQ(groups.out.find("locked"), std::string::npos);
    EXPECT_NE(groupErrors.find(scratch / "locked"), std::string::npos) << groupErrors;
    EXPECT_EQ(listed.status, 1);
    std::map<std::string, std::string> hashes;
    for (const std::string& line : linesOf(listed.out)) {
        const auto fields = fieldsOf(line);
        ASSERT_EQ(fields.size(), 9u);
        hashes[fields[0]] = fields[8];
    }
    EXPECT_EQ(hashes["readable"], "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hashes["locked"], "");
    EXPECT_EQ(hashes["fifo"], "");
    EXPECT_NE(errors.find(scratch / "locked"), std::string::npos) << errors;
    EXPECT_EQ(errors.find(scratch / "fifo"), std::string::npos) << "a FIFO has no content to fail on: " << errors;
    EXPECT_NE(json.find("\"name\":\"locked\""), std::string::npos);
    EXPECT_NE(json.find("\"hash\":null,\"hash_algorithm\":\"sha256\""), std::string::npos) << json;
}

// --duplicates in each of its exact forms: lines of group, size and path with the largest waste
// first; CSV and TSV with Group,Size,Path; one JSON object per group with paths_b64 for a path
// that is not UTF-8; filters apply; the summary on standard error; status 0.
TEST(Duplicates, OutputForms)
{
    TempDir tree;
    makeDirs(tree / "sub");
    writeFile(tree / "a1", std::string(10, 'a'));
    writeFile(tree / "sub/a2", std::string(10, 'a'));
    writeFile(tree / "sub/a3", std::string(10, 'a'));
    writeFile(tree / "b1", std::string(100, 'b'));
    writeFile(tree / "sub/b2\xfe", std::string(100, 'b'));
    writeFile(tree / "c", std::string(100, 'c')); // the size of b, other bytes
    const std::string b2 = tree / "sub/b2\xfe";

    const CommandResult lines = run("--duplicates '" + tree.path() + "'");
    EXPECT_EQ(lines.status, 0);
    const auto got = linesOf(lines.out);
    ASSERT_EQ(got.size(), 5u) << lines.out;
    EXPECT_EQ(got[0].substr(0, 6), "1\t100\t");
    EXPECT_EQ(got[1].substr(0, 6), "1\t100\t");
    EXPECT_EQ(std::set<std::string>({got[0].substr(6), got[1].substr(6)}), std::set<std::string>({tree / "b1", b2}));
    for (std::size_t i = 2; i < 5; ++i)
        EXPECT_EQ(got[i].substr(0, 5), "2\t10\t");

    const std::string csv = run("--duplicates --format=csv '" + tree.path() + "'").out;
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "Group,Size,Path\r\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);
    const std::string tsv = run("--duplicates --format=tsv --no-header '" + tree.path() + "'").out;
    EXPECT_EQ(tsv.substr(0, 6), "1\t100\t");
    const auto objects = linesOf(run("--duplicates --format=jsonl '" + tree.path() + "'").out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].substr(0, 44), "{\"group\":1,\"size\":100,\"wasted\":100,\"paths\":[");
    EXPECT_NE(objects[0].find("\"paths_b64\":["), std::string::npos) << objects[0];
    EXPECT_EQ(objects[1].find("paths_b64"), std::string::npos);
    EXPECT_NE(objects[1].find("\"size\":10,\"wasted\":20,"), std::string::npos);

    EXPECT_EQ(linesOf(run("--duplicates --min-size=50 '" + tree.path() + "'").out).size(), 2u);
    const std::string summary = run("--duplicates '" + tree.path() + "'", "2>&1 >/dev/null").out;
    EXPECT_EQ(summary, "dirlix-list: 2 groups of duplicates, 5 files, 120 bytes could be freed\n");
    EXPECT_EQ(run("--duplicates --hash '" + tree.path() + "'").status, 2);
}

// A list saved with checksums: a rename and a move into another folder are R lines (old path, new
// path) instead of D and A, a byte changed with the time put back is a C line, in the walk's order
// among A and M, D lines after; JSON Lines say renamed (old_path, old_path_b64) and corrupt. A list
// saved without checksums gives today's A, M and D lines only.
TEST(Compare, RenamesMovesAndSilentChangesByChecksum)
{
    TempDir scratch;
    const std::string tree = scratch / "tree";
    makeDirs(tree + "/sub");
    makeDirs(tree + "/other");
    writeFile(tree + "/renamed", "renamed content");
    writeFile(tree + "/sub/moved", "moved content");
    writeFile(tree + "/bad\xfe", "not UTF-8");
    writeFile(tree + "/rot", "bits that rot");
    writeFile(tree + "/gone", "gone content");
    writeFile(tree + "/grows", "grows");
    ASSERT_EQ(run("--hash=sha1 --format=jsonl -o '" + scratch / "old.jsonl" + "' '" + tree + "'").status, 0);
    ASSERT_EQ(run("--format=jsonl -o '" + scratch / "plain.jsonl" + "' '" + tree + "'").status, 0);

    ASSERT_EQ(::rename((tree + "/renamed").c_str(), (tree + "/now named").c_str()), 0);
    ASSERT_EQ(::rename((tree + "/sub/moved").c_str(), (tree + "/other/moved").c_str()), 0);
    ASSERT_EQ(::rename((tree + "/bad\xfe").c_str(), (tree + "/good").c_str()), 0);
    ASSERT_EQ(::unlink((tree + "/gone").c_str()), 0);
    writeFile(tree + "/added", "added content");
    writeFile(tree + "/grows", "grows longer");
    ASSERT_EQ(runCommand("cp -p '" + tree + "/rot' '" + scratch / "rot" + "' && printf 'bits that r0t' > '" + tree +
                         "/rot' && touch -r '" + scratch / "rot" + "' '" + tree + "/rot'").status, 0);

    // The expected lines in the walk's order: the order of a listing of the tree now.
    std::string expected;
    const std::string listed = run("-t '%6%1' '" + tree + "'").out;
    for (std::size_t at = 0, end; (end = listed.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string path = listed.substr(at, end - at);
        const std::string name = path.substr(tree.size() + 1);
        if (name == "now named")
            expected += "R\t" + tree + "/renamed\t" + path + "\n";
        else if (name == "other/moved")
            expected += "R\t" + tree + "/sub/moved\t" + path + "\n";
        else if (name == "good")
            expected += "R\t" + tree + "/bad\xfe\t" + path + "\n";
        else if (name == "rot")
            expected += "C\t" + path + "\n";
        else if (name == "added")
            expected += "A\t" + path + "\n";
        else if (name == "grows")
            expected += "M\t" + path + "\n";
    }
    expected += "D\t" + tree + "/gone\n";
    const CommandResult changes = run("--compare='" + scratch / "old.jsonl" + "' '" + tree + "'");
    EXPECT_EQ(changes.out, expected);
    EXPECT_EQ(changes.status, 1);

    const std::string json = run("--compare='" + scratch / "old.jsonl" + "' --format=jsonl '" + tree + "'").out;
    EXPECT_NE(json.find("{\"change\":\"renamed\",\"old_path\":\"" + tree + "/renamed\",\"name\":\"now named\""),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"old_path_b64\":\""), std::string::npos) << "the old path that is not UTF-8 lost its bytes";
    EXPECT_NE(json.find("{\"change\":\"corrupt\",\"name\":\"rot\""), std::string::npos);
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 7);

    const std::string plain = run("--compare='" + scratch / "plain.jsonl" + "' '" + tree + "'").out;
    EXPECT_EQ(plain.find("R\t"), std::string::npos);
    EXPECT_EQ(plain.find("C\t"), std::string::npos);
    EXPECT_EQ(linesOf(plain).size(), 5u + 4u) << plain; // added, grows and three new paths; four gone
}
