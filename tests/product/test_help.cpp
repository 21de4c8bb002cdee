// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: BrowseTo and the Help menu commands, through a recording desktop.
#include "product/DesktopRecorder.h"
#include "product/AppProduct.h"
#include "product/HelpCommands.h"
#include "product/Version.h"
#include "product/modBrowseTo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QtTest>

using namespace dirlix;

class TestHelp : public QObject {
    Q_OBJECT

private:
    // The test program has no Help folder beside it, so the installed place is expected.
    static QString expectedPage(const QString& page)
    {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/../share/dirlix-pro/Help/") + page);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/Help")).exists());
    }

    // Catches a hand-over that waits for or depends on the outcome, or opens twice.
    void browseToHandsOverOnceAndIgnoresFailure()
    {
        test::DesktopRecorder failing(false);
        modBrowseTo::BrowseTo(QStringLiteral("/no/such/page.html"));
        modBrowseTo::BrowseTo(QStringLiteral("https://example.org/a b"));
        QCOMPARE(failing.targets, (QStringList{QStringLiteral("/no/such/page.html"),
                                               QStringLiteral("https://example.org/a b")}));
    }

    // Catches a command that opens the wrong page (FAQ and Support swapped, Contents not the
    // local index page) or opens it more than once.
    void eachHelpCommandOpensItsPageOnce_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("page");
        QTest::newRow("Contents") << 0 << QString() << QStringLiteral("index.html");
        QTest::newRow("FAQ") << 1 << QString::fromUtf8(kFaqUrl) << QStringLiteral("faq.html");
        QTest::newRow("Support") << 2 << QString::fromUtf8(kSupportUrl) << QStringLiteral("support.html");
    }

    void eachHelpCommandOpensItsPageOnce()
    {
        QFETCH(int, command);
        QFETCH(QString, configured);
        QFETCH(QString, page);
        test::DesktopRecorder recorder;
        void (*const commands[])() = {mnuHelpContents_Click, mnuHelpFAQ_Click, mnuHelpSupport_Click};
        commands[command]();
        QCOMPARE(recorder.targets.size(), 1);
        const QString target = recorder.targets.front();
        if (command == 0) {
            QCOMPARE(target, expectedPage(page)); // a local path, as the desktop takes it
        } else if (!configured.isEmpty()) {
            QCOMPARE(target, configured);
        } else {
            const QUrl url(target);
            QCOMPARE(url.scheme(), QStringLiteral("file"));
            QCOMPARE(url.toLocalFile(), expectedPage(page));
        }
    }
};

QTEST_GUILESS_MAIN(TestHelp)
#include "test_help.moc"
