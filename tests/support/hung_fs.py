# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: a FUSE file system whose folder "hang" does not answer a listing until released.
#
# Usage: /usr/bin/python3 hung_fs.py MOUNTPOINT CONTROL_FOLDER
# The tree: the folders t0, t1 and t2, each holding a.txt, b.txt and the folder hang/ (holding
# x.txt). Reading a hang/ folder waits until the file CONTROL_FOLDER/release exists;
# CONTROL_FOLDER/blocked-tN appears once a reader waits in tN/hang, and CONTROL_FOLDER/ready once
# the file system is mounted. Each walk that must block gets its own tN: the kernel lets only one
# reader at a time list a folder here, so a second reader of the same hang/ would wait before it
# ever reached this program. Runs in the foreground; it releases every reader and unmounts itself
# when its parent goes away or after a minute, so that a test that died never leaves a hung mount.
import errno
import os
import stat
import subprocess
import sys
import threading
import time

import fuse

fuse.fuse_python_api = (0, 2)

TOPS = ["t0", "t1", "t2"]
FILES = {}
FOLDERS = {"/": TOPS}
for top in TOPS:
    FILES.update({f"/{top}/a.txt": b"alpha\n", f"/{top}/b.txt": b"beta\n", f"/{top}/hang/x.txt": b"late\n"})
    FOLDERS.update({f"/{top}": ["a.txt", "b.txt", "hang"], f"/{top}/hang": ["x.txt"]})
LIFETIME_S = 60


class HungFs(fuse.Fuse):
    def __init__(self, mountpoint, control, **kwargs):
        super().__init__(**kwargs)
        self.mountpoint = mountpoint
        self.control = control
        self.parent = os.getppid()
        self.released = threading.Event()

    def mark(self, name):
        with open(os.path.join(self.control, name), "w"):
            pass

    def fsinit(self):
        threading.Thread(target=self.watch, daemon=True).start()
        self.mark("ready")

    def watch(self):
        started = time.monotonic()
        while True:
            if os.path.exists(os.path.join(self.control, "release")):
                self.released.set()
            if os.getppid() != self.parent or time.monotonic() - started > LIFETIME_S:
                self.released.set()
                subprocess.run(["fusermount", "-u", "-z", self.mountpoint], check=False)
                return
            time.sleep(0.02)

    def getattr(self, path):
        st = fuse.Stat()
        st.st_nlink = 1
        st.st_mtime = st.st_atime = st.st_ctime = 1_600_000_000
        if path in FOLDERS:
            st.st_mode = stat.S_IFDIR | 0o755
            st.st_nlink = 2
        elif path in FILES:
            st.st_mode = stat.S_IFREG | 0o644
            st.st_size = len(FILES[path])
        else:
            return -errno.ENOENT
        return st

    def readdir(self, path, offset):
        if path.endswith("/hang"):
            self.mark("blocked-" + path.split("/")[1])
            self.released.wait()
        for name in [".", ".."] + FOLDERS.get(path, []):
            yield fuse.Direntry(name)

    def open(self, path, flags):
        return 0 if path in FILES else -errno.ENOENT

    def read(self, path, size, offset):
        return FILES[path][offset:offset + size]


def main():
    mountpoint, control = sys.argv[1], sys.argv[2]
    server = HungFs(mountpoint, control, version="%prog " + fuse.__version__, dash_s_do="setsingle")
    server.parse(args=[mountpoint, "-f"], errex=1)
    server.main()


if __name__ == "__main__":
    main()
