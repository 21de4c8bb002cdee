// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the catalog library: name matching, the header check, volumes and removal.
#include "catalog/Catalog.h"
#include "catalog/CatalogExport.h"
#include "catalog/CatalogFile.h"
#include "catalog/CatalogFind.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace dirlix;
using namespace dirlix::catalog;
using namespace dirlix::test;

namespace {

bool finds(const std::string& text, std::string_view name, bool caseSensitive = false)
{
    NameFinder finder;
    std::string error;
    EXPECT_TRUE(finder.prepare(text, caseSensitive, error)) << error;
    return finder.matches(name);
}

// Adds a scan of the files @p names (each of size 1) in @p folder as @p label (empty: by its root).
std::string addScan(Catalog& catalog, const std::string& label, const std::string& folder,
                    const std::vector<std::string>& names, const std::string& defaultLabel = "default")
{
    ScanWriter writer(catalog);
    NewScan scan;
    scan.label = label;
    scan.defaultLabel = defaultLabel;
    scan.root = folder;
    std::string error;
    EXPECT_TRUE(writer.begin(scan, error)) << error;
    const std::int64_t number = writer.folder(folder, error);
    FileRecord values;
    values.size = 1;
    for (const std::string& name : names)
        EXPECT_TRUE(writer.addFile(number, name, values, error)) << error;
    EXPECT_TRUE(writer.commit(error)) << error;
    return writer.volumeLabel();
}

std::vector<std::string> labelsAndScans(Catalog& catalog)
{
    std::vector<VolumeInfo> volumes;
    std::string error;
    EXPECT_TRUE(catalog.volumes(volumes, error)) << error;
    std::vector<std::string> out;
    for (const VolumeInfo& volume : volumes)
        for (const ScanInfo& scan : volume.scans)
            out.push_back(volume.label + "@" + std::to_string(scan.number) + ":" + std::to_string(scan.files));
    return out;
}

std::string writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

// A part of a name ignores case by Unicode folding, also outside ASCII and where a character
// outside ASCII folds to an ASCII letter; a name that is not UTF-8 matches by its bytes; a text
// with * or ? is a list of whole-name masks.
TEST(NameFinder, PartsAndMasks)
{
    EXPECT_TRUE(finds("PHOTO", "my photo.jpg"));
    EXPECT_FALSE(finds("PHOTO", "my photo.jpg", true));
    EXPECT_TRUE(finds("kelvin", "\xE2\x84\xAA" "elvin.txt")); // KELVIN SIGN folds to 'k'
    EXPECT_TRUE(finds("\xCF\x83\xCE\xB9", "\xCE\xA3\xCE\x99.txt")); // "σι" in "ΣΙ"
    EXPECT_TRUE(finds("bad", "BAD\xFE" "name"));
    EXPECT_TRUE(finds("\xFE", "bad\xFE" "name"));
    EXPECT_FALSE(finds("\xFE", "bad\xC3\xBE" "name")); // þ is not the byte FE
    EXPECT_TRUE(finds("", "anything"));
    EXPECT_TRUE(finds("[x]", "a[X]b")); // without * or ? a bracket is a character like any
    EXPECT_TRUE(finds("*.JPG;*.png", "a.jpg"));
    EXPECT_TRUE(finds("*.JPG;*.png", "b.PNG"));
    EXPECT_FALSE(finds("*.jpg", "a.jpg.txt"));
    EXPECT_FALSE(finds("*.JPG", "a.jpg", true));
    EXPECT_TRUE(finds("photo-?.*", "Photo-7.tar.gz"));
    NameFinder finder;
    std::string error;
    EXPECT_FALSE(finder.prepare("*[z-a]", false, error));
    EXPECT_FALSE(error.empty());
}

// The header check refuses what is not a blank database or a catalog of a known version, and
// names why; it never needs to write.
TEST(CatalogFile, RefusesWhatIsNotACatalog)
{
    TempDir tmp;
    std::string error;
    EXPECT_EQ(checkCatalogFile(tmp / "none", error), FileCheck::Missing);
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "empty", ""), error), FileCheck::Empty);
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "magic", std::string("SQLite format 3\0", 16)), error), FileCheck::Refused);
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(checkCatalogFile(tmp.path(), error), FileCheck::Refused);
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "text", std::string(5000, 'x')), error), FileCheck::Refused);
    EXPECT_NE(error.find("not an SQLite database"), std::string::npos) << error;

    const std::string path = tmp / "c.dxc";
    {
        auto catalog = Catalog::open(path, Catalog::Access::Write, error);
        ASSERT_TRUE(catalog) << error;
        addScan(*catalog, "v", "/v/", {"a"});
    }
    EXPECT_EQ(checkCatalogFile(path, error), FileCheck::Usable) << error;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string newer = bytes;
    newer[63] = 9; // user_version 9
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "newer", newer), error), FileCheck::Refused);
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "odd", bytes.substr(0, bytes.size() - 100)), error), FileCheck::Refused);
    EXPECT_NE(error.find("whole number of pages"), std::string::npos) << error;
    std::string foreign = bytes;
    foreign[71] ^= 1; // another application_id
    EXPECT_EQ(checkCatalogFile(writeBytes(tmp / "foreign", foreign), error), FileCheck::Refused);
    EXPECT_NE(error.find("another program"), std::string::npos) << error;
}

// Volumes are found by label, else by root; a default label already taken gets a number; removing
// "LABEL@N" removes that scan, and a label that itself ends in "@N" still names its volume.
TEST(Catalog, VolumesScansAndRemoval)
{
    TempDir tmp;
    std::string error;
    auto catalog = Catalog::open(tmp / "c.dxc", Catalog::Access::Write, error);
    ASSERT_TRUE(catalog) << error;
    EXPECT_EQ(addScan(*catalog, "", "/a/", {"1"}, "disk"), "disk");
    EXPECT_EQ(addScan(*catalog, "", "/a/", {"1", "2"}, "disk"), "disk");
    EXPECT_EQ(addScan(*catalog, "", "/b/", {"1"}, "disk"), "disk (2)");
    EXPECT_EQ(addScan(*catalog, "x@1", "/c/", {"1", "2", "3"}), "x@1");
    EXPECT_EQ(labelsAndScans(*catalog), (std::vector<std::string>{"disk@1:1", "disk@2:2", "disk (2)@1:1", "x@1@1:3"}));

    EXPECT_FALSE(catalog->remove("disk@3", error));
    EXPECT_NE(error.find("no scan 3"), std::string::npos) << error;
    EXPECT_FALSE(catalog->remove("nothing", error));
    ASSERT_TRUE(catalog->remove("disk@1", error)) << error;
    ASSERT_TRUE(catalog->remove("x@1", error)) << error;
    EXPECT_EQ(labelsAndScans(*catalog), (std::vector<std::string>{"disk@2:2", "disk (2)@1:1"}));

    // The files of what is left, exactly, and only the latest scan's unless every scan is asked for.
    EXPECT_EQ(addScan(*catalog, "disk", "/a/", {"3"}), "disk");
    FindQuery query;
    query.allScans = true;
    CatalogRows rows(*catalog, query);
    ASSERT_TRUE(rows.prepare(error)) << error;
    std::vector<std::string> found;
    Row row;
    while (rows.next(row))
        found.push_back(rows.volume() + "@" + std::to_string(rows.scanNumber()) + ":" + std::string(row.folder) +
                        std::string(row.name));
    EXPECT_TRUE(rows.error().empty());
    EXPECT_EQ(found, (std::vector<std::string>{"disk@2:/a/1", "disk@2:/a/2", "disk@3:/a/3", "disk (2)@1:/b/1"}));
}

// Read-only access never makes a catalog; a catalog's tables must all be there.
TEST(Catalog, ReadingNeedsACatalog)
{
    TempDir tmp;
    std::string error;
    EXPECT_FALSE(Catalog::open(tmp / "none", Catalog::Access::Read, error));
    EXPECT_NE(error.find("no such catalog"), std::string::npos);
    EXPECT_FALSE(Catalog::open(writeBytes(tmp / "empty", ""), Catalog::Access::Read, error));
    EXPECT_NE(error.find("empty"), std::string::npos);
    std::ifstream probe(tmp / "none");
    EXPECT_FALSE(probe.good());
}
