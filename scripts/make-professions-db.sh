#!/bin/sh
# Builds the reference database of professions from scripts/professions.txt
# with the tool itself (no sqlite3 command needed).
# Usage: scripts/make-professions-db.sh [OUT.sqlite] [path/to/genvora]
set -e
here=$(dirname "$0")
out=${1:-professions.sqlite}
tool=${2:-$here/../build/genvora}
"$tool" make-professions-db "$here/professions.txt" "$out"
