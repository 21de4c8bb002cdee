// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: version text, the help folder and the addresses of the help pages.
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
    EXPECT_EQ(FormatVersion(10, 5, 12345), "10.05.12345");
    EXPECT_EQ(clsProductInfo(2, 0, 7, "w", "f", "s").Version, "2.00.0007");
}

// Catches a Help file taken for the folder beside the program. (Which folder an installed and a
// built program use is checked on the installed program by tests/install.)
TEST(HelpPages, AFileNamedHelpIsNoHelpFolder)
{
    test::TempDir root;
    test::makeDirs(root / "prefix/bin");
    test::writeFile(root / "prefix/bin/Help", "x");
    EXPECT_EQ(test::genericSeparators(HelpPagePath(root / "prefix/bin", "faq.html")),
              root / "prefix/share/dirlix-pro/Help/faq.html");
}

// Catches addresses that break on spaces, "%", "#" or non-ASCII names, and Windows paths.
TEST(HelpPages, FileUrlEncodesWhatAUrlCannotHoldAsIs)
{
    EXPECT_EQ(FileUrl("/opt/dirlix/Help/index.html"), "file:///opt/dirlix/Help/index.html");
    EXPECT_EQ(FileUrl("/home/a b/50%#1?/x.html"), "file:///home/a%20b/50%25%231%3F/x.html");
    EXPECT_EQ(FileUrl("/h/\xC3\xA9t\xC3\xA9"), "file:///h/%C3%A9t%C3%A9");
    EXPECT_EQ(FileUrl("C:\\Tools\\Lists\\Help\\faq.html"), "file:///C:/Tools/Lists/Help/faq.html");
}

// Catches a configured address that loses to the local page, a page of the product that points
// at the wrong file, and a second creation replacing the object that others already hold.
TEST(HelpPages, ConfiguredAddressesWinAndTheProductIsMadeOnce)
{
    test::TempDir root;
    test::makeDirs(root / "Help");
    EXPECT_EQ(ResolvePageAddress("https://example.org/faq", root.path(), "faq.html"), "https://example.org/faq");
    EXPECT_EQ(ResolvePageAddress("", root.path(), "support.html"), FileUrl(root / "Help/support.html"));

    ASSERT_EQ(modGlobal::pProduct, nullptr);
    const clsProductInfo& product = modGlobal::CreateProduct(root.path());
    EXPECT_EQ(pProduct.get(), &product);
    EXPECT_EQ(&modGlobal::CreateProduct("/second/bin"), &product);
    EXPECT_EQ(product.FAQURL, *kFaqUrl ? kFaqUrl : FileUrl(root / "Help/faq.html"));
    EXPECT_EQ(product.SupportURL, *kSupportUrl ? kSupportUrl : FileUrl(root / "Help/support.html"));
    EXPECT_EQ(product.Website, *kWebsite ? kWebsite : FileUrl(root / "Help/index.html"));
}

} // namespace
} // namespace dirlix
