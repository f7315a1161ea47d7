#include "tables/IndividusDictionnaires.h"

#include "records/TGIndividu.h"
#include "tables/TGTableIndividus.h"

namespace genvora {

bool TGIndividusDictionnaires::PorteLeNom(CodeID nom) const {
  return individus_ != nullptr && nom != 0 && individus_->PremierDuNom(nom, false) != 0;
}

bool TGIndividusDictionnaires::LitTexte(CodeID individu, int selector, AnsiString& text) {
  TGIndividu indi;
  if (individus_ == nullptr || !individus_->FetchData(individu, &indi)) return false;
  // Without display options the first names read as stored.
  indi.SetOptions(0);
  text = indi.GetChar(selector);
  return true;
}

bool TGIndividusDictionnaires::EcritTexte(CodeID individu, int selector, const AnsiString& text) {
  TGIndividu indi;
  if (individus_ == nullptr || !individus_->FetchData(individu, &indi)) return false;
  indi.SetChar(selector, text);
  return individus_->EcritData(&indi) != 0;
}

}  // namespace genvora
