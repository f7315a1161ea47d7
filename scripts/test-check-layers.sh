#!/usr/bin/env bash
# The layering check on small trees made for the purpose: a sound tree
# passes; each wrong include makes it fail and name the file.
set -u

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# make_tree DIR: a sound tree, each layer including the one below it.
make_tree() {
  mkdir -p "$1"/{platform,utilities,containers,dates,records,tables,database,computations,support,cli,tests}
  echo '#pragma once' >"$1/platform/Types.h"
  printf '#include "platform/Types.h"\n' >"$1/utilities/TextUtils.cpp"
  printf '#include "utilities/TextUtils.h"\n#include <vector>\n' >"$1/containers/LArray.cpp"
  printf '#include "platform/Types.h"\n' >"$1/dates/TGDate.h"
  printf '#include "containers/LArray.h"\n#include "dates/TGDate.h"\n' >"$1/records/TGIndividu.h"
  printf '#include "records/TGIndividu.h"\n' >"$1/tables/TGTableIndividus.cpp"
  printf '#include "tables/TGTableIndividus.h"\n' >"$1/database/TGDatabase.cpp"
  printf '#include "database/TGDatabase.h"\n' >"$1/computations/TV5SosaMaker.cpp"
  printf '#include "computations/TV5SosaMaker.h"\n' >"$1/support/SampleFamily.cpp"
  printf '#include "support/SampleFamily.h"\n#include "cli/Commands.h"\n' >"$1/cli/DemoCommand.cpp"
  printf '#include "support/SampleFamily.h"\n#include "tests/TestSupport.h"\n' >"$1/tests/SomeTest.cpp"
}

# expect NAME STATUS TEXT DIR: the check on DIR exits with STATUS and its
# output holds TEXT.
expect() {
  local output status
  output=$("$here/check-layers.sh" "$4" 2>&1)
  status=$?
  if [ "$status" -ne "$2" ] || ! grep -qF -- "$3" <<<"$output"; then
    echo "FAIL $1: status $status (expected $2), output:"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

make_tree "$work/sound"
expect "sound tree" 0 "every include follows" "$work/sound"

# name | file | include it gets | text expected in the output
cases=(
  "upward include|utilities/FileFormat.cpp|#include \"database/TGHeader.h\"|utilities/FileFormat.cpp:2: utilities/ may not include database/"
  "sibling include|dates/TGDate.cpp|#include \"containers/LArray.h\"|dates/TGDate.cpp:2: dates/ may not include containers/"
  "engine includes support|database/TGDatabase.cpp|#include \"support/SampleFamily.h\"|database/TGDatabase.cpp:2: database/ may not include support/"
  "angle brackets|platform/Graphics.cpp|#include <utilities/ByteCursor.h>|platform/Graphics.cpp:2: platform/ may not include utilities/"
  "tool from tests|tests/CliTest.cpp|#include \"cli/Commands.h\"|tests/CliTest.cpp:2: tests/ may not include cli/"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name file include text <<<"$c"
  tree="$work/${name// /-}"
  make_tree "$tree"
  printf '#pragma once\n%s\n' "$include" >"$tree/$file"
  expect "$name" 1 "$text" "$tree"
done

exit $((failures > 0))
