// TGTableLiensGenerique: a sorted array of {code A, code B} pairs (unsigned
// 32-bit little-endian each), kept sorted by code A; pairs of one code A are
// in the order they were added. A pair links two records of any kind
// (address and person, note and record, task and address...); queries look
// for a pair in either order.
//
// Invariants:
//  1. Beside the array (never saved) lies its order by member: one entry
//     {code, position} for each member of each pair (once for a pair {c, c}),
//     sorted by code then position. The entries of a code are therefore its
//     pairs in array order, and every query answers what a scan of the array
//     would, in the scan's order, in O(log n + k).
//  2. The table's own changes keep that order in step; any other change of
//     the array (through the LArray interface, a read from a file) bumps a
//     change count, and the order is rebuilt at the next query.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "containers/LArray.h"

namespace genvora {

class TGTableLiensGenerique : public LArray {
 public:
  static constexpr unsigned kItemSize = 8;  // on disk: code A, code B

  explicit TGTableLiensGenerique(const char* className);

  void AjouteLien(CodeID a, CodeID b);
  // Removes {a, b} or {b, a}, whichever comes first in the array.
  bool SupprimeLien(CodeID a, CodeID b);
  bool EstLie(CodeID a, CodeID b) const;
  // Empties `out` (4-byte items) and appends the other member of every pair
  // holding `code`, in array order.
  void LesLiensDe(CodeID code, LArray* out) const;
  CodeID LePremierLienDe(CodeID code) const;
  // Removes every pair holding `code`, in one pass.
  void RemoveCodeID(CodeID code);

  void PokeItem(int index, const void* data, unsigned size) override;
  void Sort() override;
  bool LitDans(FileHandle* file) override;

 protected:
  // Every change of the items passes here: each one counts (invariant 2).
  void AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void StoreNewItems(unsigned n, int index, const void* item, unsigned size) override;
  void InternalSwapItems(int a, int b, void* buffer) override;
  void InternalMoveItem(int from, int to, void* buffer) override;
  void InternalCopyItem(int from, int to) override;
  void ClearAfterFailedRead() override;

 private:
  using Entree = std::pair<CodeID, std::uint32_t>;  // member, 1-based position

  // The entries of `code`, rebuilt first when the array changed behind the
  // table's back.
  std::pair<const Entree*, const Entree*> EntreesDe(CodeID code) const;
  void Reconstruit() const;
  bool EnPhase() const { return synced_ == changes_; }
  // After the pair {a, b} went in at `position` / out of `position`.
  void Insere(CodeID a, CodeID b, std::uint32_t position);
  void Retire(CodeID a, CodeID b, std::uint32_t position);

  mutable std::vector<Entree> parMembre_;
  std::uint64_t changes_ = 0;
  mutable std::uint64_t synced_ = ~std::uint64_t{0};
};

}  // namespace genvora
