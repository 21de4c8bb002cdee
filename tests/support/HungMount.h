// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: a mounted FUSE file system with a folder that does not answer until released.
#pragma once

#include <QProcess>
#include <QString>

#include <string>

namespace dirlix::test {

/**
 * Mounts hung_fs.py (next to this header) at @p folder/mnt: the folders t0, t1 and t2, each with
 * the files a.txt and b.txt and the folder hang/ whose listing waits until release(). Give each
 * walk that must block a folder of its own: the kernel lets one reader at a time list a folder.
 * Check ready() first and skip the test with problem() when it is false: FUSE needs /dev/fuse and
 * the right to mount.
 * Destruction releases every waiting reader, unmounts (lazily) and ends the helper, each under
 * a timeout, so that a failed test never leaves a hung mount or a hung test behind.
 */
class HungMount {
public:
    explicit HungMount(const std::string& folder);
    ~HungMount();
    HungMount(const HungMount&) = delete;
    HungMount& operator=(const HungMount&) = delete;

    bool ready() const { return mReady; }
    /** Why the file system could not be mounted. */
    QString problem() const { return mProblem; }
    /** The folder tN (@p n is 0, 1 or 2), without a trailing separator. */
    std::string folder(int n) const { return mMountPoint + "/t" + std::to_string(n); }

    /** Waits up to @p timeoutMs for a reader to wait in tN/hang; true when one does. */
    bool blocked(int n, int timeoutMs);
    /** Lets every waiting and future reader of hang/ through. */
    void release();

private:
    std::string mControl;
    std::string mMountPoint;
    QProcess mHelper;
    bool mReady = false;
    QString mProblem;
};

/** Waits up to @p timeoutMs for the process @p pid to end: reaped, or its main thread gone (a zombie). */
bool processEnded(qint64 pid, int timeoutMs);

} // namespace dirlix::test
