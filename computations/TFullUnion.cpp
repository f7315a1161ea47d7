#include "computations/TFullUnion.h"

#include <string>

#include "computations/TGDatabaseParenteSource.h"
#include "database/TGDatabase.h"
#include "records/TGUnion.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"

namespace genvora {

TFullUnion::TFullUnion() : union_(std::make_unique<TGUnion>()) {}

TFullUnion::TFullUnion(TGDatabase* database, CodeID code) : TFullUnion() {
  SetFiler(database);
  SetCodeID(code);
}

TFullUnion::~TFullUnion() = default;

void TFullUnion::Vide() {
  TFullWithEventAndChild::Vide();
  union_->zeroMemory();
}

void TFullUnion::SetCodeID(CodeID code) {
  Vide();
  codeID_ = 0;
  if (code == 0) return;
  const AnsiString what = "union " + std::to_string(code);
  if (filer_ == nullptr) {
    SomethingGoesWrong(what + ": no database");
    return;
  }
  if (!filer_->FichierOuvert) {
    SomethingGoesWrong(what + ": the file is not open");
    return;
  }
  if (!filer_->EstUnion(code)) {
    SomethingGoesWrong(what + ": no such union");
    return;
  }
  if (!union_->LitDans(code, filer_->Tables().unions)) {
    const AnsiString reason = union_->LastDamage();
    union_->zeroMemory();
    SomethingGoesWrong(what + ": " + reason);
    return;
  }
  codeID_ = code;
  ChargeLesTables();
}

AnsiString TFullUnion::GetText() const {
  if (codeID_ == 0) return {};
  return std::to_string(union_->GetEpoux()) + " x " + std::to_string(union_->GetEpouse());
}

void TFullUnion::ChargeEnfants() {
  enfants_.Flush();
  if (filer_ == nullptr || codeID_ == 0) return;
  filer_->Tables().individus->LesEnfantsDe(union_->GetEpoux(), union_->GetEpouse(), &enfants_);
  TrierCetteTable(&enfants_);
  if (SortedList) Parente()->GetListeOrdonnee(&enfants_, true);
}

CodeID TFullUnion::GetMainEvent() {
  for (std::uint32_t type : {kFullMariage, kFullReligieux, kFullPacs, kFullContrat}) {
    const CodeID found = GetCetEvenement(type);
    if (found != 0) return found;
  }
  return 0;
}

CodeID TFullUnion::GetDebut() { return DebutParmi(*GetTableEvenements()); }

CodeID TFullUnion::GetFin() {
  const CodeID divorce = GetDivorce();
  return divorce != 0 ? divorce : GetSeparation();
}

CodeID TFullUnion::LeConjoint(CodeID person) const {
  if (codeID_ == 0 || person == 0) return 0;
  if (person == union_->GetEpoux()) return union_->GetEpouse();
  if (person == union_->GetEpouse()) return union_->GetEpoux();
  return 0;
}

bool TFullUnion::Sauve() {
  if (filer_ == nullptr || codeID_ == 0) return false;
  filer_->FichierModifie = true;
  // Through the table, so that a changed husband or wife moves the union's
  // index entries with it.
  filer_->Tables().unions->EcritData(union_.get());
  return filer_->EstUnion(codeID_);
}

}  // namespace genvora
