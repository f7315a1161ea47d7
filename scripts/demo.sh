#!/usr/bin/env bash
# The main job on the built-in demo data: what `make run` shows.
set -euo pipefail
BUILD=${1:-build}
G="$BUILD/genvora"
echo "== genvora info"
"$G" info
echo "== genvora date"
"$G" date "vers 1850" "12/03/1850" "ABT 1850" "1850//1860" "1 Tishri 5760"
"$G" date --gregorian "3 brumaire an II" "J 1 janvier 1700"
"$G" date --format %GED "entre 1850 et 1860" "3 brumaire an II"
"$G" date --json "entre 1850 et 1860"
