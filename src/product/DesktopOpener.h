// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the hand-over of documents and web addresses to the desktop, and its test seam.
#pragma once

#include <QString>

namespace dirlix {

/**
 * Hands a document or a web address to the desktop, which opens it in the user's program for
 * its type. Every such hand-over of the program goes through desktopOpener(), so that tests can
 * put a recorder in its place and no real browser, editor or spreadsheet is ever started.
 */
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;

    /**
     * Asks the desktop to open @p target: an absolute local path or a URL (with a scheme such
     * as https: or file:). Does not wait for the program that opens it. Returns false when the
     * desktop reports at once that it could not hand the target over; true says only that the
     * request was made.
     */
    virtual bool open(const QString& target) = 0;

    /**
     * Shows the file @p fileUrl selected in the desktop's file manager where one offers that;
     * otherwise opens its folder @p folderUrl. Both are file URLs. Returns false when neither
     * could be asked for; true says only that the request was made. By default opens the folder.
     */
    virtual bool showInFolder(const QString& fileUrl, const QString& folderUrl)
    {
        Q_UNUSED(fileUrl);
        return open(folderUrl);
    }

    /**
     * Opens the text file @p path (absolute) for reading: in the system's own text editor where
     * it has one (Notepad on Windows), else as open() does. Same result as open().
     */
    virtual bool openText(const QString& path) { return open(path); }
};

/**
 * Puts @p opener in place of the real desktop; nullptr restores the real one. The caller keeps
 * ownership and must restore the real one before @p opener is destroyed.
 */
void setDesktopOpener(DesktopOpener* opener);

/** The opener in force: the real desktop (QDesktopServices) unless a test replaced it. */
DesktopOpener& desktopOpener();

} // namespace dirlix
