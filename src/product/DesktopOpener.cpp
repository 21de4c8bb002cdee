// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the hand-over of documents and web addresses to the desktop.
#include "product/DesktopOpener.h"
#include "platform/FileManagerItems.h"
#include "platform/TextEditor.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace dirlix {

namespace {

class SystemDesktopOpener final : public DesktopOpener {
public:
    bool open(const QString& target) override
    {
        // A local path must become a file URL: parsed as a URL, "/a b/c" would lose its meaning
        // and "C:\x" would read as the scheme "c".
        const QUrl url = QDir::isAbsolutePath(target) ? QUrl::fromLocalFile(target)
                                                      : QUrl(target, QUrl::TolerantMode);
        if (!url.isValid() || url.isEmpty())
            return false;
        return QDesktopServices::openUrl(url);
    }

    bool showInFolder(const QString& fileUrl, const QString& folderUrl) override
    {
        // Without a file manager that selects the file (or when it answers with an error) the
        // folder is opened instead.
        if (showItemsInFileManager(fileUrl, [this, folderUrl] { open(folderUrl); }))
            return true;
        return open(folderUrl);
    }

    bool openText(const QString& path) override
    {
        return startTextEditor(path.toStdString()) || open(path);
    }
};

SystemDesktopOpener gSystemOpener;
DesktopOpener* gOpener = &gSystemOpener;

} // namespace

void setDesktopOpener(DesktopOpener* opener)
{
    gOpener = opener ? opener : &gSystemOpener;
}

DesktopOpener& desktopOpener()
{
    return *gOpener;
}

} // namespace dirlix
