// TG5QuickList: the ancestry quick list of the individuals table, the one
// structure the ancestry, Sosa and kinship walks read.
//
// Items "QuickList" (12 bytes, little-endian), sorted by individual code:
//
// | offset | size | field           |
// |--------|------|-----------------|
// | 0      | 4    | individual code |
// | 4      | 4    | father code     |
// | 8      | 4    | mother code     |
//
// Attached slot 1, "QuickList-Childs" (8 bytes): {parent code, child code},
// sorted by parent code, children of one parent in the order they were added;
// its aux comparator (BlocComparator over the 8 bytes) serves exact pairs.
//
// Invariants:
//  1. One item per individual written; rewriting an individual replaces its
//     item and its two child pairs, so no pair is ever duplicated.
//  2. A pair exists for each parent that is not 0.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "containers/LArray.h"

namespace genvora {

struct QuickListT {
  CodeID individu;
  CodeID pere;
  CodeID mere;
};

class TG5QuickList : public LArray {
 public:
  static constexpr unsigned kItemSize = 12;
  static constexpr unsigned kChildItemSize = 8;
  static constexpr int kChildsSlot = 1;

  TG5QuickList();

  // Writes the item of an individual and its child pairs.
  void Ecrit(CodeID individu, CodeID pere, CodeID mere);
  void Supprime(CodeID individu);
  bool GetParents(CodeID individu, CodeID& pere, CodeID& mere) const;
  // Appends the children of `parent` to `out`, in the list's order.
  void Enfants(CodeID parent, std::vector<CodeID>& out) const;
  bool EstEnfantDe(CodeID child, CodeID parent) const;

  // Empties `out` (4-byte items) and lists the individual and every ancestor
  // once, depth first: the individual, then its father's line, then its
  // mother's.
  void AscendanceDe(CodeID code, LArray* out) const;
  void AscendanceDeCoupleDe(CodeID code1, CodeID code2, LArray* out) const;

  // Rebuilds the list and its pairs from items given in store order.
  void Rebuild(const std::vector<QuickListT>& items);

  LArray* GetChilds() const { return childs_; }

 private:
  void Ascend(CodeID code, LArray* out, std::unordered_set<CodeID>& listed) const;
  LArray* childs_;  // owned through attached slot 1
};

}  // namespace genvora
