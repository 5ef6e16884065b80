#!/bin/sh
# Merged letters, one PDF and one PDF per record, and side by side with LibreOffice Writer's own
# mail merge: see bench/letters_merge.py (Debian's python3 with python3-uno and python3-dbf).
#
#   bench/letters_merge.sh [RECORDS] [BUILD_DIR]       (defaults: 10000, ./build)
set -eu
exec /usr/bin/python3 "$(dirname "$0")/letters_merge.py" --records "${1:-10000}" --build "${2:-build}"
