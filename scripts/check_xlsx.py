#!/usr/bin/env python3
"""Reads a workbook written by `viduravare convert --format xlsx` back and compares it, cell by
cell, with the text of the same conversion: the two header lines are text cells; in the rows the
time stamp is a date-time cell shown dd/mm/yy hh:mm:ss (yyyy-mm-dd with --dates iso), each
number a number cell of the text's value whose format has the text's decimals, every other
non-empty cell a text cell and an empty cell empty; the panes are frozen at B3.

usage: check_xlsx.py BOOK.xlsx TEXT.txt [DECIMAL_SEPARATOR [iso]]
Exits 0 when everything matches, else prints the first difference and exits 1. Needs openpyxl
(Debian: python3-openpyxl)."""
import datetime
import re
import sys

import openpyxl


def fail(text):
    print("check_xlsx: " + text)
    sys.exit(1)


def to_datetime(day_first, iso):
    """The time stamp of a row, dd/mm/yy with the program's calendar rule or yyyy-mm-dd; None
    when the cell is no time stamp or no real date."""
    if day_first:
        day, month, year, hour, minute, second = map(int, day_first.groups())
        year += 2000 if year < 30 else 1900
    elif iso:
        year, month, day, hour, minute, second = map(int, iso.groups())
    else:
        return None
    try:
        return datetime.datetime(year, month, day, hour, minute, second)
    except ValueError:
        return None


def main():
    book, text_path = sys.argv[1], sys.argv[2]
    sep = sys.argv[3] if len(sys.argv) > 3 else "."
    date_format = "yyyy-mm-dd hh:mm:ss" if sys.argv[4:] == ["iso"] else "dd/mm/yy hh:mm:ss"
    number = re.compile(r"^-?(0|[1-9][0-9]*)(" + re.escape(sep) + r"([0-9]+))?$")
    stamp = re.compile(r"^(\d\d)\D(\d\d)\D(\d\d) (\d\d)\D(\d\d)\D(\d\d)$")
    iso_stamp = re.compile(r"^(\d\d\d\d)-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)$")
    with open(text_path, "rb") as f:
        lines = f.read().decode("cp1252").split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    workbook = openpyxl.load_workbook(book)
    if len(workbook.worksheets) != 1:
        fail("%d sheets" % len(workbook.worksheets))
    ws = workbook.worksheets[0]
    if ws.freeze_panes != "B3":
        fail("panes frozen at %s, not B3" % ws.freeze_panes)
    if ws.max_row != len(lines):
        fail("%d rows for %d lines" % (ws.max_row, len(lines)))
    for r, line in enumerate(lines, start=1):
        for c, text in enumerate(line.split("\t"), start=1):
            cell = ws.cell(row=r, column=c)
            where = "%s (line %d, cell %d, text %r)" % (cell.coordinate, r, c, text)
            m, d = number.match(text), to_datetime(stamp.match(text), iso_stamp.match(text))
            if text == "":
                ok = cell.value is None
            elif r <= 2:
                ok = cell.data_type == "s" and cell.value == text
            elif c == 1 and d:
                ok = cell.value == d and cell.number_format == date_format
            elif m:
                decimals = len(m.group(3) or "")
                fmt = "0." + "0" * decimals if decimals else "0"
                ok = (cell.data_type == "n" and cell.value == float(text.replace(sep, "."))
                      and cell.number_format == fmt)
            else:
                ok = cell.data_type == "s" and cell.value == text
            if not ok:
                fail("%s holds %r (%s, %s)" % (where, cell.value, cell.data_type,
                                                cell.number_format))
    print("check_xlsx: %s matches %s, %d rows, sheet '%s'" % (book, text_path, len(lines),
                                                              ws.title))


if __name__ == "__main__":
    main()
