#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: reads dirlix-list's CSV, TSV and JSON Lines back with Python's own readers and
# compares them with the list's texts (the file "reference": eight hex fields per row), and the
# folder totals with totals worked out here from those rows. Usage: check_formats.py DIR TREE
import base64, codecs, csv, datetime, io, json, os, re, sys

codecs.register_error('perbyte', lambda e: ('\ufffd' * (e.end - e.start), e.end))
folder, tree = sys.argv[1], os.fsencode(sys.argv[2]) + b'/'
problems = []
def expect(ok, what):
    if not ok:
        problems.append(what)
def text(raw): return raw.decode('utf-8', 'surrogateescape')
def data(name): return open(os.path.join(folder, name), 'rb').read()
def unescape(field):
    return re.sub(r'\\(.)', lambda m: {'\\': '\\', 't': '\t', 'n': '\n', 'r': '\r'}[m.group(1)], field)
def tsv(raw):
    expect(raw.endswith(b'\n'), 'a TSV file ends without a line feed')
    return [[unescape(text(f)) for f in line.split(b'\t')] for line in raw[:-1].split(b'\n')]
def csv_rows(raw):
    rows = list(csv.reader(io.StringIO(text(raw), newline='')))
    again = io.StringIO(newline='')
    csv.writer(again, lineterminator='\r\n').writerows(rows)
    expect(again.getvalue().encode('utf-8', 'surrogateescape') == raw, 'CSV quoting or line ends differ from RFC 4180')
    return rows

reference = [[bytes.fromhex(f) for f in line.split(' ')] for line in data('reference').decode().splitlines()]
texts = [[text(f) for f in row] for row in reference]
captions = ['File', 'Size', 'Attrib', 'Created', 'Modified', 'Directory', 'CYMD', 'MYMD']
expect(csv_rows(data('files.csv')) == [captions] + texts, 'the CSV does not read back to the texts')
expect(tsv(data('files.tsv')) == [captions] + texts, 'the TSV does not read back to the texts')
expect(tsv(data('bare.tsv')) == texts, 'the TSV without header differs')

def exact(obj, key, raw):  # a string of the object, and the bytes it stands for
    expect(obj[key] == raw.decode('utf-8', 'perbyte'), f'{key} {obj[key]!r}')
    expect((key + '_b64' in obj) == (raw.decode('utf-8', 'ignore').encode() != raw), f'{key}_b64 for {raw!r}')
    return base64.b64decode(obj[key + '_b64'], validate=True) if key + '_b64' in obj else obj[key].encode()

lines = data('files.jsonl').split(b'\n')
expect(lines.pop() == b'' and len(lines) == len(reference), 'JSON Lines: not one line per row')
for line, raw, row in zip(lines, reference, texts):
    obj = json.loads(line)
    path = exact(obj, 'folder', raw[5]) + exact(obj, 'name', raw[0])
    expect(obj['path'] == obj['folder'] + obj['name'] and path == raw[5] + raw[0], f'path {obj["path"]!r}')
    expect([obj['size'], obj['attrib'], obj['created_text'], obj['modified_text']] == [int(row[1]), row[2], row[3], row[4]],
           f'values of {obj["path"]!r}')
    for key, sort_key, stamp in (('created', row[6], None), ('modified', row[7], os.stat(path).st_mtime)):
        when = datetime.datetime.fromisoformat(obj[key])
        expect(when.strftime('%Y-%m-%d %H:%M:%S') == sort_key and stamp in (None, when.timestamp()), f'{key} {obj[key]}')

# Folder totals: every folder at or below the tree that holds a listed file or has one below it,
# in the order its first file came, with its own files and those below it.
order = []
for raw in reference:
    for end in [i + 1 for i in range(len(tree) - 1, len(raw[5])) if raw[5][i] == ord('/')]:
        if raw[5][:end] not in order:
            order.append(raw[5][:end])
def totals(of):
    own = [int(r[1]) for r in reference if r[5] == of]
    below = [int(r[1]) for r in reference if r[5].startswith(of)]
    return [of, len(own), sum(own), len(below), sum(below)]
expected = [totals(f) for f in order]
expect(expected[0][3] == len(reference), 'the tree itself does not count every row')
header = ['Directory', 'Files', 'Size', 'AllFiles', 'AllSize']
for name, rows in (('folders.csv', csv_rows(data('folders.csv'))), ('folders.tsv', tsv(data('folders.tsv')))):
    expect(rows[0] == header and [[r[0].encode('utf-8', 'surrogateescape')] + [int(n) for n in r[1:]] for r in rows[1:]] == expected, name)
objects = [json.loads(line) for line in data('folders.jsonl').splitlines()]
expect([[exact(o, 'folder', e[0]), o['files'], o['size'], o['all_files'], o['all_size']] for o, e in zip(objects, expected)] == expected
       and len(objects) == len(expected), 'folders.jsonl')
print('\n'.join(problems))
sys.exit(1 if problems else 0)
