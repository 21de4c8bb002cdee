// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the product's fixed identity (maker, names, version text, page addresses).
#pragma once

#include <string>

namespace dirlix {

/**
 * The product's identity, set once at construction and never changed: the maker's name, the
 * product's short and full names, the version text and the three page addresses. The program
 * holds its one instance in modGlobal::pProduct.
 */
class clsProductInfo {
public:
    /**
     * Builds the identity for version @p major.@p minor, revision @p revision (see FormatVersion)
     * with the given page addresses, which are stored as given (web addresses or file: URLs).
     */
    clsProductInfo(int major, int minor, int revision, std::string website, std::string faqUrl,
                   std::string supportUrl);

    /**
     * The identity of this build: the project's version numbers and the configured addresses,
     * where an address configured empty becomes the file: URL of our own page in the help
     * folder found for an executable in @p appDir (see HelpFolder).
     */
    static clsProductInfo ForProgram(const std::string& appDir);

    /** The maker's name; also the application name of the settings store: "Quillborne". */
    std::string CompanyName = "Quillborne";
    /** The product's short name: "Dirlix". */
    std::string BaseName = "Dirlix";
    /** The product's full name; window caption and settings section: "Dirlix Pro". */
    std::string Name = "Dirlix Pro";
    /** The version text, such as "1.01.0054". */
    std::string Version;
    /** The maker's home page. */
    std::string Website;
    /** The product's FAQ page. */
    std::string FAQURL;
    /** The product's support page. */
    std::string SupportURL;
};

/**
 * The version text: the major number, a full stop, the minor number padded to two digits, a full
 * stop, the revision padded to four digits ("1.01.0054"; 2.0.7 gives "2.00.0007"). Wider numbers
 * are written in full. The full stops do not depend on any locale.
 */
std::string FormatVersion(int major, int minor, int revision);

} // namespace dirlix
