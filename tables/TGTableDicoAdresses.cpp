#include "tables/TGTableDicoAdresses.h"

namespace genvora {

TGTableDicoAdresses::TGTableDicoAdresses() : LXArray("TGTableDicoAdresses", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

int TGTableDicoAdresses::EcritData(TGAdresse* adresse) {
  if (adresse == nullptr || adresse->GetCodeID() == 0) return 0;
  return adresse->EcritDans(adresse->GetCodeID(), this);
}

int TGTableDicoAdresses::DeleteData(std::uint32_t code) {
  SupprimeLiensDeCode(code);
  return LXArray::DeleteData(code);
}

void TGTableDicoAdresses::LesLiensDe(CodeID code, LArray* out) const {
  if (out == nullptr) return;
  if (liens_ == nullptr) {
    out->Flush();
    return;
  }
  liens_->LesLiensDe(code, out);
}

void TGTableDicoAdresses::AjouterLien(CodeID adresse, CodeID code) {
  if (liens_ != nullptr && adresse != 0 && code != 0) liens_->AjouteLien(adresse, code);
}

bool TGTableDicoAdresses::SupprimeLien(CodeID adresse, CodeID code) {
  return liens_ != nullptr && liens_->SupprimeLien(adresse, code);
}

void TGTableDicoAdresses::SupprimeLiensDeCode(CodeID code) {
  if (liens_ != nullptr) liens_->RemoveCodeID(code);
}

}  // namespace genvora
