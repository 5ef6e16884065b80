#!/usr/bin/python3
"""Compares `addrova-batch dump FILE` with what Python's dbfread reads from the same table.

Usage: dbf_oracle.py BATCH FILE      exit 0 when every record and field agrees.
"""
import datetime
import decimal
import subprocess
import sys

import dbfread


def one_line(text):
    text = text.replace("\\", "\\\\").replace("\t", "\\t")
    return text.replace("\r\n", "\\n").replace("\n", "\\n").replace("\r", "\\n")


def ascii_only(text):
    """Code pages the two readers map differently (and dbfread's replacement characters) compare as '?'."""
    return "".join(c if ord(c) < 128 else "?" for c in text)


def expected(field, value):
    """Our dump's text for a value as dbfread returns it, or None when it cannot be compared."""
    t = field.type
    if value is None:
        return ""
    if t in "CV":
        return one_line(value)
    if t in "NFBIY":
        return float(value)
    if t == "D":
        return value.strftime("%Y%m%d") if isinstance(value, datetime.date) else ""
    if t == "L":
        return "T" if value else "F"
    if t == "T":
        return value.strftime("%Y-%m-%d %H:%M:%S") if isinstance(value, datetime.datetime) else None
    if t == "M":
        if not isinstance(value, str) or "\0" in value:
            return None  # binary memo
        return one_line(value.rstrip(" \0"))
    return None


def main():
    batch, path = sys.argv[1], sys.argv[2]
    # Records as value lists by position: field names may repeat.
    table = dbfread.DBF(path, load=False, char_decode_errors="replace", recfactory=lambda items: [v for _, v in items])
    keep = [i for i, f in enumerate(table.fields) if f.type != "0"]
    fields = [table.fields[i] for i in keep]
    out = subprocess.run([batch, "dump", path], capture_output=True, check=True).stdout
    ours = [line.split("\t")[1:] for line in out.decode("utf-8", "replace").split("\n") if line]
    theirs = [[rec[i] for i in keep] for rec in table]
    if len(ours) != len(theirs):
        print(f"{path}: {len(ours)} records, dbfread has {len(theirs)}")
        return 1
    vfp = table.header.dbversion in (0x30, 0x31, 0x32)
    dbase4 = table.header.dbversion in (0x7B, 0x8B, 0xCB)
    bad = 0
    for n, (mine, rec) in enumerate(zip(ours, theirs), 1):
        for f, got, value in zip(fields, mine, rec):
            want = expected(f, value)
            if want is None:
                continue
            if isinstance(want, float):
                if got == "" and want == 0.0:
                    continue  # a null or blank number
                try:
                    same = abs(float(got) - want) <= 1e-6 * max(1.0, abs(want))
                except ValueError:
                    same = False
            elif got == "" and (f.type not in "C" or (vfp and f.reserved1 & 0x02)):
                same = True  # a null value (Visual FoxPro null flags, which dbfread ignores)
            elif f.type == "M" and dbase4:
                # dbfread reads dBASE IV memos to the end of their last block, past the stored length.
                same = ascii_only(want).startswith(ascii_only(got))
            else:
                same = ascii_only(got) == ascii_only(want)
            if not same:
                bad += 1
                if bad <= 10:
                    print(f"{path}: record {n} field {f.name}: ours {got!r}, dbfread {want!r}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
