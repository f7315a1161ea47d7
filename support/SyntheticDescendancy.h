// A synthetic descendancy for benchmarks: every person descends from one
// root couple, generation after generation, until the root has the number
// of descendants asked. Most descendants marry a spouse from outside the
// family (a person without parents) and have one to four children; a few
// marry a cousin, so that some persons are reached through both parents
// (implexes). Loaded into a database's tables the way a bulk import loads
// them: records stored first, indexes rebuilt in one pass. The same seed
// gives the same family.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace genvora {

class TGDatabase;

struct SyntheticDescendancyOptions {
  std::uint32_t descendants = 100000;
  std::uint32_t seed = 20261210;
};

struct SyntheticDescendancy {
  CodeID root = 0;              // the root man
  std::uint32_t descendants = 0;  // persons descending from him, him excluded
  std::uint32_t individus = 0;    // every individual written, spouses included
};

// Writes the family into `database` (open, empty) with codes from its
// counter; every person carries the surname `surname`, which must exist.
SyntheticDescendancy BuildSyntheticDescendancy(TGDatabase& database, CodeID surname,
                                               const SyntheticDescendancyOptions& options);

}  // namespace genvora
