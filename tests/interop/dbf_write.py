#!/usr/bin/python3
"""Writes a dBase III table with a memo file using the dbf package, from JSON on standard input.

Input: {"fields": "NAME C(20); ...", "rows": [{"values": {...}, "deleted": bool}, ...]}
Text values arrive as one character per Windows-1252 byte (U+0000..U+00FF); dates as "YYYYMMDD";
null leaves a field blank.
"""
import datetime
import json
import sys

import dbf


def value_for(kind, value):
    if value is None:
        return None
    if kind == "D":
        return datetime.date(int(value[0:4]), int(value[4:6]), int(value[6:8]))
    if isinstance(value, str):
        return value.encode("latin-1").decode("cp1252")
    return value


def main(path):
    request = json.load(sys.stdin)
    table = dbf.Table(path, request["fields"], dbf_type="db3", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    kinds = {name.lower(): chr(int(table.field_info(name)[0])) for name in table.field_names}
    for row in request["rows"]:
        table.append({name.lower(): value_for(kinds[name.lower()], value) for name, value in row["values"].items()})
        if row.get("deleted"):
            dbf.delete(table[-1])
    table.close()


if __name__ == "__main__":
    main(sys.argv[1])
