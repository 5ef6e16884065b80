#!/bin/sh
# Merged letters: the shipped business letter (one page, eight merge fields) for every record, to one
# PDF and to one PDF per record, through `addrova-batch letters`. Prints a markdown table of pages,
# wall time, CPU time (user + system), pages per CPU second, output size and peak memory (from
# /usr/bin/time -v). On a shared machine the CPU figures are the ones to compare.
#
#   bench/letters_merge.sh [RECORDS] [BUILD_DIR]       (defaults: 10000, ./build)
set -eu
N=${1:-10000}
BUILD=${2:-build}
BATCH=$(cd "$BUILD" && pwd)/src/batch/addrova-batch
[ -x "$BATCH" ] || { echo "no $BATCH: build the addrova-batch target first" >&2; exit 1; }
W=$(mktemp -d /tmp/letters-bench.XXXXXX)
trap 'rm -rf "$W"' EXIT
export ADDROVA_HOME="$W/home"
export QT_QPA_PLATFORM=offscreen

"$BATCH" demo "$W/demo.dbf" "$N" >/dev/null 2>&1

run() {  # name, output description, command...
    name=$1; shift
    /usr/bin/time -v -o "$W/time.txt" "$@" 2>"$W/err.txt" >/dev/null
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$W/time.txt")
    cpu=$(awk -F': ' '/User time|System time/ {s+=$2} END {printf "%.1f", s}' "$W/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {printf "%.0f", $2/1024}' "$W/time.txt")
    pages=$(grep -o '^[0-9]* pages' "$W/err.txt" | cut -d' ' -f1)
    echo "| $name | $pages | $secs s | $cpu s | $(echo "$pages $cpu" | awk '{printf "%.0f", $1/$2}') | $(du -sh "$OUT" | cut -f1) | $rss MB |"
}

echo "| run | pages | wall time | CPU time | pages per CPU second | output | peak memory |"
echo "|---|---|---|---|---|---|---|"
OUT="$W/all.pdf"
run "one PDF" "$BATCH" letters "$W/demo.dbf" --letter "Business Letter" --all --pdf "$OUT"
OUT="$W/each"
run "one PDF per record" "$BATCH" letters "$W/demo.dbf" --letter "Business Letter" --all --pdf-each "$OUT"
