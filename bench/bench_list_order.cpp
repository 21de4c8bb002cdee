// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: how fast the window sorts its list by a header and narrows it as the user types,
// and whether the window keeps reacting meanwhile.
//
// Usage: bench_list_order TREE   (runs offscreen unless a display is set)
#include "ProcStatus.h"
#include "app/FileListModel.h"
#include "app/FindBar.h"
#include "app/ListWorkspace.h"
#include "app/SearchController.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Times @p work until the list shows its result, with the longest pause of the event loop.
struct Timing {
    double ms = 0;
    double worstGapMs = 0;
};

Timing untilApplied(dirlix::frmMain& window, const std::function<void()>& work)
{
    QElapsedTimer clock;
    qint64 last = 0, worstGap = 0;
    QTimer idle;
    idle.setInterval(0);
    QObject::connect(&idle, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worstGap = std::max(worstGap, now - last);
        last = now;
    });
    QSignalSpy applied(window.workspace(), &dirlix::ListWorkspace::orderApplied);
    clock.start();
    idle.start();
    work();
    while (applied.isEmpty() || window.workspace()->busy())
        applied.wait(60000);
    const qint64 total = clock.nsecsElapsed();
    worstGap = std::max(worstGap, total - last);
    return {double(total) / 1e6, double(worstGap) / 1e6};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_list_order TREE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dirlix::frmMain::setFailureDialogsShown(false);
    dirlix::frmMain window;
    window.show();
    QSignalSpy finished(window.search(), &dirlix::SearchController::finished);
    window.txtDir->setText(QString::fromLocal8Bit(argv[1]));
    window.cmdSearch->click();
    if (!finished.wait(600000)) {
        std::fprintf(stderr, "the search did not finish\n");
        return 1;
    }
    const std::size_t rows = window.model()->list().count();
    malloc_trim(0);
    const double before = double(dirlix::bench::procStatus("RssAnon:"));
    std::printf("rows: %zu\n", rows);

    const struct {
        const char* name;
        int column;
        double targetMs;
    } columns[] = {{"Size", 1, 300}, {"Modified", 4, 300}, {"File", 0, 1500}};
    for (const auto& column : columns) {
        std::vector<double> times;
        double worstGap = 0;
        for (int run = 0; run < 5; ++run) {
            // Back to the walk order, then one click sorts ascending.
            while (window.workspace()->sortColumn() >= 0)
                untilApplied(window, [&] { window.workspace()->headerClicked(window.workspace()->sortColumn()); });
            const Timing t = untilApplied(window, [&] { window.workspace()->headerClicked(column.column); });
            times.push_back(t.ms);
            worstGap = std::max(worstGap, t.worstGapMs);
        }
        std::printf("sort by %-8s median of 5: %8.1f ms (target: under %.0f ms), longest event-loop gap %.1f ms "
                    "(target: under 100 ms)\n",
                    column.name, median(times), column.targetMs, worstGap);
        malloc_trim(0);
        std::printf("  kept after sorting by %s: %+.1f bytes/row\n", column.name,
                    (double(dirlix::bench::procStatus("RssAnon:")) - before) / double(std::max<std::size_t>(rows, 1)));
    }
    malloc_trim(0); // what the sort freed is not counted as kept
    const double sorted = double(dirlix::bench::procStatus("RssAnon:"));

    // Typing in the find bar, with the list sorted by File: the first character, then the fourth.
    window.workspace()->findAction->trigger();
    QLineEdit* text = window.workspace()->findBar()->text;
    // Letters a user might type: the start of a name from the middle of the list.
    std::string folder;
    const dirlix::Row middle = window.model()->list().row(rows / 2, folder);
    const QString typed = QString::fromUtf8(middle.name.data(), qsizetype(middle.name.size())).left(4);
    for (int length = 1; length <= int(typed.size()); ++length) {
        const Timing t = untilApplied(window, [&] { text->setText(typed.left(length)); });
        if (length == 1 || length == 4)
            std::printf("narrowing after %d typed character(s): %6.1f ms (target: under 100 ms), %d rows shown, "
                        "longest event-loop gap %.1f ms\n",
                        length, t.ms, window.model()->rowCount(), t.worstGapMs);
    }
    malloc_trim(0);
    const double narrowed = double(dirlix::bench::procStatus("RssAnon:"));
    untilApplied(window, [&] { text->clear(); });
    while (window.workspace()->sortColumn() >= 0)
        untilApplied(window, [&] { window.workspace()->headerClicked(window.workspace()->sortColumn()); });
    malloc_trim(0);
    std::printf("  kept back in walk order, the find bar empty: %+.1f bytes/row (what the allocator and the view keep)\n",
                (double(dirlix::bench::procStatus("RssAnon:")) - before) / double(std::max<std::size_t>(rows, 1)));
    std::printf("private resident memory beyond the list: sorted %+.1f bytes/row, sorted and narrowed %+.1f bytes/row "
                "(target: at most 8)\n",
                (sorted - before) / double(std::max<std::size_t>(rows, 1)),
                (narrowed - before) / double(std::max<std::size_t>(rows, 1)));
    return 0;
}
