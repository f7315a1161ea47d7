#!/usr/bin/env bash
# Runs each fuzz target of a fuzzing build for SECONDS, starting from its
# stored inputs in fuzz/corpus/NAME. New interesting inputs go to a working
# corpus in the build folder; every crashing input is written into
# fuzz/corpus/NAME as crash-*, where the ordinary test run replays it.
#   scripts/fuzz.sh BUILD SECONDS [TARGET...]   (TARGET: DatabaseFuzz, ...)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
seconds=${2:?seconds per target}
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*Fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
status=0
for target in "${targets[@]}"; do
  corpus=$(echo "${target%Fuzz}" | tr '[:upper:]' '[:lower:]')
  work="$build/fuzz-work/$corpus"
  mkdir -p "$work" "fuzz/corpus/$corpus"
  before=$(ls "fuzz/corpus/$corpus" | grep -c '^crash-' || true)
  echo "== $target for ${seconds}s (stored inputs: fuzz/corpus/$corpus)"
  # Fork mode keeps going after a crash, so one run collects every finding;
  # it names each crashing input crash-SHA1 after the prefix.
  "$build/$target" -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="fuzz/corpus/$corpus/" "$work" "fuzz/corpus/$corpus" || status=1
  after=$(ls "fuzz/corpus/$corpus" | grep -c '^crash-' || true)
  echo "== $target: $((after - before)) new crashing inputs in fuzz/corpus/$corpus"
  [ "$after" -eq "$before" ] || status=1
done
exit $status
