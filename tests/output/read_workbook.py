#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: reads a workbook with openpyxl and prints it as plain lines.
#
# Usage: read_workbook.py FILE
# For every sheet, in order: "sheet TITLE DIMENSION", then one line per cell that holds a value,
# row by row: "CELL TYPE VALUE", TYPE "s" for text and "n" for a number, VALUE as JSON.
# A file that is not a sound workbook makes openpyxl fail and the script exit non-zero.
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
out = []
for sheet in book.worksheets:
    out.append("sheet %s %s" % (sheet.title, sheet.calculate_dimension()))
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is not None:
                out.append("%s %s %s" % (cell.coordinate, cell.data_type, json.dumps(cell.value, ensure_ascii=False)))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
