// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how long File, Open List takes for a saved list, and how the window keeps up meanwhile.
//
// Usage: bench_open_list LIST.jsonl   (runs offscreen unless a display is set)
#include "app/FileListModel.h"
#include "app/ListCommands.h"
#include "app/OpenList.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_open_list LIST.jsonl\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dirlix::frmMain::setFailureDialogsShown(false);
    dirlix::frmMain window;
    window.show();
    QElapsedTimer clock, gap;
    qint64 longestGap = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, gap.restart());
    });
    QObject::connect(window.lists()->reading(), &dirlix::OpenList::finished, &app, &QApplication::quit);
    clock.start();
    gap.start();
    tick.start();
    window.lists()->openList(QString::fromLocal8Bit(argv[1]));
    app.exec();
    const auto& summary = window.lists()->reading()->lastSummary();
    std::printf("Open List: %llu rows in %.3f s (target: a million rows under 3 s); longest event-loop gap %lld ms%s%s\n",
                static_cast<unsigned long long>(window.model()->list().count()), double(clock.elapsed()) / 1000.0,
                static_cast<long long>(longestGap), summary.error.isEmpty() ? "" : "; error: ",
                summary.error.toLocal8Bit().constData());
    return summary.error.isEmpty() ? 0 : 1;
}
