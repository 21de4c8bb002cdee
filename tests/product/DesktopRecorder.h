// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a desktop opener that records the targets instead of opening them.
#pragma once

#include "product/DesktopOpener.h"

#include <QStringList>

namespace dirlix::test {

/**
 * Puts itself in place of the real desktop for its lifetime and records every target handed
 * over, in order. open() returns @p result, so a test can play a desktop that fails.
 */
class DesktopRecorder final : public DesktopOpener {
public:
    explicit DesktopRecorder(bool result = true)
        : mResult(result)
    {
        setDesktopOpener(this);
    }
    ~DesktopRecorder() override { setDesktopOpener(nullptr); }
    DesktopRecorder(const DesktopRecorder&) = delete;
    DesktopRecorder& operator=(const DesktopRecorder&) = delete;

    bool open(const QString& target) override
    {
        targets.append(target);
        return mResult;
    }

    /** Every target handed over, oldest first. */
    QStringList targets;

private:
    bool mResult;
};

} // namespace dirlix::test
