// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: name masks, the readers of sizes and times, and filtered walks of a fixture tree.
#include "search/FilterRules.h"
#include "search/FixtureTree.h"
#include "search/NameMask.h"
#include "output/SavedList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

using namespace dirlix;
using namespace dirlix::test;

namespace {

bool matches(const char* list, const char* name, bool caseSensitive = false)
{
    MaskList masks;
    std::string error;
    EXPECT_TRUE(masks.add(list, caseSensitive, error)) << list << ": " << error;
    return masks.matches(MaskSubject(name));
}

} // namespace

// Catches case folding that is ASCII only, not simple folding (final sigma) or not off when asked;
// a ? that takes one byte of a multi-byte character; classes with "]", ranges and negation misread;
// a ";" inside a class splitting the list; a mask matched against part of a name; and names that
// are not UTF-8 never matching.
TEST(Filters, MasksMatchWholeNamesWithCaseFolding)
{
    EXPECT_TRUE(matches("*.JPG", "a.jpg"));
    EXPECT_FALSE(matches("*.JPG", "a.jpg", true));
    EXPECT_TRUE(matches("ÄRGER.TXT", "ärger.txt"));
    EXPECT_TRUE(matches("ΟΔΟΣ", "οδος")); // Σ and the final ς both fold to σ
    EXPECT_TRUE(matches("caf?.txt", "café.txt"));
    EXPECT_FALSE(matches("caf??.txt", "café.txt"));
    EXPECT_TRUE(matches("[a-c]*", "Beta") && matches("[A-C]x", "bx"));
    EXPECT_FALSE(matches("[a-c]*", "Beta", true));
    EXPECT_TRUE(matches("[!a]*", "ba"));
    EXPECT_FALSE(matches("[!a]*", "ab"));
    EXPECT_TRUE(matches("[]x]1", "]1"));
    EXPECT_TRUE(matches("x[;]y ; *.png", "x;y"));
    EXPECT_TRUE(matches(" *.gif ;  *.png ", "b.PNG"));
    EXPECT_FALSE(matches("jpg", "a.jpg"));
    EXPECT_TRUE(matches("*a*b*c", "xxaxxbyyc"));
    EXPECT_FALSE(matches("*a*a*a*a*a*b", std::string(200, 'a').c_str()));
    EXPECT_TRUE(matches("*.jpg", "caf\xe9.JPG"));
    EXPECT_TRUE(matches("caf?.jpg", "caf\xe9.jpg"));
    EXPECT_TRUE(matches("\xfe*", "\xfe" "abc"));
    EXPECT_FALSE(matches("\xfe*", "abc"));

    for (const char* bad : {"[abc", "*.[ch", "[!]", "[z-a]", "ok;[x"}) {
        MaskList masks;
        std::string error;
        EXPECT_FALSE(masks.add(bad, false, error)) << bad;
        EXPECT_NE(error.find('"'), std::string::npos) << "the mask is named: " << error;
    }
}

// Catches a suffix read as 1000, a bad suffix or trailing text accepted, an overflow that wraps,
// dates that do not exist accepted, and ages in the wrong unit.
TEST(Filters, SizesAndTimesAreReadStrictly)
{
    std::string error;
    EXPECT_EQ(parseSize("0", error), 0);
    EXPECT_EQ(parseSize("10k", error), 10 * 1024);
    EXPECT_EQ(parseSize("3M", error), 3 * 1024 * 1024);
    EXPECT_EQ(parseSize("2g", error), 2LL << 30);
    EXPECT_EQ(parseSize("5T", error), 5LL << 40);
    for (const char* bad : {"ten", "", "-1", "1.5M", "10KB", "10 K", "M", "9999999999999999999", "8388608T"})
        EXPECT_FALSE(parseSize(bad, error)) << bad;
    EXPECT_EQ(sizeText(*parseSize("1536", error)), "1536");
    EXPECT_EQ(sizeText(*parseSize("2048K", error)), "2M");

    EXPECT_EQ(parseTime("2024-03-05", error), (TimeBound{localTime(2024, 3, 5, 0, 0, 0), false}));
    EXPECT_EQ(parseTime("2024-02-29 23:59", error), (TimeBound{localTime(2024, 2, 29, 23, 59, 0), false}));
    EXPECT_EQ(parseTime("2024-03-05 14:07:09", error), (TimeBound{localTime(2024, 3, 5, 14, 7, 9), false}));
    EXPECT_EQ(parseTime("7d", error), (TimeBound{7 * 86400, true}));
    EXPECT_EQ(parseTime("12h", error), (TimeBound{12 * 3600, true}));
    EXPECT_EQ(parseTime("30m", error), (TimeBound{30 * 60, true}));
    for (const char* bad : {"2024-13-01", "2023-02-29", "2024-04-31", "2024-03-05 24:00", "2024-03-05 12:60",
                            "24-03-05", "2024-3-5", "2024-03-05 14", "7w", "d", "-7d", "yesterday", ""})
        EXPECT_FALSE(parseTime(bad, error)) << bad;
}

// Each rule alone and together, on one and on two threads: the files kept, the count of those left
// out, bounds that hold exactly at their value, and folders that are left out never opened.
TEST(Filters, FilteredWalksKeepWhatTheRulesSay)
{
    TempDir tmp;
    const std::string root = tmp / "t";
    makeDirs(root + "/node_modules/deep");
    makeDirs(root + "/.cache");
    makeDirs(root + "/photos");
    writeFile(root + "/a.JPG", std::string(1024, 'x'));
    writeFile(root + "/b.png", std::string(1023, 'x'));
    writeFile(root + "/c.txt", std::string(1025, 'x'));
    writeFile(root + "/photos/d.jpg", "");
    writeFile(root + "/node_modules/e.jpg", "");
    writeFile(root + "/node_modules/deep/f.jpg", "");
    writeFile(root + "/.cache/g.jpg", "");
    const std::int64_t bound = localTime(2024, 3, 5, 12, 0, 0);
    for (const char* old : {"/photos/d.jpg", "/node_modules/e.jpg", "/node_modules/deep/f.jpg", "/.cache/g.jpg"})
        setTimes(root + old, bound - 100);
    setTimes(root + "/a.JPG", bound);
    setTimes(root + "/b.png", bound - 1);
    setTimes(root + "/c.txt", bound + 1);

    auto names = [&](const FilterRules& rules, unsigned threads, std::uint64_t* left = nullptr) {
        std::vector<std::string> opened, kept;
        std::mutex lock;
        WalkOptions options;
        options.threads = threads;
        options.failFolder = [&](const std::string& folder) {
            std::lock_guard guard(lock);
            opened.push_back(folder.substr(root.size()));
            return 0;
        };
        rules.applyTo(options, bound + 3600);
        Walker walker(options);
        walker.run(root, [&](WalkBlock&& block) {
            for (const WalkEntry& entry : block.entries)
                kept.push_back(
                    test::genericSeparators(block.folder->text().substr(root.size() + 1) + std::string(block.name(entry))));
        });
        if (left)
            *left = walker.progress().filteredOut;
        for (const std::string& folder : opened)
            EXPECT_TRUE(rules.exclude.empty() || folder.find("node_modules") == std::string::npos)
                << "an excluded folder was opened: " << folder;
        std::sort(kept.begin(), kept.end());
        return kept;
    };
    using Names = std::vector<std::string>;
    for (unsigned threads : {1u, 2u}) {
        std::uint64_t left = 0;
        FilterRules rules;
        EXPECT_EQ(names(rules, threads).size(), 6u) << "no filter: every file outside the dot folder";
        rules.include = {"*.jpg"};
        EXPECT_EQ(names(rules, threads, &left),
                  (Names{"a.JPG", "node_modules/deep/f.jpg", "node_modules/e.jpg", "photos/d.jpg"}));
        EXPECT_EQ(left, 2u);
        rules.caseSensitive = true;
        EXPECT_EQ(names(rules, threads).size(), 3u);
        rules = {};
        rules.exclude = {"node_modules;*.txt"};
        EXPECT_EQ(names(rules, threads), (Names{"a.JPG", "b.png", "photos/d.jpg"}));
        rules = {};
        rules.minSize = 1024;
        EXPECT_EQ(names(rules, threads), (Names{"a.JPG", "c.txt"}));
        rules.maxSize = 1024;
        EXPECT_EQ(names(rules, threads), (Names{"a.JPG"}));
        rules = {};
        rules.newer = TimeBound{bound, false};
        EXPECT_EQ(names(rules, threads), (Names{"a.JPG", "c.txt"}));
        rules.newer = std::nullopt;
        rules.older = TimeBound{3600, true}; // an age: bound, counted from the search's start
        EXPECT_EQ(names(rules, threads, &left),
                  (Names{"b.png", "node_modules/deep/f.jpg", "node_modules/e.jpg", "photos/d.jpg"}));
        EXPECT_EQ(left, 2u);
        rules = {};
        rules.dotFolders = true;
        rules.include = {"g.*;b*"};
        rules.maxSize = 1023;
        EXPECT_EQ(names(rules, threads), (Names{".cache/g.jpg", "b.png"}));
    }
}

// The folder texts by which a comparison's scope and its excluded folders are matched: doubled
// separators and "." parts dropped, a share's leading pair kept; where the system takes "/" as well
// as its own separator, a folder typed with "/" is the one the walk writes with "\\" (on POSIX a
// backslash is part of a name).
TEST(Filters, FolderTextsMatchEverySpellingOfOneFolder)
{
    const auto native = [](std::string text) {
        std::replace(text.begin(), text.end(), '/', fsys::kSeparator);
        return text;
    };
    EXPECT_EQ(folderMatchText(native("tree//sub/./")), native("./tree/sub/"));
    EXPECT_EQ(folderMatchText(native("//server/share/")), native("//server/share/"));
    EXPECT_EQ(folderMatchText(native("/a//b/")), native("/a/b/"));
    if (fsys::kSeparator == '\\') {
        EXPECT_EQ(folderMatchText("C:/tree//sub/"), folderMatchText("C:\\tree\\sub\\"));
        EXPECT_EQ(folderMatchText("C:/tree/sub\\"), folderMatchText("C:\\tree\\sub\\"));
        EXPECT_EQ(folderMatchText("//server/share/dir/"), "\\\\server\\share\\dir\\");
        EXPECT_EQ(folderMatchText("/tree/"), "\\tree\\");
    } else {
        EXPECT_EQ(folderMatchText("a\\b/"), "./a\\b/");
        EXPECT_NE(folderMatchText("tree\\sub/"), folderMatchText("tree/sub/"));
    }
}
