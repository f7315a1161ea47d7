#!/usr/bin/env bash
# The main job on the built-in demo data: what `make run` shows.
set -euo pipefail
BUILD=${1:-build}
G="$BUILD/genvora"
echo "== genvora info"
"$G" info

# A few files made on the spot: a header written by the engine, the legacy
# form of the same block (block A alone, under a legacy extension), and a
# file that is no database.
DEMO=$(mktemp -d)
trap 'rm -rf "$DEMO"' EXIT
"$G" make-header "$DEMO/family.genvora" --de-cujus 1
tail -c +33 "$DEMO/family.genvora" | head -c 2380 > "$DEMO/family.GV9"
echo "not a database" > "$DEMO/notes.txt"

echo "== genvora detect"
"$G" detect "$DEMO/family.genvora" "$DEMO/family.GV9" "$DEMO/notes.txt"
echo "== genvora detect --json"
"$G" detect --json "$DEMO/family.GV9"
echo "== genvora info family.genvora"
"$G" info "$DEMO/family.genvora"
echo "== genvora info family.GV9 --json"
"$G" info "$DEMO/family.GV9" --json
echo "== genvora info notes.txt (refused)"
"$G" info "$DEMO/notes.txt" || echo "(exit status $?)"
echo "== genvora date"
"$G" date "vers 1850" "12/03/1850" "ABT 1850" "1850//1860" "1 Tishri 5760"
"$G" date --gregorian "3 brumaire an II" "J 1 janvier 1700"
"$G" date --format %GED "entre 1850 et 1860" "3 brumaire an II"
"$G" date --json "entre 1850 et 1860"
