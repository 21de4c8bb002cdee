// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the desktop program's start: the application object and the main window.
#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program runs as long as a window is open; closing the main window closes the rest.
    auto* window = new dirlix::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return app.exec();
}
