#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: the web page of dirlix-list in a real browser (headless Chromium). Builds a tree
# of hostile names, writes it as JSON Lines and as the page, and checks that the page's tree,
# folder totals, folder tables, sorts and searches show exactly the rows JSON Lines holds, that
# no name becomes markup or script, and that the page needs no network.
# Usage: check_html_page.py DIRLIX_LIST. Exit 77 (skipped) without chromium or its driver.
import html.parser, json, os, re, shutil, subprocess, sys, tempfile

CHROMIUM, DRIVER = '/usr/bin/chromium', '/usr/bin/chromedriver'
if not (os.access(CHROMIUM, os.X_OK) and os.access(DRIVER, os.X_OK)):
    print('skipped: the test needs chromium and chromium-driver (scripts/deps test)')
    sys.exit(77)
try:
    from selenium import webdriver
    from selenium.common.exceptions import UnexpectedAlertPresentException
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    print('skipped: the test needs python3-selenium (scripts/deps test)')
    sys.exit(77)

program = sys.argv[1]
problems = []
def expect(ok, what):
    if not ok:
        problems.append(what)

work = tempfile.mkdtemp(prefix='html-page-')
root = os.path.join(work, 'tree')
bad = os.fsencode(root) + b'/odd \xff\xfe folder'
os.makedirs(bad + b'/inner')
for folder in ('sub/deep/deeper', '</script><script>alert(1)</script>', 'empty', 'many', 'Mixed Case'):
    os.makedirs(os.path.join(root, folder), exist_ok=True)
files = {  # path below the tree: (size, modified time)
    'a.txt': (3, 86400 * 365 * 30), 'B.TXT': (70, -86400 * 400), '<img src=x onerror=alert(1)>': (1, 0),
    '&amp; \u2028\u2029 tab\there': (5, 4102444800), 'new\nline.txt': (2, 1700000000), '.hidden': (0, 1700000001),
    'sub/deep/deeper/leaf.TxT': (9, 1600000000), 'sub/ümlaut €.txt': (12, 1650000000), 'sub/😀 emoji': (8, 1650000000),
    '</script><script>alert(1)</script>/<!--<script>': (4, 1500000000), 'Mixed Case/MiXeD.dat': (6, 1500000000),
    'dash-name (1).txt': (7, 1500000000),
}
for path, (size, mtime) in files.items():
    full = os.path.join(root, path)
    with open(full, 'wb') as f:
        f.write(b'x' * size)
    os.utime(full, (mtime, mtime))
for name in (b'bad\xff\xfe', b'inner/cut \xe2\x82'):
    with open(bad + b'/' + name, 'wb') as f:
        f.write(b'yy')
os.chmod(os.path.join(root, 'a.txt'), 0o444)
for i in range(1205):  # more than one page of rows
    open(os.path.join(root, 'many', 'f%04d' % (1204 - i)), 'wb').close()
try:  # a size a script number cannot hold exactly, where the file system allows it
    os.truncate(os.path.join(root, 'sub', 'huge'), 2**53 + 1)
except OSError:
    try:
        os.truncate(os.path.join(root, 'sub', 'huge'), 3 << 30)
    except OSError:
        pass

pattern = 'ddd dd/mmm/yyyy (yy, day y, mmmm dddd) h:nn:ss a/p HH'
env = dict(os.environ, TZ='Europe/Amsterdam')
def run(*args):
    result = subprocess.run([program, '-d', pattern, *args, root], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    expect(result.returncode == 0, f'dirlix-list {args}: {result.returncode} {result.stderr!r}')
    return result.stdout
rows = [json.loads(line) for line in run('--format=jsonl').splitlines()]
page_path = os.path.join(work, 'list.html')
run('--format=html', '-o', page_path)
page = open(page_path, 'rb').read()

# No name became markup: the page holds exactly the frame's elements and the data blocks.
class Tags(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.tags = []
    def handle_starttag(self, tag, attrs):
        self.tags.append((tag, dict(attrs).get('type'), dict(attrs).get('class') or dict(attrs).get('id')))
tags = Tags()
tags.feed(page.decode('utf-8'))
scripts = [t for t in tags.tags if t[0] == 'script']
expect(scripts[-2:] == [('script', 'application/json', 'dx-list'), ('script', None, None)] and
       all(t[1:] == ('application/json', 'dx-rows') for t in scripts[:-2]), f'script elements {scripts[:5]}')
expect(not any(t[0] in ('img', 'iframe', 'object', 'link', 'a') for t in tags.tags), 'a name made an element')
expect(b'http:' not in page and b'https:' not in page, 'the page names a network address')
expect(re.search(rb"Content-Security-Policy\" content=\"default-src 'none'; script-src 'nonce-", page), 'no strict CSP')

# The expected figures, worked out from the JSON Lines rows.
top = root + '/'
def row_texts(r):
    return [r['name'], '' if r['size'] is None else str(r['size']), r['attrib'], r['created_text'], r['modified_text'], r['folder']]
totals = {}
for r in rows:
    folder = r['folder']
    for end in [i + 1 for i in range(len(top) - 1, len(folder)) if folder[i] == '/']:
        files_, size = totals.get(folder[:end], (0, 0))
        totals[folder[:end]] = (files_ + 1, size + (r['size'] or 0))
def by_folder(folder):
    return [row_texts(r) for r in rows if r['folder'] == folder]

options = Options()
for arg in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--window-size=1200,900', '--user-data-dir=' + os.path.join(work, 'profile')):
    options.add_argument(arg)
options.binary_location = CHROMIUM
driver = webdriver.Chrome(service=Service(DRIVER), options=options)
try:
    # No network at all, and the browser in another zone: the dates must not depend on it.
    driver.execute_cdp_cmd('Network.enable', {})
    driver.execute_cdp_cmd('Network.emulateNetworkConditions',
                           {'offline': True, 'latency': 0, 'downloadThroughput': 0, 'uploadThroughput': 0})
    driver.execute_cdp_cmd('Emulation.setTimezoneOverride', {'timezoneId': 'America/Sao_Paulo'})
    driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source':
        'window.__alerts = []; for (const f of ["alert", "confirm", "prompt"]) '
        'window[f] = (m) => { window.__alerts.push(String(m)); };'})
    driver.get('file://' + page_path)
    js = driver.execute_script
    for _ in range(200):
        if js('return document.body.dataset.state') == 'ready':
            break
        driver.implicitly_wait(0)
        js('return new Promise(r => setTimeout(r, 50))')
    expect(js('return document.body.dataset.state') == 'ready', 'the page never got ready')
    expect(js('return document.getElementById("status").textContent') == 'Ready.', 'status: ' + js('return document.getElementById("status").textContent'))

    # The header: the start folder, the made time, the totals.
    header = js('return Array.from(document.querySelectorAll("#summary div")).map(d => [d.children[0].textContent, d.children[1].textContent])')
    expect(header[0] == ['Start folder', top] and header[2] == ['Files', str(len(rows))] and
           header[3] == ['Size', str(sum(r['size'] or 0 for r in rows)) + ' bytes'] and header[4] == ['Folders', str(len(totals))],
           f'header {header}')

    # The tree, opened all the way: every folder with its files and size, those below counted in.
    while js('const t = Array.from(document.querySelectorAll("#tree .toggle")).filter(t => t.textContent === "\u25b8");'
             't.forEach(x => x.click()); return t.length'):
        pass
    tree = js('''return Array.from(document.querySelectorAll("#tree li > div")).map(line => {
        const names = [];
        for (let li = line.parentElement; li.tagName === "LI"; li = li.parentElement.parentElement)
            names.unshift(li.firstChild.querySelector(".name").textContent);
        return [names[0] + names.slice(1).map(n => n + "/").join(""), line.querySelector(".totals").textContent]; })''')
    want = {f: f'{n} file{"" if n == 1 else "s"}, {s} bytes' for f, (n, s) in totals.items()}
    expect(dict(tree) == want and len(tree) == len(want), f'tree {sorted(set(map(tuple, tree)) ^ set(want.items()))}')

    def table():
        return js('return Array.from(document.querySelectorAll("#table tbody tr")).map(tr => Array.from(tr.cells).map(td => td.textContent))')
    def click(selector, text=None):
        for element in driver.find_elements(By.CSS_SELECTOR, selector):
            if text is None or element.get_attribute('textContent') == text:
                element.click()
                return
        problems.append(f'nothing to click: {selector} {text!r}')
    def choose(folder):
        js('''const [path] = arguments; for (const line of document.querySelectorAll("#tree li > div")) {
              const names = [];
              for (let li = line.parentElement; li.tagName === "LI"; li = li.parentElement.parentElement)
                  names.unshift(li.firstChild.querySelector(".name").textContent);
              if (names[0] + names.slice(1).map(n => n + "/").join("") === path) { line.querySelector(".name").click(); return; } }''', folder)

    # Each folder's own files, in the list's order, with the list's texts in the user's pattern.
    for folder in totals:
        if folder.endswith('/many/'):
            continue
        choose(folder)
        expect(table() == by_folder(folder), f'files of {folder!r}: {table()} != {by_folder(folder)}')
    choose(top + 'many/')
    shown, pages = table(), 1
    while js('const next = Array.from(document.querySelectorAll("#pager button")).find(b => b.textContent === "Next");'
             'if (!next || next.disabled) return false; next.click(); return true;'):
        shown += table()
        pages += 1
    expect(shown == by_folder(top + 'many/') and pages > 1, f'the paged folder: {len(shown)} rows on {pages} pages')

    # Sorts: by size, both ways (ties keep the list's order), and by name in code-unit order.
    choose(top)
    own = by_folder(top)
    click('#table th', 'Size')
    key = lambda t: int(t[1]) if t[1] else -1
    expect(table() == sorted(own, key=key), f'sorted by size {table()}')
    click('#table th', 'Size \u25b2')
    expect(table() == sorted(own, key=key, reverse=True), 'sorted by size, descending')
    click('#table th', 'File')
    expect(table() == sorted(own, key=lambda t: t[0].encode('utf-16-be')), 'sorted by name')

    # Searches over every file: a substring without regard to case, and masks.
    box = driver.find_element(By.ID, 'search')
    def search(text):
        box.clear()
        box.send_keys(text)
        for _ in range(100):
            if js('return document.body.dataset.searched') == text:
                break
            js('return new Promise(r => setTimeout(r, 30))')
        return table()
    for text, match in (('TxT', lambda n: 'txt' in n.lower()), ('img src', lambda n: 'img src' in n.lower()),
                        ('*.txt', lambda n: n.lower().endswith('.txt')), ('*-NAME (?)*', lambda n: '-name (' in n),
                        ('?i*', lambda n: len(n) > 1 and n[1] in 'iI'),
                        ('\ufffd', lambda n: '\ufffd' in n), ('f1?0?', lambda n: re.fullmatch(r'f1.0.', n) is not None)):
        expect(search(text) == [row_texts(r) for r in rows if match(r['name'])],
               f'search {text!r}: {search(text)[:5]}')
    expect(search('nothing like it') == [], 'a search without matches')

    expect(js('return window.__alerts') == [], 'a script from a name ran: ' + str(js('return window.__alerts')))
    expect(js('return document.querySelectorAll("img, iframe, object").length') == 0, 'a name became an element')
    expect(js('return performance.getEntriesByType("resource").length') == 0, 'the page loaded something')
except UnexpectedAlertPresentException as alert:
    problems.append(f'an alert opened: {alert}')
finally:
    driver.quit()
    shutil.rmtree(work, ignore_errors=True)

for problem in problems:
    print('FAIL:', problem)
sys.exit(1 if problems else 0)
