#include "tables/TGTableDicoAdresses.h"

#include <set>
#include <utility>

#include "tables/RecordPeek.h"
#include "tables/SecondaryOrder.h"

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

int TGTableDicoAdresses::Importer(TGTableDicoAdresses& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  int copied = 0;
  TGAdresse adresse;
  for (CodeID code : StoreOrderCodes(source)) {
    adresse.zeroMemory();
    if (!LitSansEffacer(adresse, code, source)) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    adresse.SetCodeID(fresh);
    adresse.SetOldXREFUnion(MapCode(map, adresse.GetOldXREFUnion()));
    adresse.SetOldXREFHomme(MapCode(map, adresse.GetOldXREFHomme()));
    adresse.SetOldXREFFemme(MapCode(map, adresse.GetOldXREFFemme()));
    adresse.SetStampOnWrite(false);
    if (EcritData(&adresse) == 0) continue;
    map[code] = fresh;
    ++copied;
  }
  return copied;
}

int TGTableDicoAdresses::ImporterLiens(const TGTableDicoAdresses& source, const CodeMap& map) {
  const TGTableLiensGenerique* from = source.GetLiens();
  if (liens_ == nullptr || from == nullptr || from == liens_) return 0;
  // The pairs held here, in either order, learnt once rather than asked
  // of the table pair by pair.
  std::set<std::pair<CodeID, CodeID>> held;
  for (int i = 1; i <= static_cast<int>(liens_->GetCount()); ++i) {
    const void* pair = liens_->GetItemPtr(i);
    held.emplace(ItemWord(pair, 0), ItemWord(pair, 1));
    held.emplace(ItemWord(pair, 1), ItemWord(pair, 0));
  }
  std::vector<std::uint32_t> added;
  for (int i = 1; i <= static_cast<int>(from->GetCount()); ++i) {
    const void* pair = from->GetItemPtr(i);
    const CodeID a = MapCode(map, ItemWord(pair, 0));
    const CodeID b = MapCode(map, ItemWord(pair, 1));
    if (a == 0 || b == 0 || !held.emplace(a, b).second) continue;
    held.emplace(b, a);
    added.insert(added.end(), {a, b});
  }
  // One merge, as adding each pair after its run would leave the table.
  MergeIntoRuns(*liens_, added, 2);
  return static_cast<int>(added.size() / 2);
}

void TGTableDicoAdresses::SupprimeLiensDeCode(CodeID code) {
  if (liens_ != nullptr) liens_->RemoveCodeID(code);
}

}  // namespace genvora
