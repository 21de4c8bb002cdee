// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the file names the window tests make that differ by system, and file URLs read back.
#pragma once

#include <QString>

#include <string>

namespace dirlix::test {

/** The oddest names this system's files can have, for trees the window tests walk. */
struct OddNames {
    /**
     * A name holding a line feed, below the folder "a" ("a/line\nfeed"); where file names cannot
     * hold control characters (Windows) a space stands in its place, so the tree keeps its shape.
     */
    std::string lineFeed;
    /**
     * A name that is not plain ASCII: "bad\xFE.bin", whose byte is no UTF-8, on POSIX systems;
     * "badþ.bin" on Windows, whose names are UTF-16 text.
     */
    std::string undecodable;
    /**
     * A path below "tree/sub/" with a character that breaks a column and the undecodable byte:
     * a tab and \xFE on POSIX systems, a space and þ on Windows.
     */
    std::string inSubfolder;
};

/** The odd names of this system. */
const OddNames& oddNames();

/**
 * The path of a file URL the program handed to the desktop, as bytes with "/" between its parts
 * (as TempDir writes paths): "file:///tmp/a%20b" is "/tmp/a b", "file:///C:/a" is "C:/a".
 */
std::string pathOfFileUrl(const QString& url);

} // namespace dirlix::test
