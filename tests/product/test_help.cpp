// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: BrowseTo and the Help menu commands, through a recording desktop.
#include "product/DesktopRecorder.h"
#include "product/HelpCommands.h"
#include "product/HelpPages.h"
#include "product/Version.h"
#include "product/modBrowseTo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

using namespace dirlix;

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    // Catches a hand-over that waits for or depends on the outcome, or opens twice.
    void browseToHandsOverOnceAndIgnoresFailure()
    {
        test::DesktopRecorder failing(false);
        const QStringList targets{"/no/such/page.html", "https://example.org/a b"};
        for (const QString& target : targets)
            modBrowseTo::BrowseTo(target);
        QCOMPARE(failing.targets, targets);
    }

    // Catches a command that opens the wrong page (FAQ and Support swapped, Contents not the
    // local index page) or opens it more than once.
    void eachHelpCommandOpensItsPageOnce()
    {
        // The test program has no Help folder beside it, so the installed place is expected.
        const QString appDir = QCoreApplication::applicationDirPath();
        QVERIFY(!QFileInfo::exists(appDir + "/Help"));
        auto page = [&](const char* name) { return QDir::cleanPath(appDir + "/../share/dirlix-pro/Help/" + name); };
        auto address = [&](const char* configured, const char* name) {
            return QString::fromStdString(*configured ? configured : FileUrl(page(name).toStdString()));
        };

        test::DesktopRecorder recorder;
        mnuHelpContents_Click();
        mnuHelpFAQ_Click();
        mnuHelpSupport_Click();
        // Contents opens a local path, as the desktop takes it; the others an address.
        QCOMPARE(recorder.targets, (QStringList{page("index.html"), address(kFaqUrl, "faq.html"),
                                                address(kSupportUrl, "support.html")}));
    }
};

QTEST_GUILESS_MAIN(TestHelp)
#include "test_help.moc"
