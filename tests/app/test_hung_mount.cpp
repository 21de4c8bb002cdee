// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the window and the command line on a file system that stops answering.
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "search/FixtureTree.h"
#include "search/WalkHandOff.h"

#include <QElapsedTimer>
#include <QThread>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {
// The bound on "at once": far above what ending takes, far below never.
constexpr int kEndsMs = 5000;

bool exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// Waits up to @p timeoutMs for @p done to hold.
template <typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

/**
 * tests/support/hung_fs.py mounted at FOLDER/mnt: the folders t0, t1 and t2, each with a.txt,
 * b.txt and the folder hang/, whose listing waits until release(). Each walk that must block
 * gets a tN of its own: the kernel lets one reader at a time list a folder. Destruction releases
 * the readers, unmounts and ends the helper, each under a timeout, so that a failed test leaves
 * no hung mount or test behind.
 */
class HungMount {
public:
    explicit HungMount(const std::string& folder) : mControl(folder + "/control"), mMount(folder + "/mnt")
    {
        makeDirs(mControl);
        makeDirs(mMount);
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            problem = QStringLiteral("/dev/fuse is missing or not usable here");
            return;
        }
        // The system's interpreter, which has the Debian FUSE bindings (a user's own Python may not).
        mHelper.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(DIRLIX_TEST_SUPPORT "/hung_fs.py"),
                                                           QString::fromStdString(mMount), QString::fromStdString(mControl)});
        waitFor([&] { return exists(mControl + "/ready") || mHelper.waitForFinished(20); }, 10000);
        ready = exists(mControl + "/ready");
        if (!ready)
            problem = QStringLiteral("cannot mount a FUSE file system here (needs fuse3, python3-fuse and the right "
                                     "to mount): ") + QString::fromLocal8Bit(mHelper.readAllStandardError()).trimmed();
    }
    ~HungMount()
    {
        release();
        if (mHelper.state() == QProcess::NotRunning)
            return;
        QProcess unmount;
        unmount.start(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), QString::fromStdString(mMount)});
        if (!unmount.waitForFinished(5000))
            unmount.kill();
        mHelper.terminate();
        if (!mHelper.waitForFinished(5000))
            mHelper.kill();
    }

    QString folder(int n) const { return QString::fromStdString(mMount + "/t" + std::to_string(n)); }
    /** Waits for a reader to wait in tN/hang. */
    bool blocked(int n) const { return waitFor([&] { return exists(mControl + "/blocked-t" + std::to_string(n)); }, 10000); }
    void release() const
    {
        if (ready)
            writeFile(mControl + "/release");
    }

    bool ready = false;
    QString problem;

private:
    std::string mControl, mMount;
    QProcess mHelper;
};

// Whether the process @p pid ends within kEndsMs: reaped, or its main thread gone (a zombie
// that the kernel keeps until a thread blocked in the file system returns).
bool processEnds(qint64 pid)
{
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    return waitFor(
        [&] {
            std::ifstream in(stat);
            std::stringstream text;
            text << in.rdbuf();
            const std::string line = text.str();
            const std::size_t close = line.rfind(')'); // the state follows the name, which may hold anything
            return !in || close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z';
        },
        kEndsMs);
}

// Starts @p program with @p arguments; true once its walk waits in the hung folder of tN.
bool startBlocked(QProcess& process, const HungMount& fs, int n, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments);
    return process.waitForStarted(5000) && fs.blocked(n);
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
        if (!fs.ready)
            QSKIP(qPrintable(fs.problem));

        // File, Exit with the walk blocked ends the program: its main thread is gone at once,
        // the blocked thread left to the kernel until the file system answers.
        window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QVERIFY(startBlocked(window, fs, 0, QStringLiteral(DIRLIX_HUNG_WINDOW_CHILD),
                             {fs.folder(0), QString::fromStdString(tmp / "control/blocked-t0")}));
        QVERIFY(window.waitForReadyRead(10000));
        QCOMPARE(window.readAll().trimmed(), QByteArray("exit"));
        QVERIFY2(processEnds(window.processId()), "File, Exit waited for a walk the file system holds");

        // Ctrl+C ends the command-line lister on the hung folder the same way.
        lister.setStandardOutputFile(QProcess::nullDevice());
        QVERIFY(startBlocked(lister, fs, 1, QStringLiteral(DIRLIX_LIST_PROGRAM), {fs.folder(1)}));
        ::kill(pid_t(lister.processId()), SIGINT);
        QVERIFY2(processEnds(lister.processId()), "Ctrl+C did not end dirlix-list on a hung folder");

        // In the window: Stop ends the search at once and keeps the rows found; another folder
        // can be searched, and the old walk's late rows never reach its list.
        frmMain w;
        QSignalSpy finished(w.search(), &SearchController::finished);
        w.txtDir->setText(fs.folder(2));
        w.cmdSearch->click();
        QVERIFY(fs.blocked(2));
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
