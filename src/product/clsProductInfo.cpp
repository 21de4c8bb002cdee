// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the product's fixed identity.
#include "product/clsProductInfo.h"

#include "product/HelpPages.h"
#include "product/Version.h"

#include <cstdio>
#include <utility>

namespace dirlix {

clsProductInfo::clsProductInfo(int major, int minor, int revision, std::string website,
                               std::string faqUrl, std::string supportUrl)
    : Version(FormatVersion(major, minor, revision)),
      Website(std::move(website)),
      FAQURL(std::move(faqUrl)),
      SupportURL(std::move(supportUrl))
{
}

clsProductInfo clsProductInfo::ForProgram(const std::string& appDir)
{
    return clsProductInfo(kVersionMajor, kVersionMinor, kVersionRevision,
                          ResolvePageAddress(kWebsite, appDir, "index.html"),
                          ResolvePageAddress(kFaqUrl, appDir, "faq.html"),
                          ResolvePageAddress(kSupportUrl, appDir, "support.html"));
}

std::string FormatVersion(int major, int minor, int revision)
{
    // printf's zero padding is a minimum width, so wider numbers are kept whole.
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d.%04d", major, minor, revision);
    return text;
}

} // namespace dirlix
