// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the layout engine driving a real widget window through the Qt adapter.
#include "layout/QtLayoutWindow.h"
#include "layout/Twips.h"
#include "layout/clsLayout.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

using namespace dirlix;

namespace {

// A window laid out like the main window, in twips converted once, running a pass on every resize.
class LaidOutWindow : public QWidget {
public:
    clsLayout layout;

    QWidget* place(QWidget* child, const char* tag, int left, int top, int width, int height)
    {
        child->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
        if (*tag)
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
    void resizingMovesAndStretchesTheChildren()
    {
        LaidOutWindow window;
        window.resize(twipsToPixels(8310), twipsToPixels(3750));
        QWidget* list = window.place(new QTreeView(&window), "W=1 H=1", 120, 1320, 8055, 2295);
        QWidget* search = window.place(new QPushButton("Search", &window), "X=1", 7200, 480, 975, 375);
        QWidget* browse = window.place(new QPushButton("...", &window), "X=1", 6600, 480, 495, 375);
        QWidget* dir = window.place(new QLineEdit(&window), "W=1", 120, 480, 6375, 375);
        QWidget* label = window.place(new QLabel("Content", &window), "", 120, 1080, 8055, 375);
        QWidget* toolbar = window.place(new QToolBar(&window), "W=1", 0, 0, 1500, 300);
        auto* menuEntry = new QAction("E&xit", &window);
        QtLayoutWindow::setTag(menuEntry, "X=1");
        // Attached at load, before the window is shown and before any window manager has framed it.
        const auto adapter = QtLayoutWindow::create(&window);
        QCOMPARE(adapter->Controls().size(), size_t(7));
        QCOMPARE(window.layout.SetLayout(adapter), LayoutError::None);
        QCOMPARE(window.layout.records().size(), size_t(5)); // not the tool bar, not the menu entry
        QCOMPARE(window.layout.MinWidth(), 8310.0f);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537, 153));

        const QSize design = window.size();
        window.resize(design + QSize(40, 20)); // 600 twips wider, 300 taller
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537 + 40, 153 + 20));
        QCOMPARE(search->geometry(), QRect(480 + 40, 32, 65, 25));
        QCOMPARE(browse->geometry(), QRect(440 + 40, 32, 33, 25));
        QCOMPARE(dir->geometry(), QRect(8, 32, 425 + 40, 25));
        QCOMPARE(label->geometry(), QRect(8, 72, 537, 25));
        QCOMPARE(toolbar->geometry(), QRect(0, 0, 100, 20));

        // Below the design size the engine puts the window back and the controls at their design.
        window.resize(design - QSize(100, 50));
        QTRY_COMPARE(window.size(), design);
        QTRY_COMPARE(list->geometry(), QRect(8, 88, 537, 153));
        QCOMPARE(search->geometry(), QRect(480, 32, 65, 25));

        adapter->applyMinimumSize(window.layout);
        QCOMPARE(window.minimumSize(), design);
    }
};

QTEST_MAIN(QtLayoutTest)
#include "QtLayoutTest.moc"
