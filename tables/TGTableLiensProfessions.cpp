#include "tables/TGTableLiensProfessions.h"

namespace genvora {

TGTableLiensProfessions::TGTableLiensProfessions() : TGTableLiensPaires("TableLiensProfessions", kItemSize) {}

void TGTableLiensProfessions::AjouteLien(CodeID a, CodeID b) {
  WritePair(a, b, 0);
  WritePair(b, a, 0);
}

}  // namespace genvora
