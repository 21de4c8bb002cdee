// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Qt adapter of the layout engine, on what the main window does not hold.
#include "layout/QtLayoutWindow.h"
#include "layout/QtTwips.h"
#include "layout/clsLayout.h"

#include <QAction>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

using namespace dirlix;

class QtLayoutTest : public QObject {
    Q_OBJECT

private slots:
    // Catches an adapter that converts twips wrongly, moves a tool bar or lays out a menu entry, and a
    // minimum size that is not passed on to the window. (Resizing the main window: tests/app.)
    void toolBarsAndMenuEntriesStayWhereTheyAre()
    {
        QWidget window;
        window.resize(twipsToPixels(8310), twipsToPixels(3750));
        QWidget* list = placeTwips(new QTreeView(&window), 120, 1320, 8055, 2295);
        QWidget* toolbar = placeTwips(new QToolBar(&window), 0, 0, 1500, 300);
        QtLayoutWindow::setTag(list, "W=1 H=1");
        QtLayoutWindow::setTag(toolbar, "W=1");
        QtLayoutWindow::setTag(new QAction("E&xit", &window), "X=1");
        const auto adapter = QtLayoutWindow::create(&window);
        QCOMPARE(adapter->Controls().size(), size_t(3));
        clsLayout layout;
        QCOMPARE(layout.SetLayout(adapter), LayoutError::None);
        QCOMPARE(layout.records().size(), size_t(1));
        QCOMPARE(layout.MinWidth(), 8310.0f);
        QCOMPARE(list->geometry(), QRect(8, 88, 537, 153));
        const QRect toolbarDesign = toolbar->geometry();

        window.resize(window.size() + QSize(40, 20)); // 600 twips wider, 300 taller
        QCOMPARE(layout.RedrawLayout(), LayoutError::None);
        QCOMPARE(list->geometry(), QRect(8, 88, 537 + 40, 153 + 20));
        QCOMPARE(toolbar->geometry(), toolbarDesign);
        adapter->applyMinimumSize(layout);
        QCOMPARE(window.minimumSize(), QSize(twipsToPixels(8310), twipsToPixels(3750)));
    }
};

QTEST_MAIN(QtLayoutTest)
#include "QtLayoutTest.moc"
