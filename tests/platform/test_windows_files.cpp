// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Windows file-system layer and file writer on real folders (run under wine here).
#include "output/ColumnTexts.h"
#include "output/modListToText.h"
#include "output/TextFormats.h"
#include "platform/FileSystemCounts.h"
#include "platform/ReplacingFile.h"
#include "platform/WinPath.h"
#include "search/FileList.h"
#include "search/Walker.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <fstream>
#include <iostream>
#include <map>
#include <memory>

using namespace dirlix;

namespace {

// A scratch folder below TEMP, removed with everything in it; paths are UTF-8 with "\".
class WinTempDir {
public:
    WinTempDir()
    {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        const std::string base = win::narrow(std::wstring_view(temp, length));
        for (int i = 0; mPath.empty() && i < 100; ++i) {
            const std::string name = base + "dirlix-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
            if (CreateDirectoryW(win::wide(name).c_str(), nullptr))
                mPath = name;
        }
        if (mPath.empty())
            throw std::runtime_error("no scratch folder");
    }
    ~WinTempDir() { removeTree(win::longPath(mPath)); }
    const std::string& path() const { return mPath; }
    std::string operator/(const std::string& relative) const { return mPath + "\\" + relative; }

private:
    static void removeTree(const std::wstring& path)
    {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = path + L"\\" + name;
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A junction is removed as the folder it is, never walked into.
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    removeTree(child);
                else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(child.c_str());
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::string mPath;
};

void makeDir(const std::string& path)
{
    if (!CreateDirectoryW(win::longPath(path).c_str(), nullptr))
        throw std::runtime_error("cannot make " + path);
}

void writeFile(const std::string& path, const std::string& bytes = {})
{
    HANDLE file = CreateFileW(win::longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::string& path)
{
    HANDLE file = CreateFileW(win::longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// Every row of a walk: "folder|name" to the values.
struct Walked {
    std::vector<std::pair<std::string, FileRecord>> rows;
    std::vector<WalkError> errors;
    bool started = false;
};

Walked walk(const std::string& start, WalkOptions options = {}, FileList* list = nullptr)
{
    Walked out;
    Walker walker(std::move(options));
    out.started = walker.run(start, [&](WalkBlock&& block) {
        const std::string folder = block.folder->text();
        for (std::size_t i = 0; i < block.entries.size(); ++i)
            out.rows.emplace_back(folder + "|" + std::string(block.name(block.entries[i])), block.entries[i].values);
        if (list)
            list->appendBlock(block, "yyyy-mm-dd");
    });
    out.errors = walker.errors();
    return out;
}

const FileRecord* find(const Walked& walked, const std::string& key)
{
    for (const auto& [k, values] : walked.rows)
        if (k == key)
            return &values;
    return nullptr;
}

bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A junction at @p link to the folder @p target, made as mklink /J makes it.
bool makeJunction(const std::string& link, const std::string& target)
{
    makeDir(link);
    const std::wstring substitute = L"\\??\\" + win::longPath(target).substr(4);
    const std::wstring print = win::wide(target);
    std::vector<char> buffer(sizeof(DWORD) + 2 * sizeof(WORD) + 4 * sizeof(WORD) +
                             (substitute.size() + print.size() + 2) * sizeof(wchar_t));
    auto* header = reinterpret_cast<DWORD*>(buffer.data());
    header[0] = IO_REPARSE_TAG_MOUNT_POINT;
    auto* words = reinterpret_cast<WORD*>(buffer.data() + sizeof(DWORD));
    words[0] = WORD(buffer.size() - 8); // data length, after the 8-byte header
    words[1] = 0;
    words[2] = 0;                                                        // substitute name offset
    words[3] = WORD(substitute.size() * sizeof(wchar_t));                // its length
    words[4] = WORD((substitute.size() + 1) * sizeof(wchar_t));          // print name offset
    words[5] = WORD(print.size() * sizeof(wchar_t));                     // its length
    auto* path = reinterpret_cast<wchar_t*>(buffer.data() + 8 + 4 * sizeof(WORD));
    std::copy(substitute.begin(), substitute.end(), path);
    path[substitute.size()] = 0;
    std::copy(print.begin(), print.end(), path + substitute.size() + 1);
    path[substitute.size() + 1 + print.size()] = 0;
    HANDLE handle = CreateFileW(win::longPath(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    const bool ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()), nullptr, 0,
                                    &returned, nullptr);
    CloseHandle(handle);
    const DWORD attributes = GetFileAttributesW(win::longPath(link).c_str());
    return ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

// Catches: attribute bits read from the wrong place, or letters made with the POSIX rules
// (hidden by a leading dot, read-only from permissions) instead of the file's own attribute word.
TEST(WindowsFiles, AttributesGiveTheirLetters)
{
    WinTempDir dir;
    const std::map<std::string, DWORD> files = {
        {"plain.txt", FILE_ATTRIBUTE_NORMAL},
        {"archived.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"readonly.txt", FILE_ATTRIBUTE_READONLY},
        {"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {"system.txt", FILE_ATTRIBUTE_SYSTEM},
        {"all.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM},
        {".dotted", FILE_ATTRIBUTE_NORMAL},
    };
    for (const auto& [name, attributes] : files) {
        writeFile(dir / name, "x");
        ASSERT_TRUE(SetFileAttributesW(win::longPath(dir / name).c_str(), attributes)) << name;
    }
    const Walked walked = walk(dir.path());
    ASSERT_TRUE(walked.started);
    ASSERT_EQ(walked.rows.size(), files.size());
    const std::map<std::string, std::string> letters = {
        {"plain.txt", ""},   {"archived.txt", "A"}, {"readonly.txt", "R"}, {"hidden.txt", "H"},
        {"system.txt", "S"}, {"all.txt", "AHRS"},   {".dotted", ""},
    };
    for (const auto& [name, expected] : letters) {
        const FileRecord* values = find(walked, dir.path() + "\\|" + name);
        ASSERT_NE(values, nullptr) << name;
        // Wine keeps the archive bit on every file it makes; only the other letters are sure there.
        std::string got = AttribLetters(values->attributes);
        if (expected.find('A') == std::string::npos && !got.empty() && got.front() == 'A')
            got.erase(0, 1);
        if (name == ".dotted" && underWine()) {
            std::cout << "wine marks a name with a leading dot hidden itself; not checked here\n";
            continue;
        }
        EXPECT_EQ(got, expected) << name;
        EXPECT_EQ(values->size, 1) << name;
    }
}

// Catches: a junction followed by default (its target's files listed twice, a loop walked
// without end), or not listed at all; with following, a folder entered twice.
TEST(WindowsFiles, JunctionIsListedAndNotEntered)
{
    WinTempDir dir;
    makeDir(dir / "target");
    writeFile(dir / "target\\inside.txt", "abc");
    if (!makeJunction(dir / "link", dir / "target"))
        GTEST_SKIP() << "this system (wine here) does not make junctions with FSCTL_SET_REPARSE_POINT";
    if (!makeJunction(dir / "target\\loop", dir.path()))
        GTEST_SKIP() << "this system does not make a second junction";

    const Walked walked = walk(dir.path());
    EXPECT_NE(find(walked, dir.path() + "\\|link"), nullptr) << "the junction is a row";
    EXPECT_NE(find(walked, dir.path() + "\\target\\|loop"), nullptr);
    EXPECT_NE(find(walked, dir.path() + "\\target\\|inside.txt"), nullptr);
    EXPECT_EQ(find(walked, dir.path() + "\\link\\|inside.txt"), nullptr) << "the junction was entered";
    EXPECT_EQ(walked.rows.size(), 3u);

    WalkOptions follow;
    follow.followLinks = true;
    const Walked followed = walk(dir.path(), follow);
    std::size_t inside = 0;
    for (const auto& [key, values] : followed.rows)
        inside += key.ends_with("|inside.txt");
    EXPECT_EQ(inside, 1u) << "following, each folder is entered once";
}

// Catches: paths handed to the system without the long form, so that a folder past 260
// characters is reported unreadable instead of listed.
TEST(WindowsFiles, FolderPathOf300CharactersIsListed)
{
    WinTempDir dir;
    std::string path = dir.path();
    while (path.size() < 300) {
        path += "\\" + std::string(40, 'd');
        makeDir(path);
    }
    writeFile(path + "\\deep.txt", "12345");
    const Walked walked = walk(dir.path());
    EXPECT_TRUE(walked.errors.empty()) << walked.errors.front().path;
    const FileRecord* deep = find(walked, path + "\\|deep.txt");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->size, 5);
}

// Catches: names passed through the ANSI code page (characters turned into "?") anywhere from
// the enumeration to a written file, in any of the formats.
TEST(WindowsFiles, NamesOutsideTheCodePageKeepTheirCharacters)
{
    WinTempDir dir;
    const std::string name = "\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x98\x80.txt"; // Ωmega-日本-😀.txt
    const std::string folder = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";               // Папка
    makeDir(dir / folder);
    writeFile(dir / (folder + "\\" + name), "hello");
    FileList list;
    const Walked walked = walk(dir.path(), {}, &list);
    ASSERT_NE(find(walked, dir.path() + "\\" + folder + "\\|" + name), nullptr);

    const DateLocale locale;
    for (const TextFormat format : {TextFormat::Columns, TextFormat::Csv, TextFormat::Tsv, TextFormat::JsonLines}) {
        const std::string out = dir / (name + ".out");
        ReplacingFile file(out);
        ExportProgress progress;
        const ExportResult result = makeRowExporter(format, locale)->write(*list.rows(), file, progress);
        ASSERT_TRUE(result.ok) << result.error;
        const std::string written = readFile(out);
        EXPECT_NE(written.find(name), std::string::npos) << int(format) << ": " << written;
        EXPECT_NE(written.find(folder + "\\"), std::string::npos) << int(format) << ": " << written;
    }
    ExportProgress progress;
    const std::string text = dir / "filelist.txt";
    const ExportResult result =
        modListToText::ExportListToText(*list.rows(), text, [] { return std::string("%6%1"); }, locale, progress);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readFile(text), dir.path() + "\\" + folder + "\\" + name + "\r\n");
}

// Catches: a failed replacement that removed or truncated the old file, left the file written
// aside behind, or said nothing of why.
TEST(WindowsFiles, ReadOnlyDestinationGivesAnErrorAndKeepsTheOldFile)
{
    WinTempDir dir;
    const std::string target = dir / "filelist.txt";
    writeFile(target, "old contents");
    ASSERT_TRUE(SetFileAttributesW(win::longPath(target).c_str(), FILE_ATTRIBUTE_READONLY));
    ReplacingFile file(target);
    ASSERT_TRUE(file.open()) << file.error();
    ASSERT_TRUE(file.write("new contents"));
    EXPECT_FALSE(file.commit(true));
    EXPECT_NE(file.error().find(target), std::string::npos) << file.error();
    EXPECT_NE(file.error().find("read-only"), std::string::npos) << file.error();
    EXPECT_EQ(readFile(target), "old contents");
    const Walked left = walk(dir.path());
    EXPECT_EQ(left.rows.size(), 1u) << "the file written aside stays behind";

    // And a writable one is replaced whole.
    ASSERT_TRUE(SetFileAttributesW(win::longPath(target).c_str(), FILE_ATTRIBUTE_NORMAL));
    ReplacingFile again(target);
    ASSERT_TRUE(again.open() && again.write("new contents") && again.commit(true)) << again.error();
    EXPECT_EQ(readFile(target), "new contents");
}

// Catches: a walk that asks the system for each file on its own (a CreateFileW or a query per
// file) instead of taking size, times and attributes from the folder's enumeration.
TEST(WindowsFiles, ListingMakesNoCallPerFile)
{
    WinTempDir dir;
    constexpr int kFolders = 100;
    constexpr int kFilesEach = 100;
    for (int f = 0; f < kFolders; ++f) {
        const std::string folder = dir / ("f" + std::to_string(f));
        makeDir(folder);
        for (int i = 0; i < kFilesEach; ++i)
            writeFile(folder + "\\file" + std::to_string(i) + ".txt", "x");
    }
    const fsys::CallCounts& counts = fsys::callCounts();
    const std::uint64_t opens = counts.opens, queries = counts.queries, enumerations = counts.enumerations,
                        reads = counts.propertyReads, enumerated = counts.enumerated;
    WalkOptions options;
    options.threads = 4;
    const Walked walked = walk(dir.path(), options);
    ASSERT_EQ(walked.rows.size(), std::size_t(kFolders * kFilesEach));
    const std::uint64_t folders = kFolders + 1;
    std::cout << "listing " << walked.rows.size() << " files in " << folders << " folders: "
              << counts.opens - opens << " opens, " << counts.queries - queries << " handle queries, "
              << counts.enumerations - enumerations << " enumerations giving " << counts.enumerated - enumerated
              << " entries, " << counts.propertyReads - reads << " files read on their own\n";
    EXPECT_EQ(counts.propertyReads - reads, 0u);
    EXPECT_EQ(counts.enumerations - enumerations, folders);
    EXPECT_EQ(counts.enumerated - enumerated, folders - 1 + std::uint64_t(kFolders * kFilesEach));
    // Opening the start folder once to check it and once to walk it, then one open per folder.
    EXPECT_LE(counts.opens - opens, folders + 1);
    EXPECT_LE(counts.queries - queries, 2 * (folders + 1));
}

// Catches: drive roots and "C:" taken as folders of the current folder, or folder texts with "/".
TEST(WindowsFiles, FolderTextsFollowTheDriveRules)
{
    EXPECT_EQ(Walker::startFolderText("C:"), "C:\\");
    EXPECT_EQ(Walker::startFolderText("C:\\Data"), "C:\\Data\\");
    EXPECT_EQ(Walker::startFolderText(""), "\\");
    EXPECT_EQ(win::longPath("C:\\Data\\"), L"\\\\?\\C:\\Data\\");
    EXPECT_EQ(win::longPath("\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(win::longPath("C:/Data/x"), L"\\\\?\\C:\\Data\\x");
    // A lone surrogate survives the trip to bytes and back.
    const std::wstring odd = {L'a', wchar_t(0xD800), L'b'};
    EXPECT_EQ(win::wide(win::narrow(odd)), odd);

    WinTempDir dir;
    writeFile(dir / "a.txt");
    // The text as typed, with or without the separator, gives the same folder text.
    EXPECT_NE(find(walk(dir.path()), dir.path() + "\\|a.txt"), nullptr);
    EXPECT_NE(find(walk(dir.path() + "\\"), dir.path() + "\\|a.txt"), nullptr);
    // A drive given as "X:" lists from its root, whose files' folder is "X:\".
    const std::string drive = dir.path().substr(0, 2);
    EXPECT_EQ(Walker::checkStart(drive), 0);
}

#ifdef DIRLIX_LIST_PROGRAM
// Catches: the companion's arguments taken from the ANSI command line (names outside the code page
// turned into "?"), and a workbook written by the library's own fopen under another name than the
// one checked and put in place (an empty workbook reported as written).
TEST(WindowsFiles, CompanionTakesNamesOutsideTheCodePage)
{
    WinTempDir dir;
    const std::string folder = dir / "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"; // Папка
    makeDir(folder);
    writeFile(folder + "\\\xE6\x97\xA5\xE6\x9C\xAC.txt", "hello"); // 日本.txt
    const std::string list = dir / "\xC3\xBC-\xE6\x97\xA5.jsonl";  // ü-日.jsonl
    const std::string book = dir / "\xC3\xBC-\xE6\x97\xA5.xlsx";
    const auto run = [](const std::vector<std::string>& args) {
        std::wstring line = L"\"" + win::wide(DIRLIX_LIST_PROGRAM) + L"\"";
        for (const std::string& arg : args)
            line += L" \"" + win::wide(arg) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return DWORD(~0u);
        WaitForSingleObject(process.hProcess, 60000);
        DWORD status = ~0u;
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return status;
    };
    ASSERT_EQ(run({"--format=jsonl", "-o", list, folder}), 0u);
    EXPECT_NE(readFile(list).find("\"name\":\"\xE6\x97\xA5\xE6\x9C\xAC.txt\""), std::string::npos) << readFile(list);
    ASSERT_EQ(run({"--xlsx", book, folder}), 0u);
    const std::string workbook = readFile(book);
    EXPECT_EQ(workbook.substr(0, 4), std::string("PK\x03\x04", 4)) << workbook.size() << " bytes";
    // Nothing written aside is left beside them.
    std::size_t entries = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(win::wide(dir / "*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do
        entries += data.cFileName[0] != L'.';
    while (FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(entries, 3u);
}
#endif
