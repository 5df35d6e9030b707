#!/usr/bin/python3
"""Prints a DBF table as an independent reader (dbfread) sees it, as JSON lines.

First line: the encoding dbfread chose from the header's language byte and the field layout.
Then one line per record, live records first, then the deleted ones, each in file order.
Text comes back as its Windows-1252 bytes, one character per byte (U+0000..U+00FF), so the
caller compares bytes, not a decoding of them.
"""
import datetime
import json
import sys

from dbfread import DBF


def plain(value, encoding):
    if isinstance(value, str):
        return value.encode(encoding).decode("latin-1")
    if isinstance(value, datetime.date):
        return value.strftime("%Y%m%d")
    return value  # None, bool, int, float


def main(path):
    table = DBF(path, load=False, char_decode_errors="strict")
    print(json.dumps({"encoding": table.encoding,
                      "fields": [[f.name, f.type, f.length, f.decimal_count] for f in table.fields]}))
    for deleted, records in ((False, table.records), (True, table.deleted)):
        for record in records:
            values = {name: plain(value, table.encoding) for name, value in record.items()}
            print(json.dumps({"deleted": deleted, "values": values}))


if __name__ == "__main__":
    main(sys.argv[1])
