// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the layout engine that keeps a window's controls placed as the window is resized.
#include "layout/clsLayout.h"

#include "layout/GetOptionValue.h"
#include "layout/LayoutControl.h"
#include "layout/LayoutNumbers.h"

#include <cmath>

namespace dirlix {

namespace {

// A control's growth: negative growth (a window below its reference size) counts as none.
LayoutResult<std::int32_t> growth(const std::optional<double>& current, std::int32_t reference)
{
    if (!current)
        return LayoutError::MissingProperty;
    const LayoutResult<std::int32_t> rounded = roundToInt32(*current - static_cast<double>(reference));
    if (!rounded.ok())
        return rounded.error();
    return rounded.value() < 0 ? 0 : rounded.value();
}

// One assignment of a pass. A value that is not a number is skipped like a refused one.
void assign(LayoutControl& control, bool (LayoutControl::*setter)(double), double factor, std::int32_t grown,
            std::int32_t registered)
{
    const double value = factor * grown + registered;
    if (std::isfinite(value))
        (control.*setter)(value);
}

} // namespace

float clsLayout::MinWidth() const { return static_cast<float>(mMinWidth); }

LayoutError clsLayout::setMinWidth(float Twips)
{
    const LayoutResult<std::int32_t> rounded = roundToInt32(Twips);
    if (rounded.ok())
        mMinWidth = rounded.value();
    return rounded.error();
}

float clsLayout::MinHeight() const { return static_cast<float>(mMinHeight); }

LayoutError clsLayout::setMinHeight(float Twips)
{
    const LayoutResult<std::int32_t> rounded = roundToInt32(Twips);
    if (rounded.ok())
        mMinHeight = rounded.value();
    return rounded.error();
}

LayoutError clsLayout::SetLayout(std::shared_ptr<LayoutWindow> frm)
{
    if (!frm)
        return LayoutError::NotAttached;
    const std::optional<double> width = frm->Width();
    const std::optional<double> height = frm->Height();
    if (!width || !height)
        return LayoutError::MissingProperty;
    const LayoutResult<std::int32_t> minWidth = roundToInt32(*width);
    const LayoutResult<std::int32_t> minHeight = roundToInt32(*height);
    if (!minWidth.ok())
        return minWidth.error();
    if (!minHeight.ok())
        return minHeight.error();

    mForm = std::move(frm);
    mMinWidth = minWidth.value();
    mMinHeight = minHeight.value();
    mControls.clear();
    mHasCollection = true;
    for (const std::shared_ptr<LayoutControl>& control : mForm->Controls()) {
        // A tool bar places itself; moving it would fight the window system.
        if (control && control->typeName() != "Toolbar")
            AddControl(control, control->Tag());
    }
    return LayoutError::None;
}

LayoutError clsLayout::RedrawLayout()
{
    if (!mForm)
        return LayoutError::NotAttached;
    // Setting the window's size below raises its resize event, whose handler calls us again:
    // the pass already running does the work.
    if (mInRedraw)
        return LayoutError::None;
    mInRedraw = true;
    // Cleared on every way out, errors included, so that one failed pass does not stop all
    // later ones.
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{mInRedraw};

    // Keep the window itself alive for the pass, even if a nested event re-attaches the engine.
    const std::shared_ptr<LayoutWindow> form = mForm;
    const std::optional<int> state = form->WindowState();
    if (!state)
        return LayoutError::MissingProperty;
    if (*state == 0) {
        const std::optional<double> width = form->Width();
        if (!width)
            return LayoutError::MissingProperty;
        if (*width < mMinWidth && !form->setWidth(mMinWidth))
            return LayoutError::RefusedValue;
        const std::optional<double> height = form->Height();
        if (!height)
            return LayoutError::MissingProperty;
        if (*height < mMinHeight && !form->setHeight(mMinHeight))
            return LayoutError::RefusedValue;
    }

    std::int32_t dx = 0;
    std::int32_t dy = 0;
    // By index, with a copy of each record: a handler run by a control's change could add
    // records or re-attach the engine while we walk.
    for (std::size_t i = 0; i < mControls.size(); ++i) {
        const clsControl record = mControls[i];
        if (dx == 0 || dy == 0) {
            const std::shared_ptr<LayoutWindow> parent = record.ctrl->Parent();
            if (!parent)
                return LayoutError::MissingProperty;
            if (dx == 0) {
                const LayoutResult<std::int32_t> grown = growth(parent->Width(), mMinWidth);
                if (!grown.ok())
                    return grown.error();
                dx = grown.value();
            }
            if (dy == 0) {
                const LayoutResult<std::int32_t> grown = growth(parent->Height(), mMinHeight);
                if (!grown.ok())
                    return grown.error();
                dy = grown.value();
            }
        }
        LayoutControl& control = *record.ctrl;
        assign(control, &LayoutControl::setLeft, record.xr, dx, record.Left);
        assign(control, &LayoutControl::setTop, record.yr, dy, record.Top);
        assign(control, &LayoutControl::setWidth, record.wr, dx, record.Width);
        assign(control, &LayoutControl::setHeight, record.hr, dy, record.Height);
    }
    return LayoutError::None;
}

void clsLayout::AddControl(const std::shared_ptr<LayoutControl>& ctrl, std::string_view pOpts)
{
    if (!mHasCollection || !ctrl)
        return;
    clsControl record;
    record.ctrl = ctrl;

    auto readFactor = [&](std::string_view key, double& factor) {
        const LayoutResult<double> value = GetOptionValue(key, pOpts);
        if (value.ok())
            factor = value.value();
        return value.ok();
    };
    if (!readFactor("X=", record.xr) || !readFactor("Y=", record.yr) || !readFactor("W=", record.wr)
        || !readFactor("H=", record.hr))
        return;

    // Read in this order, each only once the one before it succeeded.
    auto takeLength = [](const std::optional<double>& value, std::int32_t& field) {
        if (!value)
            return false;
        const LayoutResult<std::int32_t> rounded = roundToInt32(*value);
        if (rounded.ok())
            field = rounded.value();
        return rounded.ok();
    };
    if (!takeLength(ctrl->Left(), record.Left) || !takeLength(ctrl->Top(), record.Top)
        || !takeLength(ctrl->Width(), record.Width) || !takeLength(ctrl->Height(), record.Height))
        return;
    mControls.push_back(std::move(record));
}

} // namespace dirlix
