#include "tables/TGTableDicoLieux.h"

#include <algorithm>
#include <vector>

#include "platform/Preferences.h"
#include "tables/RecordPeek.h"
#include "tables/SecondaryOrder.h"
#include "utilities/Collation.h"
#include "utilities/TextUtils.h"

namespace genvora {

int TGTableDicoLieuxComparator::Compare(const void* a, const void* b, unsigned, unsigned) const {
  const auto& ka = table_->KeysOf(ItemWord(a, 0));
  const auto& kb = table_->KeysOf(ItemWord(b, 0));
  const int c = byCode_ ? ka.code.compare(kb.code) : ka.ville.compare(kb.ville);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

TGTableDicoLieux::TGTableDicoLieux() : LXArray("TGTableDicoLieux", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  ville_ = new TG5indexWithMatch(4, new TGTableDicoLieuxComparator(this, false), true);
  ville_->SetClassName("TBPlace-IdxPlace");
  ville_->GetMatchArray()->SetClassName("TBPlace-IdxPlace-Match");
  AttachArray(kVilleSlot, ville_);
  code_ = new TG5indexWithMatch(4, new TGTableDicoLieuxComparator(this, true), true);
  code_->SetClassName("TBNom-IdxCode");
  code_->GetMatchArray()->SetClassName("TBPlace-IdxCode-Match");
  AttachArray(kCodeSlot, code_);
}

TGTableDicoLieux::PlaceKeys TGTableDicoLieux::MakeKeys(const TGLieu& lieu) {
  return {CollationKey(lieu.GetStored(TGLieu::kVille), true), CollationKey(lieu.GetStored(TGLieu::kCode), true),
          AnsiUpperCase(lieu.GetStored(TGLieu::kVille))};
}

const TGTableDicoLieux::PlaceKeys& TGTableDicoLieux::KeysOf(CodeID code) const {
  auto found = keys_.find(code);
  if (found != keys_.end()) return found->second;
  TGLieu lieu;
  PlaceKeys keys;
  if (lieu.LitDans(code, const_cast<TGTableDicoLieux*>(this))) keys = MakeKeys(lieu);
  return keys_.emplace(code, std::move(keys)).first->second;
}

int TGTableDicoLieux::EcritData(TGLieu* lieu) {
  if (lieu == nullptr) return 0;
  // The application's current record is none while a dictionary writes.
  CurrentRecordCleared cleared;
  const CodeID code = lieu->GetCodeID();
  // The old keys are the ones the code was placed with: taken before the
  // new bytes replace them, they find its entries by halving.
  const bool existed = StoreItemOf(*this, code) != 0;
  if (existed) KeysOf(code);
  const int position = lieu->EcritDans(code, this);
  if (position == 0) return 0;
  if (existed) RemoveLocalKey(code);
  AddKey(code);
  return position;
}

bool TGTableDicoLieux::FetchData(CodeID code, TGLieu* lieu) { return lieu != nullptr && lieu->LitDans(code, this); }

int TGTableDicoLieux::DeleteData(std::uint32_t code) {
  RemoveLocalKey(code);
  variantes_.Forget(code);
  return LXArray::DeleteData(code);
}

int TGTableDicoLieux::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  variantes_.LearnStored(position, code, data, size, DecodeRattachement<TGLieu>);
  return position;
}

void TGTableDicoLieux::AddKey(CodeID code) {
  keys_.erase(code);
  InsertInRun(*ville_, &code);
  InsertInRun(*code_, &code);
}

void TGTableDicoLieux::RemoveLocalKey(CodeID code) {
  RemoveExact(*ville_, &code);
  RemoveExact(*code_, &code);
  keys_.erase(code);
}

void TGTableDicoLieux::RemoveKeySequential(CodeID code) {
  for (LArray* index : {static_cast<LArray*>(ville_), static_cast<LArray*>(code_)}) {
    for (int i = 1; i <= static_cast<int>(index->GetCount()); ++i) {
      if (ItemWord(index->GetItemPtr(i), 0) == code) {
        index->RemoveItemsAt(1, i);
        break;
      }
    }
  }
  keys_.erase(code);
}

int TGTableDicoLieux::FirstOfRun(const LArray& index, const std::string& key, bool byCode) const {
  int low = 1;
  int high = static_cast<int>(index.GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const PlaceKeys& there = KeysOf(ItemWord(index.GetItemPtr(mid), 0));
    if ((byCode ? there.code : there.ville) < key)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

CodeID TGTableDicoLieux::BinaryFind(const TGLieu* lieu, bool complet) const {
  if (lieu == nullptr) return 0;
  const PlaceKeys wanted = MakeKeys(*lieu);
  const int count = static_cast<int>(ville_->GetCount());
  for (int i = FirstOfRun(*ville_, wanted.ville, false); i <= count; ++i) {
    const CodeID code = ItemWord(ville_->GetItemPtr(i), 0);
    if (KeysOf(code).ville != wanted.ville) break;
    if (!complet) return code;
    TGLieu stored;
    if (stored.LitDans(code, const_cast<TGTableDicoLieux*>(this)) && !stored.InternalCompare(lieu)) return code;
  }
  return 0;
}

bool TGTableDicoLieux::EstUneCopieDe(CodeID copie, CodeID original) const {
  if (copie == 0 || copie == original) return false;
  auto* self = const_cast<TGTableDicoLieux*>(this);
  TGLieu a, b;
  // Read without the store's repair: a question changes nothing.
  if (!LitSansEffacer(a, copie, *self) || !LitSansEffacer(b, original, *self)) return false;
  return !a.InternalCompare(&b);
}

CodeID TGTableDicoLieux::UniqueContient(const AnsiString& ville) const {
  const AnsiString town = AnsiTrim(ville);
  if (town.empty()) return 0;
  const std::string key = CollationKey(town, true);
  const int count = static_cast<int>(ville_->GetCount());
  const int first = FirstOfRun(*ville_, key, false);
  if (first > count) return 0;
  const CodeID code = ItemWord(ville_->GetItemPtr(first), 0);
  if (KeysOf(code).ville != key) return 0;
  if (first < count && KeysOf(ItemWord(ville_->GetItemPtr(first + 1), 0)).ville == key) return 0;
  return code;
}

// Towns equal once upper-cased are equal for the caseless collation, so the
// places looked for all lie in one run of the town index; among them the
// one stored first is the one a scan of the store would meet first.
CodeID TGTableDicoLieux::BinaryFindByVille(const AnsiString& text) const {
  if (text.empty()) return 0;
  const AnsiString upper = AnsiUpperCase(text);
  const std::string key = CollationKey(text, true);
  CodeID best = 0;
  std::uint32_t bestItem = 0;
  const LArray* codeList = GetCodeList();
  const int count = static_cast<int>(ville_->GetCount());
  for (int i = FirstOfRun(*ville_, key, false); i <= count; ++i) {
    const CodeID code = ItemWord(ville_->GetItemPtr(i), 0);
    const PlaceKeys& keys = KeysOf(code);
    if (keys.ville != key) break;
    if (keys.villeUpper != upper) continue;
    const std::uint32_t pair[2] = {code, 0};
    const int at = codeList->FetchIndexOf(pair, 8);
    if (at == 0) continue;
    const std::uint32_t item = ItemWord(codeList->GetItemPtr(at), 1);
    if (best == 0 || item < bestItem) {
      best = code;
      bestItem = item;
    }
  }
  return best;
}

void TGTableDicoLieux::LesLieuxDuCode(const AnsiString& code, LArray* out) const {
  if (out == nullptr) return;
  const std::string key = CollationKey(code, true);
  const int count = static_cast<int>(code_->GetCount());
  for (int i = FirstOfRun(*code_, key, true); i <= count; ++i) {
    const CodeID place = ItemWord(code_->GetItemPtr(i), 0);
    if (KeysOf(place).code != key) break;
    out->AddItem(&place, 4);
  }
}

CodeID TGTableDicoLieux::MetAJour(TGLieu& lieu, ICodeAllocator* codes, bool lookupOnly) {
  const AnsiString joined = lieu.GetStored(TGLieu::kPays) + lieu.GetStored(TGLieu::kRegion) +
                            lieu.GetStored(TGLieu::kDepartement) + lieu.GetStored(TGLieu::kCode) +
                            lieu.GetStored(TGLieu::kVille);
  if (joined.empty()) return 0;
  const CodeID found = BinaryFind(&lieu);
  if (found != 0) {
    lieu.SetCodeID(found);
    return found;
  }
  if (lookupOnly || codes == nullptr) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  lieu.SetCodeID(code);
  lieu.SetRattachement(code);
  return EcritData(&lieu) != 0 ? code : 0;
}

CodeID TGTableDicoLieux::GetVarianteMaitre(CodeID code) {
  TGLieu lieu;
  if (!lieu.LitDans(code, this)) return code;
  return lieu.GetIsR() ? lieu.GetRattachement() : code;
}

VariantOrder& TGTableDicoLieux::Variantes() {
  variantes_.Ensure(*this, "TGTableDicoLieux", DecodeRattachement<TGLieu>);
  return variantes_;
}

void TGTableDicoLieux::FillListeIDsMaitre(LArray* list) { Variantes().FillMaitres(*this, list); }

void TGTableDicoLieux::LesVariantesDe(CodeID master, LArray* out) {
  if (out == nullptr) return;
  for (CodeID code : Variantes().VariantesDe(*this, master)) out->AddItem(&code, 4);
}

void TGTableDicoLieux::LesVariantesDes(const LArray* masters, LArray* out) {
  Variantes().VariantesDes(*this, masters, out);
}

bool TGTableDicoLieux::EstVarianteMaitre(CodeID code) { return Variantes().EstMaitre(code); }

void TGTableDicoLieux::ReIndex() {
  keys_.clear();
  std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker("TGTableDicoLieux", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    ticker.Step(++done);
    KeysOf(code);
  }
  std::vector<CodeID> byVille = codes;
  StableSortGuarded(byVille, [this](CodeID a, CodeID b) { return KeysOf(a).ville < KeysOf(b).ville; });
  BulkLoad(*ville_, byVille.data(), byVille.size());
  StableSortGuarded(codes, [this](CodeID a, CodeID b) { return KeysOf(a).code < KeysOf(b).code; });
  BulkLoad(*code_, codes.data(), codes.size());
  ville_->GetMatchArray()->Flush();
  code_->GetMatchArray()->Flush();
  ticker.Done();
}

namespace {

bool SansChamps(const TGLieu& lieu) {
  return lieu.GetStored(TGLieu::kPays).empty() && lieu.GetStored(TGLieu::kRegion).empty() &&
         lieu.GetStored(TGLieu::kDepartement).empty() && lieu.GetStored(TGLieu::kCode).empty() &&
         lieu.GetStored(TGLieu::kVille).empty();
}

}  // namespace

int TGTableDicoLieux::Importer(TGTableDicoLieux& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  CurrentRecordCleared cleared;
  struct Copy {
    CodeID from;
    CodeID fresh;
    TGLieu lieu;
  };
  std::vector<Copy> copies;
  // Places brought by this import, by town key: the indexes do not move
  // until the end.
  std::unordered_map<std::string, std::vector<std::size_t>> brought;
  for (CodeID code : StoreOrderCodes(source)) {
    TGLieu lieu;
    if (!LitSansEffacer(lieu, code, source) || SansChamps(lieu)) continue;
    CodeID target = BinaryFind(&lieu);
    const std::string ville = MakeKeys(lieu).ville;
    if (target == 0) {
      for (std::size_t i : brought[ville]) {
        if (!copies[i].lieu.InternalCompare(&lieu)) {
          target = copies[i].fresh;
          break;
        }
      }
    }
    if (target == 0) {
      target = codes->GetNextID();
      if (target == 0) break;
      brought[ville].push_back(copies.size());
      copies.push_back({code, target, std::move(lieu)});
    }
    map[code] = target;
  }
  std::vector<CodeID> added;
  added.reserve(copies.size());
  for (Copy& copy : copies) {
    const CodeID master = copy.lieu.GetRattachement();
    CodeID translated = master == 0 ? 0 : MapCode(map, master);
    if (master == copy.from || (master != 0 && translated == 0)) translated = copy.fresh;
    copy.lieu.SetCodeID(copy.fresh);
    copy.lieu.SetRattachement(translated);
    copy.lieu.SetStampOnWrite(false);
    // Stored without keys: they join both indexes in one merge each.
    if (copy.lieu.EcritDans(copy.fresh, this) == 0) {
      map.erase(copy.from);
      continue;
    }
    keys_.erase(copy.fresh);
    added.push_back(copy.fresh);
  }
  MergeIntoIndex(*ville_, added, [this](CodeID c) -> const std::string& { return KeysOf(c).ville; });
  MergeIntoIndex(*code_, added, [this](CodeID c) -> const std::string& { return KeysOf(c).code; });
  return static_cast<int>(added.size());
}

bool TGTableDicoLieux::LitDans(FileHandle* file) {
  InvalidateCaches();
  const bool ok = LXArray::LitDans(file);
  InvalidateCaches();
  variantes_.Invalidate();
  return ok;
}

}  // namespace genvora
