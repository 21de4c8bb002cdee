#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro benchmark: a web page of dirlix-list in headless Chromium: the time from loading it to
# the tree shown, to every file read, and from typing a search to its answer.
# Usage: html_page_timing.py PAGE [SEARCH...]
import os, sys, tempfile, time
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

page, searches = os.path.abspath(sys.argv[1]), sys.argv[2:] or ['file1', '*7?.dat']
options = Options()
for arg in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--window-size=1280,900', '--user-data-dir=' + tempfile.mkdtemp(prefix='html-bench-')):
    options.add_argument(arg)
options.binary_location = '/usr/bin/chromium'
options.page_load_strategy = 'none'  # driver.get returns at once; the page is timed here
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
try:
    def wait_for(condition, limit=120):
        start = time.monotonic()
        while not driver.execute_script(condition):
            if time.monotonic() - start > limit:
                raise TimeoutError(condition)
            time.sleep(0.01)
    driver.set_page_load_timeout(300)
    start = time.monotonic()
    driver.get('file://' + page)
    wait_for('return document.body && document.body.dataset.state')
    tree = time.monotonic() - start
    wait_for('return document.body.dataset.state === "ready"')
    ready = time.monotonic() - start
    print(f'{"page":36s} {os.path.getsize(page) / 1e6:7.1f} MB')
    print(f'{"tree shown after":36s} {tree:7.3f} s   (target: under 3 s)')
    print(f'{"every file read after":36s} {ready:7.3f} s')
    box = driver.find_element(By.ID, 'search')
    for text in searches:
        # The time the page itself took (its status line), and the time to the answer on screen,
        # which adds the typing pause and the drawing of the first page of matches.
        box.clear()
        start = time.monotonic()
        driver.execute_script('const box = arguments[0]; box.value = arguments[1];'
                              'box.dispatchEvent(new Event("input"));', box, text)
        wait_for(f'return document.body.dataset.searched === {text!r}')
        shown = time.monotonic() - start
        status = driver.find_element(By.ID, 'status').text
        answer = int(driver.execute_script('return document.body.dataset.answerMs')) / 1000
        painted = int(driver.execute_script('return document.body.dataset.paintedMs')) / 1000
        print(f'{"search " + repr(text):36s} {painted:7.3f} s   from the input to the answer drawn, by the page\'s clock'
              f' ({answer:.3f} s to the rows made, {shown:.3f} s seen by the driver); {status} (target: under 1 s)')
finally:
    driver.quit()
