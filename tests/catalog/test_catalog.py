#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro: the catalog through dirlix-list: every case builds its trees and catalogs in a scratch folder.
import base64
import json
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

PROGRAM = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def run(*args, ok=(0,)):
    result = subprocess.run([PROGRAM, *args], capture_output=True, timeout=120)
    if ok is not None and result.returncode not in ok:
        raise AssertionError(f"{args}: exit {result.returncode}: {result.stderr.decode(errors='replace')}")
    return result


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def tree_files(root):
    """(folder bytes ending in '/', name bytes) -> size of every file below root, dot-folders skipped."""
    files = {}
    for folder, dirs, names in os.walk(os.fsencode(root)):
        dirs[:] = [d for d in dirs if not d.startswith(b".")]
        for name in names:
            files[(folder + b"/", name)] = os.lstat(os.path.join(folder, name)).st_size
    return files


def found(*args):
    """The (volume, folder, name) of each JSON line --find writes, names exact."""
    rows = []
    for line in run(*args, "--format=jsonl").stdout.splitlines():
        row = json.loads(line)
        name = base64.b64decode(row["name_b64"]) if "name_b64" in row else row["name"].encode()
        folder = base64.b64decode(row["folder_b64"]) if "folder_b64" in row else row["folder"].encode()
        rows.append((row["volume"], folder, name))
    return rows


def expected(states, keep):
    return sorted((volume, folder, name) for volume, files in states for (folder, name), size in files.items()
                  if keep(name, size))


def test_add_find_volumes(scratch):
    tree = os.path.join(scratch, "tree")
    odd = b"bad\xfename.JPG"
    write(os.path.join(tree, "photos/holiday.jpg"), b"x" * 3000)
    write(os.path.join(tree, "photos/Portrait.JPG"), b"x" * 10)
    write(os.fsdecode(os.path.join(os.fsencode(tree), b"photos", odd)), b"x" * 5)
    write(os.fsdecode(os.path.join(os.fsencode(tree), b"line\nfeed photo.txt")), b"abc")
    write(os.path.join(tree, "docs/notes.txt"), b"y" * 100)
    write(os.path.join(tree, "docs/\u212aelvin.txt"), b"k")  # the Kelvin sign folds to 'k'
    write(os.path.join(tree, ".hidden/photo.jpg"), b"z")
    catalog = os.path.join(scratch, "c.dxc")
    run("--catalog=" + catalog, "--add", "--label=drive", tree)
    first = tree_files(tree)

    os.remove(os.path.join(tree, "photos/holiday.jpg"))
    write(os.path.join(tree, "photos/new photo.png"), b"n" * 700)
    write(os.path.join(tree, "docs/notes.txt"), b"y" * 200)
    run("--catalog=" + catalog, "--add", tree)  # found again by identity, or by its root
    second = tree_files(tree)
    saved = os.path.join(scratch, "saved.jsonl")
    run("--format=jsonl", "-o", saved, os.path.join(tree, "docs"))
    run("--catalog=" + catalog, "--add-list=" + saved, "--label=list")
    listed = {k: v for k, v in second.items() if k[0].endswith(b"/docs/")}

    volumes = run("--catalog=" + catalog, "--volumes").stdout.decode(errors="replace").splitlines()
    check(volumes[0] == "drive" and volumes[3] == "list" and len(volumes) == 5, f"--volumes: {volumes}")
    latest = [("drive", second), ("list", listed)]
    every = [("drive", first)] + latest
    cases = [
        (["--find=PHOTO"], latest, lambda n, s: b"photo" in n.lower()),
        (["--find=photo", "--all-scans"], every, lambda n, s: b"photo" in n.lower()),
        (["--find=*.jpg"], latest, lambda n, s: n.lower().endswith(b".jpg")),
        (["--find=*.jpg;*.png", "--min-size=8"], latest,
         lambda n, s: (n.lower().endswith(b".jpg") or n.lower().endswith(b".png")) and s >= 8),
        (["--find=k"], latest, lambda n, s: b"k" in n.lower() or n.startswith("\u212a".encode())),
        # The list's own start folder is docs: only folders below a scan's start are left out.
        (["--find=", "--exclude=docs"],
         [("drive", {k: v for k, v in second.items() if b"/docs/" not in k[0]}), ("list", listed)], lambda n, s: True),
        (["--find=*.JPG", "--case-sensitive", "--all-scans"], every, lambda n, s: n.endswith(b".JPG")),
    ]
    for args, states, keep in cases:
        got = sorted(found("--catalog=" + catalog, *args))
        check(got == expected(states, keep), f"{args}: {got} != {expected(states, keep)}")
    check(any(r[2] == odd for r in found("--catalog=" + catalog, "--find=bad")), "a name that is not UTF-8 comes back exact")
    check(any(r[2] == b"line\nfeed photo.txt" for r in found("--catalog=" + catalog, "--find=feed")),
          "a name with a line feed comes back exact")
    csv = run("--catalog=" + catalog, "--find=notes", "--format=csv").stdout.split(b"\r\n")
    check(csv[0].startswith(b"Volume,File,Size") and csv[1].startswith(b"drive,notes.txt,200,"), f"csv: {csv}")
    columns = run("--catalog=" + catalog, "--find=notes").stdout.split(b"\n")
    check(columns[0].startswith(b"drive\tnotes.txt\t200\t"), f"columns: {columns}")

    # Every scan's totals in --volumes are those of its rows.
    db = sqlite3.connect(f"file:{catalog}?mode=ro", uri=True)
    rows = {(label, number): (files, total or 0) for label, number, files, total in db.execute(
        "SELECT v.label, s.number, count(f.rowid), sum(f.size) FROM scans s JOIN volumes v ON v.id = s.volume_id "
        "LEFT JOIN files f ON f.rowid BETWEEN s.first_file AND s.last_file GROUP BY s.id")}
    db.close()
    label = None
    shown = {}
    for line in volumes:
        if not line.startswith("  "):
            label = line
            continue
        number, _, files, size = line.strip().split("\t")
        shown[(label, int(number))] = (int(files.split()[0]), int(size.split()[0]))
    check(shown == rows, f"--volumes {shown} against the rows {rows}")
    check(rows[("drive", 2)] == (len(second), sum(second.values())), "the second scan holds the tree as it was")

    # The folder compared with the latest scan: one added, one changed, one removed.
    write(os.path.join(tree, "docs/added.txt"), b"a")
    write(os.path.join(tree, "docs/notes.txt"), b"y" * 300)
    os.remove(os.path.join(tree, "photos/Portrait.JPG"))
    result = run("--catalog=" + catalog, "--compare=drive", tree, ok=(1,))
    lines = sorted(result.stdout.decode(errors="replace").splitlines())
    check(lines == sorted([f"A\t{tree}/docs/added.txt", f"M\t{tree}/docs/notes.txt", f"D\t{tree}/photos/Portrait.JPG"]),
          f"--compare: {lines}")

    run("--catalog=" + catalog, "--remove=drive@1")
    check(found("--catalog=" + catalog, "--find=holiday", "--all-scans") == [], "scan 1 removed with its files")
    run("--catalog=" + catalog, "--remove=list")
    check(run("--catalog=" + catalog, "--volumes").stdout.decode(errors="replace").splitlines()[0] == "drive"
          and len(run("--catalog=" + catalog, "--volumes").stdout.splitlines()) == 2, "volume list removed")
    check(run("--catalog=" + catalog, "--remove=nothing", ok=(2,)).stderr != b"", "removing what is not there is told")
    db = sqlite3.connect(catalog)
    check(db.execute("SELECT count(*) FROM files").fetchone()[0] == len(second), "no files of removed scans left")
    check(db.execute("SELECT count(*) FROM folders WHERE scan_id NOT IN (SELECT id FROM scans)").fetchone()[0] == 0,
          "no folders of removed scans left")
    db.close()


def scan_counts(catalog):
    db = sqlite3.connect(catalog)
    try:
        check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity_check after a kill")
        return db.execute("SELECT s.files, (SELECT count(*) FROM files f WHERE f.rowid BETWEEN s.first_file "
                          "AND s.last_file) FROM scans s ORDER BY s.id").fetchall()
    finally:
        db.close()


def test_killed_adds(scratch):
    tree = os.path.join(scratch, "big")
    for folder in range(200):
        for file in range(100):
            write(os.path.join(tree, f"f{folder}", f"file {file}.dat"), b"")
    catalog = os.path.join(scratch, "killed.dxc")
    start = time.monotonic()
    run("--catalog=" + catalog, "--add", "--label=big", tree)
    duration = time.monotonic() - start
    random.seed(1234)
    killed = attempts = 0
    # Killed at a random point of its walk or its writing. The first add's time only bounds the wait:
    # under load it may have run slower than the adds that follow, so an add that ends before its
    # kill shortens the bound, and the adds go on until twenty were killed.
    while killed < 20 and attempts < 60:
        attempts += 1
        before = scan_counts(catalog)
        process = subprocess.Popen([PROGRAM, "--catalog=" + catalog, "--add", "--label=big", tree],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait = random.uniform(0, duration)
        time.sleep(wait)
        process.send_signal(signal.SIGKILL)
        process.wait(timeout=60)
        if process.returncode == -signal.SIGKILL:
            killed += 1
        else:
            duration = max(wait, 0.01)
        after = scan_counts(catalog)
        complete = all(files == rows == 20000 for files, rows in after)
        check(complete and after[:len(before)] == before and len(after) - len(before) in (0, 1),
              f"kill {attempts}: scans {before} became {after}")
    check(killed == 20, f"only {killed} of {attempts} adds were killed before they ended")


def test_concurrent_adds(scratch):
    tree = os.path.join(scratch, "big")
    catalog = os.path.join(scratch, "both.dxc")
    processes = [subprocess.Popen([PROGRAM, "--catalog=" + catalog, "--add", f"--label=v{i}", tree],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) for i in range(2)]
    for process in processes:
        _, err = process.communicate(timeout=120)
        check(process.returncode == 0, f"a concurrent add failed: {err}")
    check(sorted(scan_counts(catalog)) == [(20000, 20000)] * 2, "both concurrent adds landed whole")


def test_refusals(scratch):
    tree = os.path.join(scratch, "tree")
    good = os.path.join(scratch, "c.dxc")
    newer = os.path.join(scratch, "newer.dxc")
    shutil.copy(good, newer)
    db = sqlite3.connect(newer)
    db.execute("PRAGMA user_version = 2")
    db.execute("PRAGMA journal_mode = DELETE")
    db.close()
    text = os.path.join(scratch, "notes.txt")
    write(text, b"not a catalog\n" * 100)
    truncated = os.path.join(scratch, "cut.dxc")
    db = sqlite3.connect(good)
    db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
    db.close()
    with open(good, "rb") as f:
        data = f.read()
    write(truncated, data[: len(data) // 2 // 4096 * 4096])
    foreign = os.path.join(scratch, "foreign.db")
    db = sqlite3.connect(foreign)
    db.execute("CREATE TABLE t(x)")
    db.commit()
    db.close()
    for path, words in [(newer, b"newer version"), (text, b"not a catalog"), (truncated, b"damaged"),
                        (foreign, b"not a Dirlix Pro catalog")]:
        with open(path, "rb") as f:
            before = f.read()
        for args in (["--add", tree], ["--find=x"], ["--volumes"], ["--remove=drive"], ["--add-list=" + text, "--label=l"]):
            result = run("--catalog=" + path, *args, ok=None)
            check(result.returncode == 2 and words in result.stderr,
                  f"{os.path.basename(path)} {args}: exit {result.returncode}, {result.stderr}")
        with open(path, "rb") as f:
            check(f.read() == before, f"{os.path.basename(path)} was changed")

    # A catalog the user cannot write is still searched; adding to it is refused. The ordinary user
    # must reach the shelf: the test's own scratch may sit in a private folder (as under scripts/test),
    # so the shelf goes to /dev/shm where there is one, as the other tests' ordinary-user cases do.
    base = "/dev/shm" if os.access("/dev/shm", os.W_OK | os.X_OK) else scratch
    shelf = tempfile.mkdtemp(prefix="catalog-shelf-", dir=base)
    shutil.copy(good, shelf)
    os.chmod(shelf, 0o755)
    os.chmod(os.path.join(shelf, "c.dxc"), 0o644)
    prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if os.geteuid() == 0 else []
    if not prefix:
        os.chmod(shelf, 0o555)
    os.chmod(scratch, 0o755)
    reader = subprocess.run(prefix + [PROGRAM, "--catalog=" + os.path.join(shelf, "c.dxc"), "--find=notes"],
                            capture_output=True, timeout=60)
    check(reader.returncode == 0 and reader.stdout.startswith(b"drive\tnotes.txt"),
          f"read-only catalog searched: {reader.returncode} {reader.stdout} {reader.stderr}")
    writer = subprocess.run(prefix + [PROGRAM, "--catalog=" + os.path.join(shelf, "c.dxc"), "--add", "--label=x", tree],
                            capture_output=True, timeout=60)
    check(writer.returncode == 2 and b"c.dxc" in writer.stderr, f"read-only catalog written: {writer.stderr}")
    os.chmod(shelf, 0o755)
    shutil.rmtree(shelf, ignore_errors=True)


def main():
    scratch = tempfile.mkdtemp(prefix="catalog-")
    try:
        test_add_find_volumes(scratch)
        test_killed_adds(scratch)
        test_concurrent_adds(scratch)
        test_refusals(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        print(f"{len(failures)} checks failed", file=sys.stderr)
        return 1
    print("all catalog checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
