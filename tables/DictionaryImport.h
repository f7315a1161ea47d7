// Import of a dictionary's records into another dictionary of the same kind,
// unified by key: a record whose key the destination (or this very import)
// already holds takes that code; any other gets a fresh code.
//
// Codes are settled first for every record, so that a variant met before its
// master still finds the master's new code; then the new records are written
// with their Rattachement translated: a record that was its own master stays
// its own, 0 stays 0, and a master the source does not hold makes the record
// its own master. The records are stored without their index keys: the
// caller merges the answered codes into its index in one pass.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "containers/LXArray.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

// `load(code, record, key)` reads a source record and its key, false to skip
// it; `findKey(key)` answers the destination's code of a key, 0 when none.
template <typename Record, typename MakeRecord, typename Load, typename FindKey>
std::vector<CodeID> ImportDictionaryRecords(LXArray& into, LXArray& source, ICodeAllocator* codes,
                                            CodeMap& map, MakeRecord makeRecord, Load load, FindKey findKey) {
  struct Copy {
    CodeID from;
    Record record;
  };
  std::vector<Copy> copies;
  std::unordered_map<std::string, CodeID> brought;
  std::string key;
  for (CodeID code : StoreOrderCodes(source)) {
    Record record = makeRecord();
    if (!load(code, record, key)) continue;
    CodeID target = findKey(key);
    if (target == 0) {
      const auto earlier = brought.find(key);
      if (earlier != brought.end()) target = earlier->second;
    }
    if (target == 0) {
      target = codes->GetNextID();
      if (target == 0) break;
      brought.emplace(key, target);
      copies.push_back({code, std::move(record)});
    }
    map[code] = target;
  }
  std::vector<CodeID> added;
  added.reserve(copies.size());
  for (Copy& copy : copies) {
    const CodeID fresh = map[copy.from];
    const CodeID master = copy.record.GetRattachement();
    CodeID translated = master == 0 ? 0 : MapCode(map, master);
    if (master == copy.from || (master != 0 && translated == 0)) translated = fresh;
    copy.record.SetCodeID(fresh);
    copy.record.SetRattachement(translated);
    copy.record.SetStampOnWrite(false);
    if (copy.record.EcritDans(fresh, &into) == 0) {
      map.erase(copy.from);
      continue;
    }
    added.push_back(fresh);
  }
  return added;
}

}  // namespace genvora
