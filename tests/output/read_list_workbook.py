#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro tests: reads a workbook with openpyxl, with the styling a user sees, as plain lines.
#
# Usage: read_list_workbook.py FILE
# Per sheet: "sheet TITLE DIMENSION FREEZE FILTER", then "width COLUMN WIDTH" per set column, then
# per filled cell "CELL TYPE VALUE", TYPE the openpyxl data type followed by "b" for a bold cell,
# VALUE as JSON (dates in ISO form), and for numbers and dates " | NUMBER-FORMAT".
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
out = []
for sheet in book.worksheets:
    out.append("sheet %s %s %s %s" % (sheet.title, sheet.calculate_dimension(), sheet.freeze_panes, sheet.auto_filter.ref))
    out += ["width %s %d" % (key, round(dim.width)) for key, dim in sorted(sheet.column_dimensions.items()) if dim.width]
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is not None:
                value = cell.value.isoformat() if hasattr(cell.value, "isoformat") else cell.value
                style = " | " + cell.number_format if cell.data_type in "nd" else ""
                out.append("%s %s%s %s%s" % (cell.coordinate, cell.data_type, "b" if cell.font.b else "",
                                             json.dumps(value, ensure_ascii=False), style))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
