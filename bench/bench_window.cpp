// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how the main window keeps up during a large search and its two exports: event-loop
// gaps, first rows, memory, rows written per second.
//
// Usage: bench_window TREE   (runs offscreen unless a display is set)
#include "ProcStatus.h"
#include "app/ExportController.h"
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "product/DesktopOpener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

// The exports' files are measured, never opened in a program.
struct NoDesktop : dirlix::DesktopOpener {
    bool open(const QString&) override { return true; }
};

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
    NoDesktop noDesktop;
    dirlix::setDesktopOpener(&noDesktop);
    dirlix::frmMain window;
    window.show();
    window.txtDir->setText(QString::fromLocal8Bit(argv[1]));

    // A 2 ms timer runs whenever the event loop is free: its longest pause is the longest time
    // the window could not react, to within 2 ms. (A zero-interval timer would keep a core busy
    // and slow the walk it measures.)
    QElapsedTimer clock;
    qint64 last = 0, worstGap = 0, firstRows = -1, scrolls = 0, exportStart = 0;
    QTimer idle;
    idle.setTimerType(Qt::PreciseTimer);
    idle.setInterval(2);
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
        // Then Output to Text and Output to Excel, each measured the same way.
        worstGap = 0;
        last = clock.nsecsElapsed();
        exportStart = last;
        idle.start();
        window.mnuFileText->trigger();
    });
    int exportsDone = 0;
    QObject::connect(window.exporter(), &dirlix::ExportController::finished, [&] {
        const qint64 now = clock.nsecsElapsed();
        const auto& result = window.exporter()->lastResult();
        std::printf("%s: %llu rows at %.0f rows/s, longest event-loop gap %.1f ms (target: under 100 ms)%s\n",
                    exportsDone == 0 ? "Output to Text" : "Output to Excel", (unsigned long long)result.rows,
                    double(result.rows) / (double(now - exportStart) / 1e9), double(worstGap) / 1e6,
                    result.ok ? "" : " FAILED");
        if (!result.path.empty() && exportsDone == 1)
            std::remove(result.path.c_str());
        if (++exportsDone == 2) {
            QCoreApplication::quit();
            return;
        }
        worstGap = 0;
        last = clock.nsecsElapsed();
        exportStart = last;
        window.mnuFileExcel->trigger();
    });
    QTimer::singleShot(500, [&] {
        clock.start();
        last = 0;
        idle.start();
        window.cmdSearch->click();
    });
    const int status = app.exec();
    dirlix::setDesktopOpener(nullptr);
    return status;
}
