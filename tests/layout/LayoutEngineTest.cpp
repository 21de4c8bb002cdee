// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: registering controls and the resize pass, against a fake window.
#include "layout/clsLayout.h"
#include "layout/LayoutControl.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

using namespace dirlix;

namespace {

using Rect = std::array<double, 4>; // left, top, width, height in twips

class FakeWindow : public LayoutWindow {
public:
    double width = 8430;
    double height = 4500;
    int state = 0;
    bool readable = true;
    std::vector<std::shared_ptr<LayoutControl>> controls;
    std::function<void()> onResize; // runs inside setWidth/setHeight, as a window's resize event does
    std::vector<double> widthsSet;

    std::optional<double> Width() const override { return readable ? std::optional(width) : std::nullopt; }
    std::optional<double> Height() const override { return readable ? std::optional(height) : std::nullopt; }
    bool setWidth(double twips) override
    {
        widthsSet.push_back(width = twips);
        return resized();
    }
    bool setHeight(double twips) override
    {
        height = twips;
        return resized();
    }
    std::optional<int> WindowState() const override { return state; }
    std::vector<std::shared_ptr<LayoutControl>> Controls() const override { return controls; }

private:
    bool resized()
    {
        if (onResize)
            onResize();
        return true;
    }
};

class FakeControl : public LayoutControl {
public:
    std::string type = "CommandButton";
    std::string tag;
    std::weak_ptr<LayoutWindow> parent;
    bool positioned = true; // false for a menu entry
    Rect rect{};
    bool refusesNegativeWidth = false;
    int setsDone = 0;

    std::string typeName() const override { return type; }
    std::string Tag() const override { return tag; }
    std::shared_ptr<LayoutWindow> Parent() const override { return parent.lock(); }
    std::optional<double> Left() const override { return get(0); }
    std::optional<double> Top() const override { return get(1); }
    std::optional<double> Width() const override { return get(2); }
    std::optional<double> Height() const override { return get(3); }
    bool setLeft(double v) override { return set(0, v); }
    bool setTop(double v) override { return set(1, v); }
    bool setWidth(double v) override { return set(2, v); }
    bool setHeight(double v) override { return set(3, v); }

private:
    std::optional<double> get(int side) const { return positioned ? std::optional(rect[side]) : std::nullopt; }
    bool set(int side, double value)
    {
        if (!positioned || (refusesNegativeWidth && side == 2 && value < 0))
            return false;
        rect[side] = value;
        ++setsDone;
        return true;
    }
};

// A window of 8430 x 4500 twips and the controls added to it, in control order.
struct Form {
    std::shared_ptr<FakeWindow> window = std::make_shared<FakeWindow>();

    std::shared_ptr<FakeControl> add(const std::string& tag, Rect rect, const std::string& type = "CommandButton")
    {
        auto control = std::make_shared<FakeControl>();
        control->tag = tag;
        control->type = type;
        control->parent = window;
        control->rect = rect;
        window->controls.push_back(control);
        return control;
    }
};

} // namespace

TEST(clsLayout, GrowthMovesAndStretchesAndTheMinimumHolds)
{
    Form form;
    auto list = form.add("W=1 H=1", {120, 1320, 8055, 2295});
    auto search = form.add("X=1", {7200, 480, 975, 375});
    clsLayout layout;
    ASSERT_EQ(layout.SetLayout(form.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 8430);
    EXPECT_EQ(layout.MinHeight(), 4500);

    form.window->width += 600;
    form.window->height += 300;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(list->rect, (Rect{120, 1320, 8655, 2595}));
    EXPECT_EQ(search->rect, (Rect{7800, 480, 975, 375}));
    EXPECT_EQ(search->setsDone, 4) << "a side without a factor is set as well";
    EXPECT_TRUE(form.window->widthsSet.empty());

    // Minimised, reporting a tiny size: the window is left alone and shrinking counts as no growth.
    form.window->state = 1;
    form.window->width = 2000;
    form.window->height = 500;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_TRUE(form.window->widthsSet.empty());
    EXPECT_EQ(list->rect, (Rect{120, 1320, 8055, 2295}));

    // Narrower than the minimum in the normal state: the window is set back, and the resize event
    // that this raises runs a nested pass that must do nothing.
    int nestedPasses = 0;
    form.window->onResize = [&] {
        const int before = list->setsDone;
        EXPECT_EQ(layout.RedrawLayout(), LayoutError::None);
        EXPECT_EQ(list->setsDone, before);
        ++nestedPasses;
    };
    form.window->state = 0;
    form.window->width = 5000;
    form.window->height = 4800;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(form.window->widthsSet, std::vector<double>{8430});
    EXPECT_EQ(nestedPasses, 1);
    EXPECT_EQ(list->rect, (Rect{120, 1320, 8055, 2595}));
    EXPECT_EQ(search->rect[0], 7200);

    // The guard is down again after the pass: the next pass works.
    form.window->onResize = nullptr;
    form.window->width = 8430 + 30;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(search->rect[0], 7230);
}

TEST(clsLayout, AssignmentsAreUnroundedAndRefusalsSkippedOneAtATime)
{
    Form form;
    const Rect design{100, 200, 1000, 300};
    auto half = form.add("X=1/2", design);
    auto shrinking = form.add("W=-1 X=1 Y=1 H=1", design);
    shrinking->refusesNegativeWidth = true;
    auto toolbar = form.add("W=1 H=1", design, "Toolbar");
    form.add("X=1", design)->positioned = false; // a menu entry

    clsLayout layout;
    ASSERT_EQ(layout.SetLayout(form.window), LayoutError::None);
    ASSERT_EQ(layout.records().size(), 2u) << "the tool bar and the menu entry take no part";

    form.window->width += 15;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(half->rect[0], 107.5);

    form.window->width += 1500 - 15;
    form.window->height += 30;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    // The negative width is refused and the earlier width stays; the other three are set.
    EXPECT_EQ(shrinking->rect, (Rect{1600, 230, 985, 330}));
    EXPECT_EQ(toolbar->setsDone, 0);
}

TEST(clsLayout, RegistrationIsAllOrNothing)
{
    Form form;
    auto control = form.add("", {120.5, 480, 1000, 300});

    clsLayout layout;
    layout.AddControl(control, "X=1");
    EXPECT_TRUE(layout.records().empty()) << "no collection before SetLayout";
    EXPECT_EQ(layout.RedrawLayout(), LayoutError::NotAttached);
    ASSERT_EQ(layout.SetLayout(form.window), LayoutError::None);
    ASSERT_EQ(layout.records().size(), 1u);

    for (const char* bad : {"X=1/0", "W=1 H=1/", "Y=40000", "H=1/-40000"})
        layout.AddControl(control, bad);
    control->rect[2] = 3e9;
    layout.AddControl(control, "X=1");
    ASSERT_EQ(layout.records().size(), 1u);

    control->rect[2] = 1000;
    layout.AddControl(control, "X=1 Y=-1 W=3/2 H=1/4");
    ASSERT_EQ(layout.records().size(), 2u);
    const clsControl& record = layout.records()[1];
    EXPECT_EQ((std::array{record.xr, record.yr, record.wr, record.hr}), (std::array{1.0, -1.0, 1.5, 0.25}));
    EXPECT_EQ(record.Left, 120) << "taken from the control now, rounded half to even";
    EXPECT_EQ(record.Top, 480);
}

TEST(clsLayout, MinimumSizeAndReattaching)
{
    Form form;
    auto search = form.add("X=1", {7200, 480, 975, 375});
    auto dir = form.add("W=1", {120, 480, 6375, 375});
    clsLayout layout;
    // Rounded half to even; a value outside 32 bits is refused and the one before kept.
    EXPECT_EQ(layout.setMinWidth(100.5f), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 100);
    EXPECT_EQ(layout.setMinWidth(101.5f), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 102);
    EXPECT_EQ(layout.setMinWidth(-2147483648.0f), LayoutError::None);
    EXPECT_EQ(layout.setMinWidth(2147483648.0f), LayoutError::Overflow);
    EXPECT_EQ(layout.MinWidth(), -2147483648.0f);
    EXPECT_EQ(layout.setMinHeight(3e9f), LayoutError::Overflow);
    EXPECT_EQ(layout.MinHeight(), 0);

    ASSERT_EQ(layout.SetLayout(form.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 8430) << "SetLayout overwrites an earlier minimum";

    // A minimum above the design width is both the floor and the reference.
    ASSERT_EQ(layout.setMinWidth(9430), LayoutError::None);
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(form.window->width, 9430);
    EXPECT_EQ(search->rect[0], 7200);
    form.window->width = 9430 + 90;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(search->rect[0], 7290);

    // Re-attached while the window is wider: the current size and rectangles become the reference.
    ASSERT_EQ(layout.SetLayout(form.window), LayoutError::None);
    EXPECT_EQ(layout.MinWidth(), 9520);
    ASSERT_EQ(layout.records().size(), 2u);
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(search->rect[0], 7290);
    EXPECT_EQ(dir->rect[2], 6375 + 90);

    // A window that can no longer be read ends the pass with an error, and the guard comes down.
    form.window->readable = false;
    EXPECT_EQ(layout.RedrawLayout(), LayoutError::MissingProperty);
    form.window->readable = true;
    form.window->width = 9520 + 15;
    ASSERT_EQ(layout.RedrawLayout(), LayoutError::None);
    EXPECT_EQ(search->rect[0], 7305);
}
