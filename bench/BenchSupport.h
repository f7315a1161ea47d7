// What the benchmarks share: a synthetic family built into a new, open
// database, quietly (no progress shown, every box answered by default).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "support/SyntheticFamily.h"

namespace genvora::bench {

struct SyntheticDatabase {
  std::unique_ptr<TGDatabaseSosa> db = std::make_unique<TGDatabaseSosa>();
  std::vector<CodeID> codes;  // the persons, in the order they were made
};

inline SyntheticDatabase MakeSyntheticDatabase(std::uint32_t persons) {
  QuietHost quiet;
  SetHost(&quiet);
  SyntheticDatabase out;
  out.db->SetAsNewFile();
  SyntheticFamily family(SyntheticFamilyOptions{persons, 20240601}, *out.db);
  family.Build();
  out.codes = family.CodesIndividus();
  SetHost(nullptr);
  return out;
}

}  // namespace genvora::bench
