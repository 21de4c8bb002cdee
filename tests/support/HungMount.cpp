// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the hung FUSE mount and its cleanup.
#include "support/HungMount.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace dirlix::test {

namespace {
bool exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// Runs @p program with @p arguments, killing it after @p timeoutMs.
void runBounded(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
    }
}
} // namespace

HungMount::HungMount(const std::string& folder) : mControl(folder + "/control"), mMountPoint(folder + "/mnt")
{
    makeDirs(mControl);
    makeDirs(mMountPoint);
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        mProblem = QStringLiteral("/dev/fuse is missing or not usable here");
        return;
    }
    // The system's interpreter, which has the Debian FUSE bindings (a user's own Python may not).
    mHelper.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(DIRLIX_TEST_SUPPORT "/hung_fs.py"), QString::fromStdString(mMountPoint),
                   QString::fromStdString(mControl)});
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (exists(mControl + "/ready")) {
            mReady = true;
            return;
        }
        if (mHelper.waitForFinished(20) || mHelper.state() == QProcess::NotRunning)
            break;
    }
    mProblem = QStringLiteral("the FUSE helper did not mount (needs fuse3 and python3-fuse, and the right to mount): ") +
               QString::fromLocal8Bit(mHelper.readAllStandardError()).trimmed();
}

HungMount::~HungMount()
{
    release();
    if (mHelper.state() != QProcess::NotRunning) {
        runBounded(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"),
                                                     QString::fromStdString(mMountPoint)}, 5000);
        mHelper.terminate();
        if (!mHelper.waitForFinished(5000)) {
            mHelper.kill();
            mHelper.waitForFinished(1000);
        }
    }
}

bool HungMount::blocked(int n, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!exists(mControl + "/blocked-t" + std::to_string(n))) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

void HungMount::release()
{
    if (mReady)
        writeFile(mControl + "/release");
}

bool processEnded(qint64 pid, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    for (;;) {
        std::ifstream in(stat);
        std::stringstream text;
        text << in.rdbuf();
        const std::string line = text.str();
        // The state follows the command name, which is in parentheses and may hold any byte.
        const std::size_t close = line.rfind(')');
        if (!in || close == std::string::npos || close + 2 >= line.size())
            return true;
        const char state = line[close + 2];
        if (state == 'Z' || state == 'X')
            return true;
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
}

} // namespace dirlix::test
