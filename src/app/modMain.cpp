// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the desktop program's start: the application object and the main window.
#include "app/ProgramEnd.h"
#include "app/frmMain.h"
#include "product/Version.h"
#include "product/clsProductInfo.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The version the About box shows; the name of the menu entry, so that a Wayland desktop
    // shows the entry's icon for the window.
    QCoreApplication::setApplicationVersion(
        QString::fromStdString(dirlix::FormatVersion(dirlix::kVersionMajor, dirlix::kVersionMinor,
                                                     dirlix::kVersionRevision)));
    QGuiApplication::setDesktopFileName(QStringLiteral("dirlix-pro"));
    // The program runs as long as a window is open; closing the main window closes the rest.
    auto* window = new dirlix::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // The window is gone once exec() returns, its settings saved; a walk a hung file system holds
    // must not keep the process.
    return dirlix::endProgram(app.exec());
}
