// TGTableLiensGenerique: a sorted array of {code A, code B} pairs (unsigned
// 32-bit little-endian each), kept sorted by code A; pairs of one code A are
// in the order they were added. A pair links two records of any kind
// (address and person, note and record, task and address...); queries look
// for a pair in either order.
//
// Invariants:
//  1. Beside the array (never saved) lies its order by member: one entry
//     {member, A, rank, other member} for each member of each pair (once for
//     a pair {c, c}), ordered by member, then A, then rank. The rank of a
//     pair grows with its place in its run of A, so the entries of a code
//     are its pairs in array order, and every query answers what a scan of
//     the array would, in the scan's order, in O(log n + k).
//  2. That holds while the array is sorted by A in the array comparator's
//     order (codes as signed 32-bit words). An array read otherwise (a
//     damaged file) is answered by scans.
//  3. The table's own changes keep the order in step in O(log n) each; any
//     other change of the array (through the LArray interface, a read from
//     a file) bumps a change count, and the order is rebuilt at the next
//     query.
#pragma once

#include <cstdint>
#include <set>
#include <utility>

#include "containers/LArray.h"
#include "containers/LComparator.h"

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
  // Every change of the items passes here: each one counts (invariant 3).
  void AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void StoreNewItems(unsigned n, int index, const void* item, unsigned size) override;
  void InternalSwapItems(int a, int b, void* buffer) override;
  void InternalMoveItem(int from, int to, void* buffer) override;
  void InternalCopyItem(int from, int to) override;
  void ClearAfterFailedRead() override;

 private:
  struct Entree {
    CodeID membre;
    CodeID a;
    std::uint64_t rang;
    CodeID autre;
    bool operator<(const Entree& other) const {
      if (membre != other.membre) return membre < other.membre;
      if (a != other.a) return CodeWordBefore(a, other.a);  // the array's order
      return rang < other.rang;
    }
  };
  using Ordre = std::set<Entree>;

  // In phase with the array (rebuilt first when it changed behind the
  // table's back); false when only a scan can answer (invariant 2).
  bool Pret() const;
  void Reconstruit() const;
  Ordre::const_iterator PremiereDe(CodeID code) const { return parMembre_.lower_bound({code, kPremierA, 0, 0}); }
  // The first code in the array's order.
  static constexpr CodeID kPremierA = 0x80000000u;
  void Ajoute(CodeID a, CodeID b, std::uint64_t rang) const;
  void Enleve(const Entree& entree);

  mutable Ordre parMembre_;
  mutable bool ordonne_ = false;      // invariant 2 holds
  mutable std::uint64_t rangSuivant_ = 0;
  std::uint64_t changes_ = 0;
  mutable std::uint64_t synced_ = ~std::uint64_t{0};
};

}  // namespace genvora
