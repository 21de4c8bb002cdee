// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: version text, product identity and the addresses of the help pages.
#include "product/HelpPages.h"
#include "product/Version.h"
#include "product/clsProductInfo.h"
#include "product/modGlobal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace dirlix {
namespace {

// Catches wrong padding widths, padding applied to the major number, truncation of wide numbers.
TEST(Version, PadsMinorToTwoAndRevisionToFourDigitsAndKeepsWiderNumbers)
{
    EXPECT_EQ(FormatVersion(1, 1, 54), "1.01.0054");
    EXPECT_EQ(FormatVersion(2, 0, 7), "2.00.0007");
    EXPECT_EQ(FormatVersion(10, 5, 12345), "10.05.12345");
    EXPECT_EQ(FormatVersion(3, 12, 9999), "3.12.9999");
    EXPECT_EQ(clsProductInfo(2, 0, 7, "w", "f", "s").Version, "2.00.0007");
}

TEST(Version, ThisBuildUsesTheProjectVersionAndFixedNames)
{
    const clsProductInfo product = clsProductInfo::ForProgram("/nonexistent/bin");
    EXPECT_EQ(product.Version, FormatVersion(kVersionMajor, kVersionMinor, kVersionRevision));
    EXPECT_EQ(product.CompanyName, "Quillborne");
    EXPECT_EQ(product.BaseName, "Dirlix");
    EXPECT_EQ(product.Name, "Dirlix Pro");
}

// Catches a help folder that ignores the one beside the program, or a fallback that is not
// the installed data folder.
TEST(HelpPages, PrefersTheFolderBesideTheProgramElseTheInstalledOne)
{
    test::TempDir root;
    test::makeDirs(root / "prefix/bin");
    EXPECT_EQ(HelpFolder(root / "prefix/bin"), root / "prefix/share/dirlix-pro/Help");
    EXPECT_EQ(HelpPagePath(root / "prefix/bin", "faq.html"),
              root / "prefix/share/dirlix-pro/Help/faq.html");

    test::makeDirs(root / "prefix/bin/Help");
    EXPECT_EQ(HelpFolder(root / "prefix/bin"), root / "prefix/bin/Help");
    EXPECT_EQ(HelpPagePath(root / "prefix/bin", "index.html"), root / "prefix/bin/Help/index.html");

    // A file named Help is not a help folder.
    test::makeDirs(root / "other");
    test::writeFile(root / "other/Help", "x");
    EXPECT_EQ(HelpFolder(root / "other"), root / "share/dirlix-pro/Help");
}

// Catches addresses that break on spaces, "%", "#" or non-ASCII names, and Windows paths.
TEST(HelpPages, FileUrlEncodesWhatAUrlCannotHoldAsIs)
{
    EXPECT_EQ(FileUrl("/opt/dirlix/Help/index.html"), "file:///opt/dirlix/Help/index.html");
    EXPECT_EQ(FileUrl("/home/a b/50%#1?/x.html"), "file:///home/a%20b/50%25%231%3F/x.html");
    EXPECT_EQ(FileUrl("/h/\xC3\xA9t\xC3\xA9"), "file:///h/%C3%A9t%C3%A9");
    EXPECT_EQ(FileUrl("C:\\Tools\\Lists\\Help\\faq.html"), "file:///C:/Tools/Lists/Help/faq.html");
}

TEST(HelpPages, AConfiguredAddressWinsOverTheLocalPage)
{
    test::TempDir root;
    test::makeDirs(root / "Help");
    EXPECT_EQ(ResolvePageAddress("https://example.org/faq", root.path(), "faq.html"),
              "https://example.org/faq");
    EXPECT_EQ(ResolvePageAddress("", root.path(), "support.html"),
              FileUrl(root / "Help/support.html"));

    const clsProductInfo product = clsProductInfo::ForProgram(root.path());
    EXPECT_EQ(product.FAQURL, *kFaqUrl ? kFaqUrl : FileUrl(root / "Help/faq.html"));
    EXPECT_EQ(product.SupportURL, *kSupportUrl ? kSupportUrl : FileUrl(root / "Help/support.html"));
    EXPECT_EQ(product.Website, *kWebsite ? kWebsite : FileUrl(root / "Help/index.html"));
}

// Catches a second creation replacing the object that others already hold.
TEST(ModGlobal, CreateProductMakesOneObjectAndNeverReplacesIt)
{
    ASSERT_EQ(modGlobal::pProduct, nullptr);
    const clsProductInfo& first = modGlobal::CreateProduct("/first/bin");
    EXPECT_EQ(pProduct.get(), &first);
    const clsProductInfo& second = modGlobal::CreateProduct("/second/bin");
    EXPECT_EQ(&second, &first);
    EXPECT_EQ(first.FAQURL, *kFaqUrl ? kFaqUrl : "file:///first/share/dirlix-pro/Help/faq.html");
}

} // namespace
} // namespace dirlix
