// The code map an import fills: each record code of the source table -> the
// code its copy (or the record it was unified with) carries in this
// database. The caller rewrites the references of what it imports next
// (individuals naming a surname, events naming a place, links naming an
// event) through it.
#pragma once

#include <unordered_map>

#include "platform/Types.h"

namespace genvora {

using CodeMap = std::unordered_map<CodeID, CodeID>;

// The code `code` maps to; 0 for 0 and for a code the map does not hold.
inline CodeID MapCode(const CodeMap& map, CodeID code) {
  if (code == 0) return 0;
  const auto found = map.find(code);
  return found == map.end() ? 0 : found->second;
}

}  // namespace genvora
