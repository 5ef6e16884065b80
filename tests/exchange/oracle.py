#!/usr/bin/python3
"""Independent readers for the exchange tests (Debian's python3-dbf, dbfread and csv modules).

  dbf FILE                  every record of a table, fields joined by |, CR and LF escaped
  csv FILE ENCODING         every row of a CSV file, values joined by |
  plan SOURCE               a --map for import-dbf feeding one field of each kind
  check SOURCE RESULT MAP   compares an import's result with its source; prints "ok N"
"""
import csv
import subprocess
import sys

import dbf
import dbfread

KINDS = {'C': 'USER1', 'N': 'USER2', 'F': 'USER2', 'D': 'DATE', 'L': 'CODES', 'M': 'MEMO'}


def esc(s):
    return str(s).replace('\\', '\\\\').replace('\r', '\\r').replace('\n', '\\n').replace('|', '\\|')


def memo_rule(text):
    lines = text.replace('\r\n', '\n').replace('\r', '\n').split('\n')
    if text and text[-1] in '\r\n':
        lines.pop()
    if not text:
        return ''
    length = sum(len(l) for l in lines) + 2 * (len(lines) - 1)
    if length > 0 and length % 4 == 0:
        lines[-1] += ' '
    return ''.join(l + '\r\n' for l in lines)


class Parser(dbfread.FieldParser):
    def parseW(self, field, data):  # Visual FoxPro blob: not imported by the tests
        return None

    def parseQ(self, field, data):
        return None


def source_table(path):
    head = dbfread.DBF(path, load=False, ignore_missing_memofile=True, parserclass=Parser)
    # A table without a code-page mark is read as Windows-1252, as the program reads it.
    enc = 'cp1252' if head.header.language_driver == 0 else None
    return dbfread.DBF(path, ignore_missing_memofile=False, char_decode_errors='replace', parserclass=Parser,
                       encoding=enc, recfactory=list)


def first(record, name):
    # A table may hold two fields of one name; the import takes the first.
    return next(v for n, v in record if n == name)


def dbt_memos(path):
    # dbfread ends a dBASE memo at its own terminator rather than the length in the block header:
    # its DBT memo values are no reference.
    return dbfread.DBF(path, load=False, parserclass=Parser).header.dbversion in (0x83, 0x8B)


def perl_count(path):
    out = subprocess.run(['dbf_dump', '--rs', '\x01\n', path], capture_output=True).stdout
    return out.count(b'\x01\n')


def plan(path):
    t = source_table(path)
    used, out = set(), []
    names = set()
    for f in t.fields:
        if f.name in names:
            continue
        names.add(f.name)
        dest = KINDS.get(f.type)
        if dest and dest not in used:
            used.add(dest)
            out.append(f'{f.name}={dest}')
    print(','.join(out))


def expected(value, ftype, width):
    if value is None:
        return ''
    if ftype == 'D':
        return value.strftime('%Y%m%d')
    if ftype == 'L':
        return 'T' if value else 'F'
    if ftype in 'NF':
        return value
    if ftype == 'M':
        if isinstance(value, bytes):
            return None
        return memo_rule(value.encode('cp1252', 'replace').decode('cp1252'))
    s = value.rstrip(' ').encode('cp1252', 'replace')[:width]
    return s.decode('cp1252').rstrip(' ')


def check(source, result, mapping):
    src = source_table(source)
    res = list(dbfread.DBF(result, encoding='cp1252', char_decode_errors='replace'))
    types = {}
    for f in src.fields:
        types.setdefault(f.name, f.type)
    skip_memos = dbt_memos(source)
    widths = {f.name: f.length for f in dbfread.DBF(result, load=False).fields}
    pairs = [p.split('=') for p in mapping.split(',') if p]
    rows = list(src)
    if not rows and src.header.numrecords:
        # dbfread reads no record of some malformed tables; Perl's XBase gives the count.
        n = perl_count(source)
        print(f'ok {len(res)}' if n == len(res) else f'count: source {n} (Perl), imported {len(res)}')
        return 0 if n == len(res) else 1
    if len(rows) != len(res):
        print(f'count: source {len(rows)}, imported {len(res)}')
        return 1
    for n, (a, b) in enumerate(zip(rows, res), 1):
        for s, d in pairs:
            if types[s] == 'M' and skip_memos:
                continue
            want = expected(first(a, s), types[s], widths[d])
            got = (b[d] or '').replace('\ufffd', '?')
            if want is None:
                continue
            if types[s] in 'NF':
                if want == '' and got == '':
                    continue
                if want == '' or got == '' or abs(float(got) - float(want)) > 1e-6 * max(1, abs(float(want))):
                    print(f'record {n}, {s}: want {want!r}, got {got!r}')
                    return 1
            elif want != got:
                print(f'record {n}, {s}: want {want!r}, got {got!r}')
                return 1
    print(f'ok {len(res)}')
    return 0


def main():
    cmd = sys.argv[1]
    if cmd == 'dbf':
        t = dbf.Table(sys.argv[2], codepage='cp1252')
        t.open(dbf.READ_ONLY)
        for r in t:
            vals = []
            for name in t.field_names:
                v = r[name]
                vals.append(esc(v.rstrip(' ') if isinstance(v, str) and name.upper() != 'MEMO' else v if v is not None else ''))
            print('|'.join(vals))
        t.close()
    elif cmd == 'csv':
        with open(sys.argv[2], newline='', encoding=sys.argv[3]) as f:
            for row in csv.reader(f):
                print('|'.join(esc(v) for v in row))
    elif cmd == 'plan':
        plan(sys.argv[2])
    elif cmd == 'check':
        return check(sys.argv[2], sys.argv[3], sys.argv[4])
    return 0


if __name__ == '__main__':
    sys.exit(main())
