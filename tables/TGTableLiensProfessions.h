// TGTableLiensProfessions: the links between individuals and professions,
// each kept twice ({individual, profession} and {profession, individual}) as
// 8-byte items of two unsigned 32-bit little-endian words, sorted by the
// first word and then the second.
#pragma once

#include "tables/TGTableLiensPrenoms.h"

namespace genvora {

class TGTableLiensProfessions : public TGTableLiensPaires {
 public:
  static constexpr unsigned kItemSize = 8;

  TGTableLiensProfessions();

  void AjouteLien(CodeID a, CodeID b);
  void GetProfessions(CodeID individual, LArray* out) const { GetLiens(individual, out); }
  void GetIndis(CodeID profession, LArray* out) const { GetLiens(profession, out); }
};

}  // namespace genvora
