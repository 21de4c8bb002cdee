// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the layout engine driving a real widget window through the Qt adapter.
#include "layout/QtLayoutWindow.h"
#include "layout/QtTwips.h"
#include "layout/clsLayout.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

using namespace dirlix;

namespace {

// A window that runs a layout pass on every resize, as the program's windows do.
class LaidOutWindow : public QWidget {
public:
    clsLayout layout;

    template <typename Widget> QWidget* place(const char* tag, int left, int top, int width, int height)
    {
        auto* child = placeTwips(new Widget(this), left, top, width, height);
        QtLayoutWindow::setTag(child, tag);
        return child;
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (layout.window())
            layout.RedrawLayout();
    }
};

} // namespace

class QtLayoutTest : public QObject {
    Q_OBJECT

private slots:
    // Catches an adapter that converts twips wrongly, moves a tool bar or a menu entry, or attaches
    // only once the window is shown; and a minimum size that is not passed on to the window.
    void resizingMovesAndStretchesTheChildren()
    {
        LaidOutWindow window;
        window.resize(twipsToPixels(8310), twipsToPixels(3750));
        QWidget* list = window.place<QTreeView>("W=1 H=1", 120, 1320, 8055, 2295);
        QWidget* search = window.place<QPushButton>("X=1", 7200, 480, 975, 375);
        QWidget* dir = window.place<QLineEdit>("W=1", 120, 480, 6375, 375);
        QWidget* toolbar = window.place<QToolBar>("W=1", 0, 0, 1500, 300);
        QtLayoutWindow::setTag(new QAction("E&xit", &window), "X=1");
        const auto adapter = QtLayoutWindow::create(&window);
        QCOMPARE(adapter->Controls().size(), size_t(5));
        QCOMPARE(window.layout.SetLayout(adapter), LayoutError::None);
        QCOMPARE(window.layout.records().size(), size_t(3)); // not the tool bar, not the menu entry
        QCOMPARE(window.layout.MinWidth(), 8310.0f);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537, 153));
        const QRect searchDesign = search->geometry(), dirDesign = dir->geometry(), toolbarDesign = toolbar->geometry();

        const QSize design = window.size();
        window.resize(design + QSize(40, 20)); // 600 twips wider, 300 taller
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537 + 40, 153 + 20));
        QCOMPARE(search->geometry(), searchDesign.translated(40, 0));
        QCOMPARE(dir->geometry(), dirDesign.adjusted(0, 0, 40, 0));
        QCOMPARE(toolbar->geometry(), toolbarDesign);

        // Below the design size the engine puts the window back and the controls at their design.
        window.resize(design - QSize(100, 50));
        QTRY_COMPARE(window.size(), design);
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537, 153));
        QCOMPARE(search->geometry(), searchDesign);

        adapter->applyMinimumSize(window.layout);
        QCOMPARE(window.minimumSize(), design);
    }
};

QTEST_MAIN(QtLayoutTest)
#include "QtLayoutTest.moc"
