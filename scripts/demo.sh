#!/usr/bin/env bash
# The main job on the built-in demo data: what `make run` shows.
set -euo pipefail
BUILD=${1:-build}
G="$BUILD/genvora"
echo "== genvora info"
"$G" info
