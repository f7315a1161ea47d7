// TGTableDicoAdresses: the addresses dictionary "TGTableDicoAdresses"
// (TGAdresse records) and its pairs {address, individual or union} kept in
// the generic pair table "TGTableDicoAdresses-Liens", saved as an array of
// its own.
#pragma once

#include "containers/LXArray.h"
#include "records/TGAdresse.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/TGTableLiensGenerique.h"

namespace genvora {

class TGTableDicoAdresses : public LXArray {
 public:
  TGTableDicoAdresses();

  void SetLiens(TGTableLiensGenerique* liens) { liens_ = liens; }
  TGTableLiensGenerique* GetLiens() const { return liens_; }

  int EcritData(TGAdresse* adresse);
  bool FetchData(CodeID code, TGAdresse* adresse) { return adresse != nullptr && adresse->LitDans(code, this); }
  // Removes the address and its pairs.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // True when no individual or union uses the address.
  bool InternalCanDelete(CodeID code) const { return liens_ == nullptr || liens_->LePremierLienDe(code) == 0; }
  void LesLiensDe(CodeID code, LArray* out) const;
  void AjouterLien(CodeID adresse, CodeID code);
  bool SupprimeLien(CodeID adresse, CodeID code);
  // The address of an individual or a union: the other member of the first
  // pair holding the code; 0 when none.
  CodeID GetAdresseIndi(CodeID code) const { return liens_ != nullptr ? liens_->LePremierLienDe(code) : 0; }
  CodeID GetAdresseUnion(CodeID code) const { return GetAdresseIndi(code); }
  void SupprimeLiensDeCode(CodeID code);

  // Copies every address of `source`, in store order, under a new code from
  // `codes`, days kept (addresses are not unified: two people may share a
  // text and not a home); the union, man and woman of older versions are
  // translated through `map` (0 when it does not know them). Fills `map`
  // old -> new; answers the count copied.
  int Importer(TGTableDicoAdresses& source, ICodeAllocator* codes, CodeMap& map);
  // Copies the pairs of `source` whose two members `map` knows (the
  // addresses, individuals and unions imported first); a pair already here
  // is not added twice. Answers the count added.
  int ImporterLiens(const TGTableDicoAdresses& source, const CodeMap& map);

 private:
  TGTableLiensGenerique* liens_ = nullptr;
};

}  // namespace genvora
