// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the window as the program runs it, searching a folder and chosen File, Exit once
// a marker file appears (the walk is then blocked). Usage: hung_window_child FOLDER MARKER
#include "app/ProgramEnd.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    dirlix::frmMain::setFailureDialogsShown(false);
    auto* window = new dirlix::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->txtDir->setText(QString::fromLocal8Bit(argv[1]));
    window->cmdSearch->click();
    const QString marker = QString::fromLocal8Bit(argv[2]);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, window, [&poll, window, marker] {
        if (!QFile::exists(marker))
            return;
        poll.stop();
        std::puts("exit");
        std::fflush(stdout);
        window->mnuFileExit->trigger();
    });
    poll.start(20);
    return dirlix::endProgram(app.exec());
}
