#include "tables/TGTableTache.h"

#include <algorithm>

#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

TGTableTache::TGTableTache() : LXArray("TableTaches", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

int TGTableTache::EcritData(TVGTache* tache) {
  if (tache == nullptr || tache->GetCodeID() == 0) return 0;
  return tache->EcritDans(tache->GetCodeID(), this);
}

bool TGTableTache::FetchData(CodeID code, TVGTache* tache) { return tache != nullptr && tache->LitDans(code, this); }

int TGTableTache::DeleteData(std::uint32_t code) {
  if (adresses_ != nullptr) adresses_->RemoveCodeID(code);
  if (individus_ != nullptr) individus_->RemoveCodeID(code);
  return LXArray::DeleteData(code);
}

void TGTableTache::AjouterLienAdresse(CodeID tache, CodeID adresse) {
  if (adresses_ != nullptr && !adresses_->EstLie(tache, adresse)) adresses_->AjouteLien(tache, adresse);
}

bool TGTableTache::SupprimeLienAdresse(CodeID tache, CodeID adresse) {
  return adresses_ != nullptr && adresses_->SupprimeLien(tache, adresse);
}

void TGTableTache::LesAdressesLies(CodeID tache, LArray* out) const {
  if (out == nullptr) return;
  if (adresses_ == nullptr) {
    out->Flush();
    return;
  }
  adresses_->LesLiensDe(tache, out);
}

void TGTableTache::AjouterLienIndividu(CodeID tache, CodeID individu) {
  if (individus_ != nullptr && !individus_->EstLie(tache, individu)) individus_->AjouteLien(tache, individu);
}

bool TGTableTache::SupprimeLienIndividu(CodeID tache, CodeID individu) {
  return individus_ != nullptr && individus_->SupprimeLien(tache, individu);
}

void TGTableTache::LesIndividusLies(CodeID tache, LArray* out) const {
  if (out == nullptr) return;
  if (individus_ == nullptr) {
    out->Flush();
    return;
  }
  individus_->LesLiensDe(tache, out);
}

void TGTableTache::SupprimeLiensDeCode(CodeID code) {
  if (adresses_ != nullptr) adresses_->RemoveCodeID(code);
  if (individus_ != nullptr) individus_->RemoveCodeID(code);
}

int TGTableTache::ChargeListeTache(std::vector<std::unique_ptr<TVGTache>>& out, bool nonRealiseesSeulement) {
  int loaded = 0;
  for (CodeID code : StoreOrderCodes(*this)) {
    auto tache = std::make_unique<TVGTache>();
    if (!tache->LitDans(code, this)) continue;
    if (nonRealiseesSeulement && tache->GetTacheRealisee()) continue;
    out.push_back(std::move(tache));
    ++loaded;
  }
  return loaded;
}

int TGTableTache::SeekArray(CodeID code) const {
  std::uint32_t pair[2] = {code, 0};
  return GetCodeList()->FetchIndexOf(pair, kPairSize);
}

}  // namespace genvora
