#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: the Windows companion under wine on a tree with hidden, system, read-only and
# archive files, a folder path over 260 characters, a dot folder and names outside the ANSI code
# page: every format gives the tree's files with Windows folder texts and attribute letters, in one
# order that is the walk's (a folder's files, then its subfolders depth first).
# Usage: check_companion_wine.py WINE-RUN DIRLIX-LIST.EXE
import csv
import io
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

wine_run, companion = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*args):
    done = subprocess.run([wine_run, *args], capture_output=True, timeout=240)
    check(done.returncode == 0, f"{args[:3]}: exit {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def windows(path):
    return "Z:" + path.replace("/", "\\")


root = tempfile.mkdtemp(prefix="companion-wine-")
files = {
    "plain.txt": b"ab",
    "hidden.txt": b"hid",
    "system.txt": b"sys!",
    "readonly.txt": b"r",
    "archive.txt": b"arch",
    "50%%off %TAB%, a;b.txt": b"odd",
    "\u041f\u0430\u043f\u043a\u0430/\u65e5\u672c-\U0001F600.txt": b"x" * 10,  # Папка/日本-😀.txt
    "\u00dcn\u00efc\u00f6d\u00e9/\u00f1 \u20ac \u2713.txt": b"yy",              # Ünïcödé/ñ € ✓.txt
    ".dot/skipped.txt": b"never listed",
}
deep = "/".join(f"folder_with_a_longish_name_{i:02}" for i in range(12))
files[deep + "/at-the-bottom.txt"] = b"deep"
for name, content in files.items():
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "wb") as f:
        f.write(content)
check(len(windows(os.path.join(root, deep, "at-the-bottom.txt"))) > 300, "the deep path is not over 300 characters")
for letter, name in (("h", "hidden.txt"), ("s", "system.txt"), ("r", "readonly.txt"), ("a", "archive.txt")):
    run("attrib.exe", "+" + letter, windows(os.path.join(root, name)))

expected = {}
for name, content in files.items():
    if name.startswith(".dot/"):
        continue
    folder, _, base = (root + "/" + name).rpartition("/")
    expected[(windows(folder) + "\\", base)] = len(content)

# Columns, JSON Lines, CSV, a line template and a workbook, each as (folder, name, size, attrib) rows.
outputs = {}
outputs["columns"] = [(r[5], r[0], int(r[1]), r[2]) for r in
                      (line.split("\t") for line in run(companion, windows(root)).decode("utf-8").splitlines())]
outputs["jsonl"] = [(o["folder"], o["name"], o["size"], o["attrib"]) for o in
                    map(json.loads, run(companion, "--format=jsonl", windows(root)).decode("utf-8").splitlines())]
table = list(csv.reader(io.StringIO(run(companion, "--format=csv", windows(root)).decode("utf-8"))))
header = table[0]
outputs["csv"] = [(r[header.index("Directory")], r[header.index("File")], int(r[header.index("Size")]),
                   r[header.index("Attrib")]) for r in table[1:]]
lines = run(companion, "--template=%6|%1|%2|%3", windows(root)).decode("utf-8").split("\r\n")
check(lines[-1] == "", "the template's lines do not end in CR LF")
outputs["template"] = [(f, n, int(s), a) for f, n, s, a in (line.split("|") for line in lines[:-1])]
book = os.path.join(root, "\u00fc-\u65e5.xlsx")
run(companion, "--xlsx", windows(book), windows(root) + "\\Папка")
sheet = openpyxl.load_workbook(book).active
check(any("\u65e5\u672c-\U0001F600.txt" in row for row in sheet.iter_rows(values_only=True)),
      "the workbook does not hold the name outside the code page")
os.unlink(book)

for form, rows in outputs.items():
    got = {(f, n): s for f, n, s, _ in rows}
    check(len(rows) == len(expected), f"{form}: {len(rows)} rows, {len(expected)} files")
    check(got == expected, f"{form}: rows differ from the tree: {sorted(set(got.items()) ^ set(expected.items()))}")
    check([r[:2] for r in rows] == [r[:2] for r in outputs["columns"]], f"{form}: another order than the columns'")
    letters = {n: a for _, n, _, a in rows}
    for name, letter in (("hidden.txt", "H"), ("system.txt", "S"), ("readonly.txt", "R"), ("archive.txt", "A")):
        check(letter in letters.get(name, ""), f"{form}: {name} has attributes {letters.get(name)!r}, no {letter}")
    check("H" not in letters.get("plain.txt", "?") and "R" not in letters.get("plain.txt", "?"),
          f"{form}: plain.txt has attributes {letters.get('plain.txt')!r}")
    # The walk's order: each folder's files together, every folder after the one holding it.
    folders = []
    for folder, _, _, _ in rows:
        if not folders or folders[-1] != folder:
            folders.append(folder)
    check(len(folders) == len(set(folders)), f"{form}: a folder's files are not together: {folders}")
    check(folders[0] == windows(root) + "\\", f"{form}: the start folder's files do not come first")
    for i, folder in enumerate(folders):
        check(not any(folder.startswith(later) for later in folders[i + 1:]),
              f"{form}: {folder} comes before a folder holding it")

for failure in failures:
    print("FAILED:", failure)
print(f"{len(expected)} files, {len(outputs)} forms, {len(failures)} failures")
subprocess.run(["rm", "-rf", root])
sys.exit(1 if failures else 0)
