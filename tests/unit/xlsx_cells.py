"""Prints a workbook's cells as JSON, read by openpyxl (not the program that wrote it).

Each cell of the first sheet: its type ("n" number, "d" date, "s" text), its value (a date as
YYYY-MM-DD, an empty cell as ""), its number format and whether it is bold; the first sheet's
frozen cell and filter; the second sheet's cells.
"""
import datetime
import json
import sys

import openpyxl


def cell(c):
    value = c.value
    if value is None:
        return {"type": "s", "value": "", "format": c.number_format, "bold": bool(c.font.b)}
    if isinstance(value, datetime.datetime):
        return {"type": "d", "value": value.date().isoformat(), "format": c.number_format,
                "bold": bool(c.font.b)}
    if isinstance(value, (int, float)):
        return {"type": "n", "value": value, "format": c.number_format, "bold": bool(c.font.b)}
    return {"type": "s", "value": str(value), "format": c.number_format, "bold": bool(c.font.b)}


def rows(sheet):
    return [[cell(c) for c in row] for row in sheet.iter_rows()]


book = openpyxl.load_workbook(sys.argv[1])
first, second = book.worksheets[0], book.worksheets[1]
json.dump({"frozen": first.freeze_panes, "filter": first.auto_filter.ref, "rows": rows(first),
           "criteria": rows(second)}, sys.stdout)
