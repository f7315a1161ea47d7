// The variants of a dictionary, in memory beside its store and never saved:
// for each master, the records attached to it. A record is a variant when
// its Rattachement is neither 0 nor its own code (GetIsR); its master is
// that Rattachement. Surnames, places, first names and professions all keep
// it the same way.
//
// Invariants:
//  1. The order is learnt in one pass of the store the first time a
//     question needs it, then kept in step by the dictionary's writes (the
//     raw EcritData, where every record lands) and deletions; after a read
//     or a flush it is relearnt. When the count of codes learnt no longer
//     matches the store, records came or went behind the dictionary's back
//     and it is relearnt before answering.
//  2. A record whose bytes do not decode is learnt as no variant: it names
//     no master.
//  3. Answers listing records follow store order, the order a walk of the
//     store gives.
//
// Choices made here, the same in every dictionary:
//  - LesVariantesDe(master): the records attached directly to `master`.
//  - LesVariantesDes(list): the whole family below the codes of the list,
//    over every level (a variant of a variant belongs to it), each record
//    once; a ring of records attached to each other ends.
//  - EstVarianteMaitre(code): `code` serves as master, at least one other
//    record being attached to it (the test the upgrades make through
//    FillListeIDsMaitre); a record attached to nothing is not one.
//  - GetVarianteMaitre stays one level up: the Rattachement itself.
#pragma once

#include <cstdint>
#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "records/TGRoot.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

// The Rattachement of a record of type `Record` held in `data`; false when
// the bytes do not decode (nothing is changed then).
template <typename Record>
bool DecodeRattachement(const void* data, unsigned size, CodeID& master) {
  if (size > 0x7FFFFFFFu) return false;
  Record record;
  try {
    record.Decode(data, static_cast<int>(size));
  } catch (const std::exception&) {
    return false;
  }
  master = record.GetRattachement();
  return true;
}

class VariantOrder {
 public:
  // Forgets everything: relearnt before the next answer.
  void Invalidate() {
    masterOf_.clear();
    byMaster_.clear();
    learnt_.clear();
    valid_ = false;
  }
  // An empty, trusted order (an empty store).
  void Reset() {
    Invalidate();
    valid_ = true;
  }
  bool Valid() const { return valid_; }

  // Learns a record that was just stored: `readable` false for bytes that
  // do not decode.
  void Learn(CodeID code, bool readable, CodeID rattachement) {
    if (!valid_) return;
    Drop(code);
    learnt_.insert(code);
    if (readable && rattachement != 0 && rattachement != code) {
      masterOf_.emplace(code, rattachement);
      byMaster_[rattachement].insert(code);
    }
  }
  void Forget(CodeID code) {
    if (!valid_) return;
    Drop(code);
    learnt_.erase(code);
  }

  // Learns a record the raw write just stored (`position` 0: nothing was),
  // while the order is trusted; `read` as for Ensure.
  template <typename Read>
  void LearnStored(int position, CodeID code, const void* data, unsigned size, Read read) {
    if (position == 0 || !valid_) return;
    CodeID master = 0;
    const bool readable = read(data, size, master);
    Learn(code, readable, master);
  }

  // Relearns the whole store when the order cannot be trusted. `read`
  // answers the Rattachement of stored bytes: bool(const void*, unsigned,
  // CodeID&).
  template <typename Read>
  void Ensure(LXArray& store, const char* what, Read read) {
    if (valid_ && learnt_.size() == store.GetCodeList()->GetCount()) return;
    Reset();
    const std::vector<CodeID> codes = StoreOrderCodes(store);
    ProgressTicker ticker(what, static_cast<std::int64_t>(codes.size()));
    std::int64_t done = 0;
    std::vector<unsigned char> bytes;
    for (CodeID code : codes) {
      ticker.Step(++done);
      const unsigned size = store.FetchData(code, nullptr, 0);
      bytes.resize(size == 0 ? 1 : size);
      CodeID master = 0;
      const bool readable = store.FetchData(code, bytes.data(), size) == size && read(bytes.data(), size, master);
      Learn(code, readable, master);
    }
    ticker.Done();
  }

  // The master of a variant, 0 for a record that is none.
  CodeID MasterOf(CodeID code) const {
    const auto found = masterOf_.find(code);
    return found == masterOf_.end() ? 0 : found->second;
  }
  bool EstMaitre(CodeID code) const { return byMaster_.count(code) != 0; }

  // The variants attached directly to `master`, in store order.
  std::vector<CodeID> VariantesDe(const LXArray& store, CodeID master) const {
    const auto found = byMaster_.find(master);
    if (found == byMaster_.end()) return {};
    std::vector<CodeID> codes(found->second.begin(), found->second.end());
    SortByStoreOrder(store, codes);
    return codes;
  }

  // Appends to `out` every record below the codes of `from` (4-byte items):
  // their variants, the variants of those, and so on, each once, level by
  // level and in store order within one master. The codes of `from` are not
  // repeated, and a ring of records attached to each other ends.
  void VariantesDes(const LXArray& store, const LArray* from, LArray* out) const {
    if (from == nullptr || out == nullptr) return;
    std::unordered_set<CodeID> seen;
    std::vector<CodeID> level;
    for (int i = 1; i <= static_cast<int>(from->GetCount()); ++i) {
      const CodeID code = ItemWord(from->GetItemPtr(i), 0);
      if (seen.insert(code).second) level.push_back(code);
    }
    while (!level.empty()) {
      std::vector<CodeID> next;
      for (CodeID master : level) {
        for (CodeID variant : VariantesDe(store, master)) {
          if (!seen.insert(variant).second) continue;
          out->AddItem(&variant, 4);
          next.push_back(variant);
        }
      }
      level.swap(next);
    }
  }

  // Adds to `list` the master of every variant, in the store order of the
  // first variant of each, without duplicates (a master already in the list
  // is not added again).
  void FillMaitres(const LXArray& store, LArray* list) const {
    if (list == nullptr) return;
    std::unordered_set<CodeID> listed;
    for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) listed.insert(ItemWord(list->GetItemPtr(i), 0));
    std::vector<CodeID> variants;
    variants.reserve(masterOf_.size());
    for (const auto& entry : masterOf_) variants.push_back(entry.first);
    SortByStoreOrder(store, variants);
    for (CodeID variant : variants) {
      const CodeID master = masterOf_.at(variant);
      if (listed.insert(master).second) list->AddItem(&master, 4);
    }
  }

 private:
  void Drop(CodeID code) {
    const auto found = masterOf_.find(code);
    if (found == masterOf_.end()) return;
    const auto set = byMaster_.find(found->second);
    if (set != byMaster_.end()) {
      set->second.erase(code);
      if (set->second.empty()) byMaster_.erase(set);
    }
    masterOf_.erase(found);
  }

  std::unordered_map<CodeID, CodeID> masterOf_;
  std::unordered_map<CodeID, std::unordered_set<CodeID>> byMaster_;
  std::unordered_set<CodeID> learnt_;
  bool valid_ = false;
};

}  // namespace genvora
