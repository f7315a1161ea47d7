#include "tables/TGTableLiens.h"

#include <algorithm>
#include <unordered_set>

#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

TGTableLiens::TGTableLiens() : LXArray("TBLINK", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  vers_ = new LArray(kKeySize, new LLongComparator(), true);
  vers_->SetClassName("TBLINK-IdxVERS");
  AttachArray(kVersSlot, vers_);
  de_ = new LArray(kKeySize, new LLongComparator(), true);
  de_->SetClassName("TBLINK-IdxDE");
  AttachArray(kDeSlot, de_);
}

void TGTableLiens::AddKeys(const TGLien& lien) {
  const std::uint32_t vers[3] = {lien.GetLienVers(), lien.GetLienDe(), lien.GetCodeID()};
  InsertInRun(*vers_, vers);
  const std::uint32_t de[3] = {lien.GetLienDe(), lien.GetLienVers(), lien.GetCodeID()};
  InsertInRun(*de_, de);
}

void TGTableLiens::RemoveLocalKey(CodeID code) {
  TGLien stored;
  if (stored.LitDans(code, this)) {
    const std::uint32_t vers[3] = {stored.GetLienVers(), stored.GetLienDe(), code};
    const std::uint32_t de[3] = {stored.GetLienDe(), stored.GetLienVers(), code};
    const bool versFound = RemoveExact(*vers_, vers);
    const bool deFound = RemoveExact(*de_, de);
    if (versFound && deFound) return;
  }
  for (LArray* index : {vers_, de_}) {
    for (int i = static_cast<int>(index->GetCount()); i >= 1; --i) {
      if (ItemWord(index->GetItemPtr(i), 2) == code) index->RemoveItemsAt(1, i);
    }
  }
}

int TGTableLiens::EcritData(TGLien* lien) {
  if (lien == nullptr) return 0;
  const CodeID code = lien->GetCodeID();
  const std::uint32_t probe[2] = {code, 0};
  const bool existed = code != 0 && GetCodeList()->FetchIndexOf(probe, 8) != 0;
  if (existed) RemoveLocalKey(code);
  const int position = lien->EcritDans(code, this);
  if (position != 0) {
    AddKeys(*lien);
  } else if (existed) {
    TGLien stored;
    if (stored.LitDans(code, this)) AddKeys(stored);
  }
  return position;
}

bool TGTableLiens::FetchData(CodeID code, TGLien* lien) { return lien != nullptr && lien->LitDans(code, this); }

int TGTableLiens::DeleteData(std::uint32_t code) {
  RemoveLocalKey(code);
  return LXArray::DeleteData(code);
}

// The links of `code` in the order a walk of "TBLINK-IdxDE" from its start
// meets them, answered from the two runs of `code`: each entry found is
// placed by its position in "TBLINK-IdxDE", so the order is the walk's.
void TGTableLiens::LesLiensDe(CodeID code, std::vector<CodeID>& out, int mode) const {
  std::vector<std::pair<int, CodeID>> found;  // position in IdxDE, link code
  const int deCount = static_cast<int>(de_->GetCount());
  if (mode != llVers) {
    for (int i = LowerBoundFirstWord(*de_, code); i <= deCount; ++i) {
      const void* item = de_->GetItemPtr(i);
      if (ItemWord(item, 0) != code) break;
      found.emplace_back(i, ItemWord(item, 2));
    }
  }
  if (mode != llDe) {
    const int versCount = static_cast<int>(vers_->GetCount());
    for (int i = LowerBoundFirstWord(*vers_, code); i <= versCount; ++i) {
      const void* item = vers_->GetItemPtr(i);
      if (ItemWord(item, 0) != code) break;
      // A link from `code` to itself is already listed.
      if (mode != llVers && ItemWord(item, 1) == code) continue;
      const std::uint32_t de[3] = {ItemWord(item, 1), code, ItemWord(item, 2)};
      const int position = FindExact(*de_, de);
      if (position != 0) found.emplace_back(position, ItemWord(item, 2));
    }
  }
  std::sort(found.begin(), found.end());
  for (const auto& entry : found) out.push_back(entry.second);
}

void TGTableLiens::LesLiensDe(CodeID code, LArray* out, int mode) const {
  if (out == nullptr) return;
  std::vector<CodeID> codes;
  LesLiensDe(code, codes, mode);
  for (CodeID link : codes) out->AddItem(&link, 4);
}

CodeID TGTableLiens::LeLienIndiEvt(CodeID individu, CodeID evenement) const {
  const int count = static_cast<int>(de_->GetCount());
  for (const auto& [from, to] : {std::pair{individu, evenement}, std::pair{evenement, individu}}) {
    for (int i = LowerBoundFirstWord(*de_, from); i <= count; ++i) {
      const void* item = de_->GetItemPtr(i);
      if (ItemWord(item, 0) != from) break;
      if (ItemWord(item, 1) == to) return ItemWord(item, 2);
    }
  }
  return 0;
}

void TGTableLiens::AjouteEvenementsPartages(CodeID code, LArray* out) {
  if (out == nullptr) return;
  std::vector<CodeID> links;
  LesLiensDe(code, links, llTous);
  std::unordered_set<CodeID> listed;
  for (int i = 1; i <= static_cast<int>(out->GetCount()); ++i) listed.insert(ItemWord(out->GetItemPtr(i), 0));
  for (CodeID link : links) {
    TGLien lien;
    if (!lien.LitDans(link, this) || lien.GetType() <= kPremierTypeEvenement) continue;
    // The event is the end that is not the person asked about: stored links
    // go from the person (LienDe) to the event (LienVers).
    const CodeID event = lien.GetLienDe() == code ? lien.GetLienVers() : lien.GetLienDe();
    if (listed.insert(event).second) out->AddItem(&event, 4);
  }
}

bool TGTableLiens::LesIndisDeEvtPartage(CodeID evenement, LArray* out, bool firstOnly) const {
  std::vector<CodeID> links;
  LesLiensDe(evenement, links, llTous);
  bool any = false;
  for (CodeID link : links) {
    TGLien lien;
    if (!lien.LitDans(link, const_cast<TGTableLiens*>(this))) continue;
    // The person is the end that is not the event: LienDe in stored links,
    // whichever end a link written the other way round puts it at.
    const CodeID individu = lien.GetLienVers() == evenement ? lien.GetLienDe() : lien.GetLienVers();
    if (out != nullptr) out->AddItem(&individu, 4);
    any = true;
    if (firstOnly) break;
  }
  return any;
}

void TGTableLiens::ReIndex() {
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
  struct Key {
    std::uint32_t first, second, link;
  };
  static_assert(sizeof(Key) == kKeySize);
  std::vector<Key> vers, de;
  ProgressTicker ticker("TBLINK", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    ticker.Step(++done);
    TGLien lien;
    if (!lien.LitDans(code, this)) continue;
    vers.push_back({lien.GetLienVers(), lien.GetLienDe(), code});
    de.push_back({lien.GetLienDe(), lien.GetLienVers(), code});
  }
  const auto byFirst = [](const Key& a, const Key& b) { return CodeWordBefore(a.first, b.first); };
  StableSortGuarded(vers, byFirst);
  StableSortGuarded(de, byFirst);
  BulkLoad(*vers_, vers.data(), vers.size());
  BulkLoad(*de_, de.data(), de.size());
  ticker.Done();
}

}  // namespace genvora
