// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a desktop opener that records the targets instead of opening them.
#pragma once

#include "product/DesktopOpener.h"

#include <QStringList>

namespace dirlix::test {

/** Stands in for the real desktop for its lifetime; open() records the target and returns @p result. */
class DesktopRecorder final : public DesktopOpener {
public:
    explicit DesktopRecorder(bool result = true) : mResult(result) { setDesktopOpener(this); }
    ~DesktopRecorder() override { setDesktopOpener(nullptr); }
    DesktopRecorder(const DesktopRecorder&) = delete;
    DesktopRecorder& operator=(const DesktopRecorder&) = delete;

    bool open(const QString& target) override
    {
        targets.append(target);
        return mResult;
    }

    /** Records @p path in targets and in texts too. */
    bool openText(const QString& path) override
    {
        texts.append(path);
        return open(path);
    }

    QStringList targets; ///< every target handed over, oldest first
    QStringList texts;   ///< those of them handed over as text files for the text editor

private:
    bool mResult;
};

} // namespace dirlix::test
