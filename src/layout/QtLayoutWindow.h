// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a QWidget window seen through the layout engine's window interface.
#pragma once

#include "layout/LayoutWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace dirlix {

class clsLayout;

/**
 * Presents a top-level QWidget to clsLayout: its size in twips, its window state, and its
 * controls: child widgets and menu actions, each with the rule text kept in its dynamic property
 * "Tag". Widgets are placed in their parent widget's coordinates.
 *
 * The window's Width and Height are the widget's own size, which holds a QMainWindow's menu bar,
 * tool bars and status bar but not the window manager's frame: the frame appears only some time
 * after the window is shown, and counting it would turn it into growth for an engine attached
 * at load. With a frame of constant size the growth and the minimum come out the same.
 * Menu actions have no position, so the engine never registers them.
 *
 * Create it with create(); the controls it hands out refer back to it as their Parent. It holds
 * the widgets through QPointer: once a widget is destroyed its reads are empty and its sets
 * refused.
 */
class QtLayoutWindow : public LayoutWindow, public std::enable_shared_from_this<QtLayoutWindow> {
public:
    /** The name of the dynamic property that holds a control's rule text. */
    static constexpr const char* kTagProperty = "Tag";

    /**
     * An adapter for @p window (not owned; may be null, which makes every read empty).
     * @p controls are the window's controls in the order the engine should see them, each a
     * QWidget or a QAction; when empty, the window's own QWidget and QAction children are used,
     * in the order they were created (children that are windows themselves are left out).
     */
    static std::shared_ptr<QtLayoutWindow> create(QWidget* window, const QList<QObject*>& controls = {});

    /** Stores @p tag as the rule text of @p control (a widget or an action). */
    static void setTag(QObject* control, const QString& tag);

    /**
     * Gives the window a minimum size equal to the engine's minimum size, so that the window
     * manager refuses to make it smaller (the engine enforces it as well).
     */
    void applyMinimumSize(const clsLayout& layout);

    std::optional<double> Width() const override;
    std::optional<double> Height() const override;
    bool setWidth(double twips) override;
    bool setHeight(double twips) override;
    std::optional<int> WindowState() const override;
    std::vector<std::shared_ptr<LayoutControl>> Controls() const override;

    /** The adapted widget; null once it is destroyed. */
    QWidget* widget() const { return mWindow; }

private:
    QtLayoutWindow(QWidget* window, const QList<QObject*>& controls);

    QPointer<QWidget> mWindow;
    QList<QPointer<QObject>> mControls;
};

} // namespace dirlix
