// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: registering controls and the resize pass, against a fake window.
#include "layout/clsLayout.h"
#include "layout/LayoutControl.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

using namespace dirlix;

namespace {

class FakeWindow : public LayoutWindow {
public:
    double width = 8430;
    double height = 4500;
    int state = 0;
    bool readable = true;
    std::vector<std::shared_ptr<LayoutControl>> controls;
    // Runs inside setWidth/setHeight, as a window's resize event does.
    std::function<void()> onResize;
    std::vector<double> widthsSet;

    std::optional<double> Width() const override { return readable ? std::optional(width) : std::nullopt; }
    std::optional<double> Height() const override { return readable ? std::optional(height) : std::nullopt; }
    bool setWidth(double twips) override
    {
        width = twips;
        widthsSet.push_back(twips);
        if (onResize)
            onResize();
        return true;
    }
    bool setHeight(double twips) override
    {
        height = twips;
        if (onResize)
            onResize();
        return true;
    }
    std::optional<int> WindowState() const override { return state; }
    std::vector<std::shared_ptr<LayoutControl>> Controls() const override { return controls; }
};

class FakeControl : public LayoutControl {
public:
    std::string type = "CommandButton";
    std::string tag;
    std::weak_ptr<LayoutWindow> parent;
    bool positioned = true; // false for a menu entry
    std::map<char, double> rect; // 'L', 'T', 'W', 'H'
    std::function<bool(char, double)> refuses = [](char, double) { return false; };
    int setsDone = 0;

    std::string typeName() const override { return type; }
    std::string Tag() const override { return tag; }
    std::shared_ptr<LayoutWindow> Parent() const override { return parent.lock(); }
    std::optional<double> Left() const override { return get('L'); }
    std::optional<double> Top() const override { return get('T'); }
    std::optional<double> Width() const override { return get('W'); }
    std::optional<double> Height() const override { return get('H'); }
    bool setLeft(double v) override { return set('L', v); }
    bool setTop(double v) override { return set('T', v); }
    bool setWidth(double v) override { return set('W', v); }
    bool setHeight(double v) override { return set('H', v); }

    std::vector<double> geometry() const { return {rect.at('L'), rect.at('T'), rect.at('W'), rect.at('H')}; }

private:
    std::optional<double> get(char which) const
    {
        return positioned ? std::optional(rect.at(which)) : std::nullopt;
    }
    bool set(char which, double value)
    {
        if (!positioned || refuses(which, value))
            return false;
        rect[which] = value;
        ++setsDone;
        return true;
    }
};

// The main window: its six controls in control order, with their rule texts and design rectangles.
struct MainWindow {
    std::shared_ptr<FakeWindow> window = std::make_shared<FakeWindow>();
    std::shared_ptr<FakeControl> listView, search, browse, dir, label2, label1;

    std::shared_ptr<FakeControl> add(const std::string& tag, double l, double t, double w, double h)
    {
        auto control = std::make_shared<FakeControl>();
        control->tag = tag;
        control->parent = window;
        control->rect = {{'L', l}, {'T', t}, {'W', w}, {'H', h}};
        window->controls.push_back(control);
        return control;
    }

    MainWindow()
    {
        listView = add("W=1 H=1", 120, 1320, 8055, 2295);
        search = add("X=1", 7200, 480, 975, 375);
        browse = add("X=1", 6600, 480, 495, 375);
        dir = add("W=1", 120, 480, 6375, 375);
        label2 = add("", 120, 1080, 8055, 375);
        label1 = add("", 120, 240, 4095, 255);
    }

    using Rect = std::vector<double>;
    void expectDesignGeometry() const
    {
        EXPECT_EQ(listView->geometry(), (Rect{120, 1320, 8055, 2295}));
        EXPECT_EQ(search->geometry(), (Rect{7200, 480, 975, 375}));
        EXPECT_EQ(browse->geometry(), (Rect{6600, 480, 495, 375}));
        EXPECT_EQ(dir->geometry(), (Rect{120, 480, 6375, 375}));
        EXPECT_EQ(label2->geometry(), (Rect{120, 1080, 8055, 375}));
        EXPECT_EQ(label1->geometry(), (Rect{120, 240, 4095, 255}));
    }
};

using Rect = MainWindow::Rect;

} // namespace

TEST(clsLayout, MainWindowGrowsAndShrinksBackToItsDesign)
{
    MainWindow main;
    clsLayout layout;
    ASSERT_EQ(layout.SetLayout(main.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 8430);
    EXPECT_EQ(layout.MinHeight(), 4500);
    ASSERT_EQ(layout.records().size(), 6u);
    EXPECT_EQ(layout.records()[0].hr, 1);

    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    main.expectDesignGeometry();
    EXPECT_EQ(main.label1->setsDone, 4);

    main.window->width += 600;
    main.window->height += 300;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.listView->geometry(), (Rect{120, 1320, 8655, 2595}));
    EXPECT_EQ(main.search->geometry(), (Rect{7800, 480, 975, 375}));
    EXPECT_EQ(main.browse->geometry(), (Rect{7200, 480, 495, 375}));
    EXPECT_EQ(main.dir->geometry(), (Rect{120, 480, 6975, 375}));
    EXPECT_EQ(main.label2->geometry(), (Rect{120, 1080, 8055, 375}));
    EXPECT_EQ(main.label1->geometry(), (Rect{120, 240, 4095, 255}));
    EXPECT_TRUE(main.window->widthsSet.empty());

    // Narrower than the minimum, normal state: the window is set back, and the resize event that
    // this raises runs a nested pass that must do nothing.
    int nestedResults = 0;
    main.window->onResize = [&] {
        const int before = main.listView->setsDone;
        EXPECT_EQ(layout.RedrawLayout(), LayoutError::None);
        EXPECT_EQ(main.listView->setsDone, before);
        ++nestedResults;
    };
    main.window->width = 5000;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.window->widthsSet, std::vector<double>{8430});
    EXPECT_EQ(nestedResults, 1);
    EXPECT_EQ(main.window->height, 4800);
    EXPECT_EQ(main.listView->geometry(), (Rect{120, 1320, 8055, 2595}));
    EXPECT_EQ(main.search->geometry(), (Rect{7200, 480, 975, 375}));

    // The guard is down again after the pass: the next pass works.
    main.window->onResize = nullptr;
    main.window->width = 8430 + 30;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.search->rect['L'], 7230);
}

TEST(clsLayout, WindowStatesOtherThanNormalAreNotHeldAtTheMinimum)
{
    MainWindow main;
    clsLayout layout;
    ASSERT_EQ(layout.SetLayout(main.window), LayoutError::None);

    main.window->state = 1; // minimised, reporting a tiny size
    main.window->width = 2000;
    main.window->height = 500;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_TRUE(main.window->widthsSet.empty());
    EXPECT_EQ(main.window->width, 2000);
    main.expectDesignGeometry();

    main.window->state = 2; // maximised
    main.window->width = 8430 + 1500;
    main.window->height = 4500 + 15;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.listView->geometry(), (Rect{120, 1320, 9555, 2310}));
}

TEST(clsLayout, AssignmentsAreUnroundedAndRefusalsSkippedOneAtATime)
{
    auto window = std::make_shared<FakeWindow>();
    auto make = [&](const std::string& tag, const std::string& type = "CommandButton") {
        auto control = std::make_shared<FakeControl>();
        control->tag = tag;
        control->type = type;
        control->parent = window;
        control->rect = {{'L', 100}, {'T', 200}, {'W', 1000}, {'H', 300}};
        window->controls.push_back(control);
        return control;
    };
    auto half = make("X=1/2");
    auto shrinking = make("W=-1 X=1 Y=1 H=1");
    shrinking->refuses = [](char which, double value) { return which == 'W' && value < 0; };
    auto toolbar = make("W=1 H=1", "Toolbar");
    auto menu = make("X=1");
    menu->positioned = false;

    clsLayout layout;
    ASSERT_EQ(layout.SetLayout(window), LayoutError::None);
    ASSERT_EQ(layout.records().size(), 2u) << "the tool bar and the menu entry take no part";

    window->width += 15;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(half->rect['L'], 107.5);

    window->width += 1500 - 15;
    window->height += 30;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    // The negative width is refused and the earlier width stays; the other three are set.
    EXPECT_EQ(shrinking->geometry(), (Rect{1600, 230, 985, 330}));
    EXPECT_EQ(toolbar->setsDone, 0);
    EXPECT_EQ(toolbar->geometry(), (Rect{100, 200, 1000, 300}));
}

TEST(clsLayout, RegistrationIsAllOrNothing)
{
    auto window = std::make_shared<FakeWindow>();
    auto control = std::make_shared<FakeControl>();
    control->parent = window;
    control->rect = {{'L', 120.5}, {'T', 480}, {'W', 1000}, {'H', 300}};

    clsLayout layout;
    layout.AddControl(control, "X=1");
    EXPECT_TRUE(layout.records().empty()) << "no collection before SetLayout";
    EXPECT_EQ(layout.RedrawLayout(), LayoutError::NotAttached);

    ASSERT_EQ(layout.SetLayout(window), LayoutError::None);
    for (const char* bad : {"X=1/0", "W=1 H=1/", "Y=40000", "H=1/-40000"})
        layout.AddControl(control, bad);
    control->rect['W'] = 3e9;
    layout.AddControl(control, "X=1");
    EXPECT_TRUE(layout.records().empty());

    control->rect['W'] = 1000;
    layout.AddControl(control, "X=1 Y=-1 W=3/2 H=1/4");
    ASSERT_EQ(layout.records().size(), 1u);
    const clsControl& record = layout.records()[0];
    EXPECT_EQ(record.xr, 1);
    EXPECT_EQ(record.yr, -1);
    EXPECT_EQ(record.wr, 1.5);
    EXPECT_EQ(record.hr, 0.25);
    EXPECT_EQ(record.Left, 120) << "taken from the control now, rounded half to even";
    EXPECT_EQ(record.Top, 480);
}

TEST(clsLayout, MinimumSizeAndReattaching)
{
    MainWindow main;
    clsLayout layout;
    EXPECT_EQ(layout.setMinWidth(100.5f), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 100);
    EXPECT_EQ(layout.setMinWidth(101.5f), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 102);
    EXPECT_EQ(layout.setMinHeight(3e9f), LayoutError::Overflow);
    EXPECT_EQ(layout.setMinWidth(-2147483648.0f), LayoutError::None);
    EXPECT_EQ(layout.setMinWidth(2147483648.0f), LayoutError::Overflow);
    EXPECT_EQ(layout.MinWidth(), -2147483648.0f);
    EXPECT_EQ(layout.MinHeight(), 0);

    ASSERT_EQ(layout.SetLayout(main.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 8430) << "SetLayout overwrites an earlier minimum";

    // A minimum above the design width is both the floor and the reference.
    ASSERT_EQ(layout.setMinWidth(9430), LayoutError::None);
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.window->width, 9430);
    EXPECT_EQ(main.search->rect['L'], 7200);
    main.window->width = 9430 + 90;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.search->rect['L'], 7290);

    // Re-attached while the window is wider: the current size and rectangles become the reference.
    ASSERT_EQ(layout.SetLayout(main.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 9520);
    ASSERT_EQ(layout.records().size(), 6u);
    EXPECT_EQ(layout.records()[1].Left, 7290);
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.search->rect['L'], 7290);
    EXPECT_EQ(main.dir->rect['W'], 6375 + 90);

    // A window that can no longer be read ends the pass with an error, and the guard comes down.
    main.window->readable = false;
    EXPECT_EQ(layout.RedrawLayout(), LayoutError::MissingProperty);
    main.window->readable = true;
    main.window->width = 9520 + 15;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(main.search->rect['L'], 7305);
}
