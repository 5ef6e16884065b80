#!/bin/sh
# Report printing over large address files: built-in report 1 and the shipped "Phone list" report,
# printed to PDF by `addrova-batch report` (the print run of the "Print Report" window). Time and peak
# resident memory from /usr/bin/time -v, pages from pdfinfo. Prints a markdown table.
#
#   bench/reports_bench.sh [BUILD_DIR] [RECORDS...]      (default: build 100000 1000000)
set -eu
BUILD=${1:-build}
shift 2>/dev/null || true
SIZES=${*:-100000 1000000}
BATCH=$(realpath "$BUILD/src/batch/addrova-batch")
WORK=$(mktemp -d /tmp/addrova-reports-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export ADDROVA_HOME="$WORK/home" QT_QPA_PLATFORM=offscreen
mkdir -p "$ADDROVA_HOME/sysdata"
cp "$BUILD"/resources/sysdata/* "$ADDROVA_HOME/sysdata/"

echo "| records | report | pages | seconds | CPU seconds | pages/s | PDF MiB | peak RSS MiB |"
echo "|---:|---|---:|---:|---:|---:|---:|---:|"
for n in $SIZES; do
  "$BATCH" demo "$WORK/a$n.dbf" "$n" >/dev/null 2>&1
  for which in builtin report; do
    if [ "$which" = builtin ]; then set -- --builtin 1; name="built-in 1"; else set -- --report "Phone list"; name="Phone list"; fi
    /usr/bin/time -v -o "$WORK/time" "$BATCH" report "$WORK/a$n.dbf" "$@" --all --pdf "$WORK/out.pdf" >/dev/null 2>&1
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$WORK/time" | awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
    user=$(sed -n 's/.*User time (seconds): //p' "$WORK/time")
    sys=$(sed -n 's/.*System time (seconds): //p' "$WORK/time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time")
    pages=$(pdfinfo "$WORK/out.pdf" | sed -n 's/^Pages: *//p')
    size=$(stat -c %s "$WORK/out.pdf")
    awk -v n="$n" -v name="$name" -v p="$pages" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" -v z="$size" \
      'BEGIN { printf "| %d | %s | %d | %.1f | %.1f | %.0f | %.1f | %.0f |\n", n, name, p, w, u+s, p/w, z/1048576, r/1024 }'
  done
done
