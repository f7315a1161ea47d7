#!/usr/bin/env bash
# The main job on the built-in demo data: what `make run` shows.
set -euo pipefail
BUILD=${1:-build}
G="$BUILD/genvora"
echo "== genvora info"
"$G" info

# Everything happens in a temporary folder, the per-user store included.
DEMO=$(mktemp -d)
trap 'rm -rf "$DEMO"' EXIT
export GENVORA_CONFIG_DIR="$DEMO/config"

echo "== genvora demo: the demo family in five generations, each opened, upgraded, saved and compared"
"$G" demo "$DEMO/family"
echo "not a database" > "$DEMO/notes.txt"

echo "== genvora detect"
"$G" detect "$DEMO/family/famille.GV5" "$DEMO/family/famille.G12" "$DEMO/family/famille-GV5-upgraded.genvora" "$DEMO/notes.txt"
echo "== genvora detect --json"
"$G" detect --json "$DEMO/family/famille.G11"
echo "== genvora info famille-GV5-upgraded.genvora"
"$G" info "$DEMO/family/famille-GV5-upgraded.genvora"
echo "== genvora info famille.GV8 --json"
"$G" info "$DEMO/family/famille.GV8" --json
echo "== genvora dump famille.G12 --table TGTableIndividus"
"$G" dump "$DEMO/family/famille.G12" --table TGTableIndividus
# The demo family's codes: Noël 14, his great-grandfather Jean-Baptiste 6.
echo "== genvora ancestors famille-GV5-upgraded.genvora 14 --witnesses"
"$G" ancestors "$DEMO/family/famille-GV5-upgraded.genvora" 14 --witnesses
echo "== genvora descendants famille.G12 6"
"$G" descendants "$DEMO/family/famille.G12" 6
echo "== genvora descendants famille.G12 6 --numbering pelissier"
"$G" descendants "$DEMO/family/famille.G12" 6 --numbering pelissier
echo "== genvora person famille-GV5-upgraded.genvora 9"
"$G" person "$DEMO/family/famille-GV5-upgraded.genvora" 9
echo "== genvora coherence famille.genvora --completeness"
"$G" coherence "$DEMO/family/famille.genvora" --completeness || echo "(exit status $?)"
echo "== genvora check famille.genvora (nothing is written)"
"$G" check "$DEMO/family/famille.genvora" || echo "(exit status $?: repairs needed)"
echo "== genvora check famille.genvora --repair"
"$G" check "$DEMO/family/famille.genvora" --repair
echo "== genvora duplicates famille.genvora"
"$G" duplicates "$DEMO/family/famille.genvora" || echo "(exit status $?)"
echo "== genvora export famille.genvora famille.sqlite"
"$G" export "$DEMO/family/famille.genvora" "$DEMO/family/famille.sqlite"
echo "== genvora chart famille-GV5-upgraded.genvora 14 --ancestors --style fan, and 6 --descendants"
"$G" chart "$DEMO/family/famille-GV5-upgraded.genvora" 14 --ancestors --style fan -o "$DEMO/family/fan.svg"
"$G" chart "$DEMO/family/famille-GV5-upgraded.genvora" 6 --descendants -o "$DEMO/family/descendants.png"
ls -l "$DEMO/family/fan.svg" "$DEMO/family/descendants.png" | awk '{print $5, $NF}'
echo "== genvora export famille.genvora famille-export.ged (GEDCOM 5.5.1)"
"$G" export "$DEMO/family/famille.genvora" "$DEMO/family/famille-export.ged"
head -n 40 "$DEMO/family/famille-export.ged"
echo "== genvora upgrade famille.GV5 (the input is never written)"
"$G" upgrade "$DEMO/family/famille.GV5" "$DEMO/family/again.genvora"
echo "== genvora info notes.txt (refused)"
"$G" info "$DEMO/notes.txt" || echo "(exit status $?)"
echo "== genvora dump missing.GV5 (refused)"
"$G" dump "$DEMO/missing.GV5" || echo "(exit status $?)"
echo "== genvora sosa famille-GV5-upgraded.genvora 14"
"$G" sosa "$DEMO/family/famille-GV5-upgraded.genvora" 14
echo "== genvora date: GEDCOM forms, read whatever the language"
"$G" date "ABT 1850" "12 MAR 1850" "BET 1850 AND 1860" "12/03/1850" "1850//1860" "1 Tishri 5760"
echo "== genvora date with French in force (GENVORA_LANG=FR): French words"
GENVORA_LANG=FR "$G" date "vers 1850" "12 mars 1850"
GENVORA_LANG=FR "$G" date --gregorian "3 brumaire an II" "J 1 janvier 1700"
GENVORA_LANG=FR "$G" date --format %GED "entre 1850 et 1860" "3 brumaire an II"
GENVORA_LANG=FR "$G" date --json "entre 1850 et 1860"
echo "== genvora date 31/02/1850 (refused)"
"$G" date "31/02/1850" || echo "(exit status $?)"
