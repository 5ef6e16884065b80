#!/bin/sh
# The ZIP count and the state and ZIP check against sqlite3 doing the same grouping on the same rows.
# Prints a markdown table of seconds, CPU seconds (user + system) and peak memory (from /usr/bin/time -v) for both.
#
#   bench/postal_vs_sqlite.sh [RECORDS] [BUILD_DIR]         (defaults: 1000000, ./build)
#
# Ours: `addrova-batch zipcount` and `addrova-batch statezip` over the address file (the whole process:
# open, scan, listing). sqlite3: the ZIP and STATE columns of the same records imported into a table
# (the import is not timed), then `GROUP BY substr(zip,1,5)` and a range join against the CSZ rows.
set -eu
N=${1:-1000000}
BUILD=${2:-build}
BATCH=$(cd "$BUILD" && pwd)/src/batch/addrova-batch
SYSDATA=$(cd "$BUILD" && pwd)/resources/sysdata
[ -x "$BATCH" ] || { echo "no $BATCH: build the addrova-batch target first" >&2; exit 1; }
[ -f "$SYSDATA/CSZ.DBF" ] || { echo "no $SYSDATA/CSZ.DBF: build the addrova-sysdata target first" >&2; exit 1; }
W=$(mktemp -d /tmp/postal-bench.XXXXXX)
trap 'rm -rf "$W"' EXIT
export ADDROVA_HOME="$W/home"
export QT_QPA_PLATFORM=offscreen

"$BATCH" demo "$W/demo.dbf" "$N" >/dev/null
"$BATCH" sysdata >/dev/null 2>&1 || true

# time -v: wall seconds and peak RSS in MiB of one command.
measure() {
  /usr/bin/time -v "$@" >"$W/out" 2>"$W/time" || { cat "$W/time" >&2; exit 1; }
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$W/time" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  cpu=$(sed -n 's/.*User time (seconds): //p; s/.*System time (seconds): //p' "$W/time" | awk '{ s += $1 } END { printf "%.2f", s }')
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$W/time" | awk '{ printf "%.0f", $1 / 1024 }')
}

echo "| step | program | seconds | CPU seconds | peak RSS MiB | result |"
echo "|---|---|---:|---:|---:|---|"
measure "$BATCH" zipcount "$W/demo.dbf"
lines=$(grep -c . "$W/out" || true)
echo "| ZIP count, $N records | Addrova | $wall | $cpu | $rss | $lines listing lines |"
measure "$BATCH" statezip "$W/demo.dbf" --include-blank
found=$(grep -c . "$W/out" || true)
echo "| state and ZIP check, $N records | Addrova | $wall | $cpu | $rss | $found questionable |"

# The same rows for sqlite3.
"$BATCH" dump "$W/demo.dbf" --fields STATE,ZIP | cut -f2,3 > "$W/rows.tsv"
"$BATCH" dump "$SYSDATA/CSZ.DBF" --fields STATE,LOW_ZIP,HIGH_ZIP | cut -f2,3,4 > "$W/csz.tsv"
sqlite3 "$W/p.sqlite" >/dev/null <<SQL
PRAGMA journal_mode=OFF;
CREATE TABLE a(state TEXT, zip TEXT);
CREATE TABLE csz(state TEXT, low TEXT, high TEXT);
.mode tabs
.import $W/rows.tsv a
.import $W/csz.tsv csz
CREATE INDEX csz_state ON csz(upper(state));
SQL
measure sqlite3 "$W/p.sqlite" "SELECT substr(zip,1,5), count(*) FROM a GROUP BY substr(zip,1,5) ORDER BY 1;"
lines=$(grep -c . "$W/out" || true)
echo "| ZIP count, $N records | sqlite3 | $wall | $cpu | $rss | $lines groups |"
measure sqlite3 "$W/p.sqlite" "SELECT rowid FROM a WHERE NOT EXISTS (SELECT 1 FROM csz WHERE upper(csz.state) = a.state AND a.zip BETWEEN csz.low AND csz.high);"
found=$(grep -c . "$W/out" || true)
echo "| state and ZIP check, $N records | sqlite3 | $wall | $cpu | $rss | $found questionable |"
