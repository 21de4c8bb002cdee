// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the window and the command line on a file system that stops answering.
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "search/FixtureTree.h"
#include "search/WalkHandOff.h"
#include "support/HungMount.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace dirlix;
using namespace dirlix::test;

namespace {
// The bound on "at once": far above what ending takes, far below never.
constexpr int kEndsMs = 5000;

// Starts @p program with @p arguments; true once its walk waits in the hung folder of tN.
bool startBlocked(QProcess& process, HungMount& fs, int n, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments);
    return process.waitForStarted(5000) && fs.blocked(n, 10000);
}
} // namespace

class TestHungMount : public QObject {
    Q_OBJECT
private slots:
    void hungFolderNeverHoldsTheWindowOrTheProgram()
    {
        TempDir tmp;
        makeDirs(tmp / "other/sub");
        writeFile(tmp / "other/one.txt", "1");
        writeFile(tmp / "other/sub/two.txt", "2");
        // Ended after the mount is released, or their blocked threads would hold them.
        QProcess window, lister;
        HungMount fs(tmp.path());
        if (!fs.ready())
            QSKIP(qPrintable(fs.problem()));
        const auto folder = [&](int n) { return QString::fromStdString(fs.folder(n)); };

        // File, Exit with the walk blocked ends the program: its main thread is gone at once,
        // the blocked thread left to the kernel until the file system answers.
        window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QVERIFY(startBlocked(window, fs, 0, QStringLiteral(DIRLIX_HUNG_WINDOW_CHILD),
                             {folder(0), QString::fromStdString(tmp / "control/blocked-t0")}));
        QVERIFY(window.waitForReadyRead(10000));
        QCOMPARE(window.readAll().trimmed(), QByteArray("exit"));
        QVERIFY2(processEnded(window.processId(), kEndsMs), "File, Exit waited for a walk the file system holds");

        // Ctrl+C ends the command-line lister on the hung folder the same way.
        lister.setStandardOutputFile(QProcess::nullDevice());
        QVERIFY(startBlocked(lister, fs, 1, QStringLiteral(DIRLIX_LIST_PROGRAM), {folder(1)}));
        ::kill(pid_t(lister.processId()), SIGINT);
        QVERIFY2(processEnded(lister.processId(), kEndsMs), "Ctrl+C did not end dirlix-list on a hung folder");

        // In the window: Stop ends the search at once and keeps the rows found; another folder
        // can be searched, and the old walk's late rows never reach its list.
        frmMain w;
        QSignalSpy finished(w.search(), &SearchController::finished);
        w.txtDir->setText(folder(2));
        w.cmdSearch->click();
        QVERIFY(fs.blocked(2, 10000));
        QTRY_COMPARE_WITH_TIMEOUT(w.model()->rowCount(), 2, kEndsMs); // a.txt and b.txt, before hang/
        QVERIFY(w.search()->isRunning());
        w.stopButton()->click();
        QVERIFY2(finished.wait(kEndsMs), "Stop waited for a walk the file system holds");
        QVERIFY2(w.statusText()->text().startsWith(QStringLiteral("Stopped")), qPrintable(w.statusText()->text()));
        QVERIFY(w.search()->lastSummary().abandoned);
        QVERIFY(w.stopButton()->isHidden());
        QCOMPARE(w.model()->rowCount(), 2);

        w.txtDir->setText(QString::fromStdString(tmp / "other"));
        w.cmdSearch->click();
        QVERIFY(finished.wait(kEndsMs));
        QCOMPARE(pathsOf(w.model()->list()),
                 (std::vector<std::string>{tmp / "other/one.txt", tmp / "other/sub/two.txt"}));
        QVERIFY(!w.search()->lastSummary().stopped);

        // Released, the old walks end on their own; nothing of theirs reaches the list.
        fs.release();
        QVERIFY(BackgroundWalk::waitForAbandoned(std::chrono::milliseconds(kEndsMs)));
        QTest::qWait(300);
        QCOMPARE(w.model()->rowCount(), 2);
        QCOMPARE(finished.count(), 2);
        QVERIFY(window.state() == QProcess::NotRunning || window.waitForFinished(kEndsMs));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 0);
        QVERIFY(lister.state() == QProcess::NotRunning || lister.waitForFinished(kEndsMs));
        QCOMPARE(lister.exitStatus(), QProcess::CrashExit); // by the signal
    }
};

QTEST_MAIN(TestHungMount)
#include "test_hung_mount.moc"
