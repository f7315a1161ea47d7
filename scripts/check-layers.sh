#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own, naming the
# file, the line and the include. The allowed order, lowest first:
#
#   platform
#   utilities
#   containers, dates       (siblings: neither includes the other)
#   records
#   tables
#   database
#   computations
#   export, charts, support (the exporters; the charts; the demo and synthetic
#                            families)
#   cli, tests, bench, fuzz (on top; each includes only itself and below)
#
# A file may include headers of its own folder and of any layer below it.
# Includes are read as written, "folder/Header.h" or <folder/Header.h>;
# headers of other projects (no folder of this tree) are not looked at.
#
# Usage: check-layers.sh [ROOT]   (ROOT defaults to the project root)
set -u

root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}

declare -A rank=(
  [platform]=0 [utilities]=1 [containers]=2 [dates]=2 [records]=3 [tables]=4
  [database]=5 [computations]=6 [export]=7 [charts]=7 [support]=7 [cli]=8 [tests]=8 [bench]=8 [fuzz]=8
)
# The order as one line, from the ranks above: "a < b, c < ...".
order=$(for folder in "${!rank[@]}"; do echo "${rank[$folder]} $folder"; done | sort -k1,1n -k2,2 |
  awk '{ if (NR > 1) s = s ($1 == rank ? ", " : " < "); s = s $2; rank = $1 } END { print s }')

violations=0
for folder in "${!rank[@]}"; do
  [ -d "$root/$folder" ] || continue
  while IFS= read -r hit; do
    # hit: PATH:LINE:#include "target/..."
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([A-Za-z_]+)\/.*/\1/' <<<"$text")
    [ -n "${rank[$target]+known}" ] || continue
    [ "$target" = "$folder" ] && continue
    if (( rank[$target] >= rank[$folder] )); then
      echo "${file#"$root"/}:$line: $folder/ may not include $target/: $(sed -E 's/^[[:space:]]+//' <<<"$text")"
      violations=$((violations + 1))
    fi
  done < <(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' \
             '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][A-Za-z_]+/' "$root/$folder")
done

if (( violations > 0 )); then
  echo "check-layers: $violations include(s) against the layer order: $order" >&2
  exit 1
fi
echo "check-layers: every include follows the layer order: $order"
