// TGTableLiensGenerique: a sorted array of {code A, code B} pairs (unsigned
// 32-bit little-endian each), kept sorted by code A; pairs of one code A are
// in the order they were added. A pair links two records of any kind
// (address and person, note and record, task and address...); queries look
// for a pair in either order.
#pragma once

#include <cstdint>

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
};

}  // namespace genvora
