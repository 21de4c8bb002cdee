// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how the main window keeps up during a large search: event-loop gaps, first rows, memory.
//
// Usage: bench_window TREE   (runs offscreen unless a display is set)
#include "ProcStatus.h"
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTableView>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_window TREE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dirlix::frmMain::setFailureDialogsShown(false);
    dirlix::frmMain window;
    window.show();
    window.txtDir->setText(QString::fromLocal8Bit(argv[1]));

    // A zero-interval timer runs whenever the event loop is free: its longest pause is the
    // longest time the window could not react.
    QElapsedTimer clock;
    qint64 last = 0, worstGap = 0, firstRows = -1, scrolls = 0;
    QTimer idle;
    idle.setInterval(0);
    QObject::connect(&idle, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worstGap = std::max(worstGap, now - last);
        last = now;
    });
    // While rows arrive, the view scrolls to the end, as a user following the search would.
    QObject::connect(window.search(), &dirlix::SearchController::rowsDelivered, [&] {
        if (firstRows < 0)
            firstRows = clock.nsecsElapsed();
        window.ListView1->scrollToBottom();
        ++scrolls;
    });
    QObject::connect(window.search(), &dirlix::SearchController::finished, [&] {
        const qint64 total = clock.nsecsElapsed();
        idle.stop();
        const std::size_t rows = window.model()->list().count();
        std::printf("rows: %zu in %.3f s (%.0f rows/s)\n", rows, double(total) / 1e9, double(rows) / (double(total) / 1e9));
        std::printf("first rows shown after: %.1f ms (target: within 200 ms)\n", double(firstRows) / 1e6);
        std::printf("longest event-loop gap: %.1f ms (target: under 100 ms), over %lld batches\n",
                    double(worstGap) / 1e6, scrolls);
        std::printf("peak resident memory: %.1f MiB (target for a million files: under 250 MB)\n",
                    double(dirlix::bench::procStatus("VmHWM:")) / 1048576.0);
        QCoreApplication::quit();
    });
    QTimer::singleShot(500, [&] {
        clock.start();
        last = 0;
        idle.start();
        window.cmdSearch->click();
    });
    return app.exec();
}
