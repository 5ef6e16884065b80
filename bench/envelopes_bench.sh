#!/bin/sh
# Envelope printing to PDF: `addrova-batch envelopes` (the print run of the "Print Envelope" window)
# with the shipped No. 10 layout, one envelope per page, over N demonstration records. Prints a
# markdown row of pages, time, envelopes per second, PDF size and peak memory (/usr/bin/time -v).
#
#   bench/envelopes_bench.sh [RECORDS] [BUILD_DIR] [PAPER]     (defaults: 10000, ./build, envelope)
#
# PAPER "letter" puts each envelope on a landscape Letter sheet, moved by the default feed.
set -eu
N=${1:-10000}
BUILD=${2:-build}
PAPER=${3:-envelope}
BATCH=$(cd "$BUILD" && pwd)/src/batch/addrova-batch
[ -x "$BATCH" ] || { echo "no $BATCH: build the addrova-batch target first" >&2; exit 1; }
W=$(mktemp -d /tmp/envelopes-bench.XXXXXX)
trap 'rm -rf "$W"' EXIT
export ADDROVA_HOME="$W/home"
export QT_QPA_PLATFORM=offscreen

"$BATCH" demo "$W/demo.dbf" "$N" >/dev/null
/usr/bin/time -v "$BATCH" envelopes "$W/demo.dbf" --layout "Business envelope No. 10" --all --paper "$PAPER" \
  --pdf "$W/out.pdf" > "$W/run.out" 2> "$W/run.time" || { cat "$W/run.time" >&2; exit 1; }
secs=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$W/run.time" \
       | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$W/run.time")
cpu=$(sed -n 's/.*User time (seconds): //p; s/.*System time (seconds): //p' "$W/run.time" | awk '{ s += $1 } END { print s }')
pages=$(pdfinfo "$W/out.pdf" | sed -n 's/^Pages: *//p')
size=$(stat -c %s "$W/out.pdf")
echo "| records | paper | pages | seconds | CPU seconds | envelopes/s | PDF MiB | peak RSS MiB |"
echo "|---:|---|---:|---:|---:|---:|---:|---:|"
printf '| %s | %s | %s | %s | %s | %.0f | %.1f | %.0f |\n' "$N" "$PAPER" "$pages" "$secs" "$cpu" \
  "$(echo "$pages $secs" | awk '{ print ($2 > 0 ? $1 / $2 : 0) }')" \
  "$(echo "$size" | awk '{ print $1 / 1048576 }')" "$(echo "$rss" | awk '{ print $1 / 1024 }')"
