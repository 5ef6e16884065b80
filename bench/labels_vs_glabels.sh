#!/bin/sh
# Label printing against glabels: the same records on the same 30-up sheet (Avery 5160, 1" x 2-5/8")
# with the same address block, to PDF. Prints a markdown table of pages, time, pages per second, PDF
# size and peak memory (from /usr/bin/time -v) for both.
#
#   bench/labels_vs_glabels.sh [RECORDS] [BUILD_DIR]       (defaults: 100000, ./build)
#   ONLY=addrova bench/labels_vs_glabels.sh ...             (one side only: addrova or glabels)
#
# The records come from `addrova-batch demo`; glabels gets them as a CSV file whose five columns are
# the lines our address block prints (name with prefix, title, organisation, streets, city/state/ZIP,
# country; empty lines left out, at most the five that fit the label).
set -eu
N=${1:-100000}
BUILD=${2:-build}
BATCH=$(cd "$BUILD" && pwd)/src/batch/addrova-batch
[ -x "$BATCH" ] || { echo "no $BATCH: build the addrova-batch target first" >&2; exit 1; }
command -v glabels-3-batch >/dev/null || { echo "glabels-3-batch is not installed" >&2; exit 1; }
W=$(mktemp -d /tmp/labels-bench.XXXXXX)
trap 'rm -rf "$W"' EXIT
export ADDROVA_HOME="$W/home"
export QT_QPA_PLATFORM=offscreen

"$BATCH" demo "$W/demo.dbf" "$N" >/dev/null
"$BATCH" dump "$W/demo.dbf" --fields PREFIX,FNAME,MIDDLE,LNAME,TITLE,ORG,STREET,STREET2,CITY,STATE,ZIP,COUNTRY \
  | /usr/bin/python3 -c '
import csv, sys
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["L1", "L2", "L3", "L4", "L5"])
for line in sys.stdin:
    f = line.rstrip("\n").split("\t")[1:]
    prefix, first, middle, last, title, org, street, street2, city, state, zip_, country = f
    name = " ".join(p for p in (prefix, first, middle + "." if middle else "", last) if p)
    csz = " ".join(p for p in (city, state, zip_) if p)
    lines = [l for l in (name, title, org, street, street2, csz, country) if l][:5]
    out.writerow(lines + [""] * (5 - len(lines)))
' > "$W/demo.csv"

cat > "$W/demo.glabels" <<XML
<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Avery" part="5160" size="US-Letter" description="Address Labels">
    <Meta category="label"/>
    <Label-rectangle id="0" width="2.625in" height="1in" round="0.0625in" x_waste="0in" y_waste="0in">
      <Markup-margin size="0.0625in"/>
      <Layout nx="3" ny="10" x0="0.188in" y0="0.5in" dx="2.765in" dy="1.01in"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-text x="0.052in" y="0.052in" w="2.47in" h="0.84in" justify="Left" valign="Top" auto_shrink="False"
                 a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Arial" font_size="10" font_weight="Regular" font_italic="False" color="0x000000ff"
            line_spacing="1"><Field name="L1"/><NL/><Field name="L2"/><NL/><Field name="L3"/><NL/><Field name="L4"/><NL/><Field name="L5"/></Span>
    </Object-text>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="$W/demo.csv"/>
</Glabels-document>
XML

measure() {  # name, pdf, command...
  name=$1; pdf=$2; shift 2
  /usr/bin/time -v "$@" > "$W/$name.out" 2> "$W/$name.time" || { cat "$W/$name.time" >&2; exit 1; }
  secs=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$W/$name.time" \
         | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$W/$name.time")
  cpu=$(sed -n 's/.*User time (seconds): //p; s/.*System time (seconds): //p' "$W/$name.time" | awk '{ s += $1 } END { print s }')
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  size=$(stat -c %s "$pdf")
  words=$(pdftotext "$pdf" - | wc -w)
  printf '| %s | %s | %s | %s | %.1f | %.1f | %.1f | %s |\n' "$name" "$pages" "$secs" "$cpu" \
    "$(echo "$pages $secs" | awk '{ print ($2 > 0 ? $1 / $2 : 0) }')" \
    "$(echo "$size" | awk '{ print $1 / 1048576 }')" "$(echo "$rss" | awk '{ print $1 / 1024 }')" "$words"
}

echo "$N records, $(nproc) cores, $(date -u +%Y-%m-%d)"
echo
echo "| program | pages | seconds | CPU seconds | pages/s | PDF MiB | peak RSS MiB | words |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
ONLY=${ONLY:-}
[ "$ONLY" = glabels ] || measure addrova "$W/ours.pdf" "$BATCH" labels "$W/demo.dbf" --layout "Address labels, 30 per sheet (Avery 5160)" \
  --pdf "$W/ours.pdf"
[ "$ONLY" = addrova ] || measure glabels "$W/glabels.pdf" glabels-3-batch -o "$W/glabels.pdf" "$W/demo.glabels"
