// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the folder picker.
#include "search/modGetDir.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace dirlix::modGetDir {

namespace {
FolderDialog& dialogSeam()
{
    static FolderDialog dialog;
    return dialog;
}

QUrl realDialog(const QString& title, const QUrl& start)
{
    return QFileDialog::getExistingDirectoryUrl(nullptr, title, start);
}
} // namespace

void setFolderDialog(FolderDialog dialog)
{
    dialogSeam() = std::move(dialog);
}

QUrl startFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QDir(desktop).exists())
        return QUrl::fromLocalFile(desktop);
    return QUrl::fromLocalFile(QDir::homePath());
}

QString ResultText(const QUrl& chosen)
{
    if (chosen.isEmpty())
        return {};
    if (!chosen.isLocalFile())
        return chosen.toString();
    QString path = QDir::toNativeSeparators(chosen.toLocalFile());
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

QString GetDir(const QString& title)
{
    const FolderDialog& dialog = dialogSeam();
    return ResultText(dialog ? dialog(title, startFolder()) : realDialog(title, startFolder()));
}

} // namespace dirlix::modGetDir
