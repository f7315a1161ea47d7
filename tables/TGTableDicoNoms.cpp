#include "tables/TGTableDicoNoms.h"

#include <algorithm>

#include "platform/Preferences.h"
#include "tables/RecordPeek.h"
#include "tables/DictionaryImport.h"
#include "tables/SecondaryOrder.h"
#include "tables/TGTableParticules.h"
#include "utilities/Collation.h"
#include "utilities/TextUtils.h"

namespace genvora {

int TGTableDicoNomsComparatorAlpha::Compare(const void* a, const void* b, unsigned, unsigned) const {
  const std::string& ka = table_->KeyOf(ItemWord(a, 0));
  const std::string& kb = table_->KeyOf(ItemWord(b, 0));
  const int c = ka.compare(kb);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

TGTableDicoNoms::TGTableDicoNoms()
    : LXArray("TGTableDicoNoms", true),
      splitter_(std::make_unique<TV5SplitterParticule>()),
      indexAlpha_(std::make_unique<LArray>(4, new TGTableDicoNomsComparatorAlpha(this), true)),
      scratch_(splitter_.get()) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  indexAlpha_->SetClassName("TBNoms-IdxAlpha");
  particules_ = new TGTableParticules();
  particules_->UpdateFrom(TV5SplitterParticule::DefaultParticles());
  AttachArray(kParticulesSlot, particules_);
}

TGTableDicoNoms::~TGTableDicoNoms() = default;

std::string TGTableDicoNoms::KeyOfNom(const TGNom& nom) {
  // Surname, then particle: both keys end with a NUL and hold no other, so
  // the concatenation orders by the first and then by the second.
  return CollationKey(nom.GetNom(), true) + CollationKey(nom.GetParticule(), true);
}

const std::string& TGTableDicoNoms::KeyOf(CodeID code) const {
  auto found = keys_.find(code);
  if (found != keys_.end()) return found->second;
  TGNom nom(splitter_.get());
  // A code without a readable record sorts as an empty surname.
  if (!nom.LitDans(code, const_cast<TGTableDicoNoms*>(this))) nom.SetNom("");
  return keys_.emplace(code, KeyOfNom(nom)).first->second;
}

void TGTableDicoNoms::InvalidateCaches() const {
  keys_.clear();
  ranks_.clear();
  ranksValid_ = false;
}

void TGTableDicoNoms::EnsureRanks() const {
  if (ranksValid_) return;
  ranks_.clear();
  ranks_.reserve(indexAlpha_->GetCount());
  const int count = static_cast<int>(indexAlpha_->GetCount());
  for (int i = 1; i <= count; ++i) ranks_.emplace(ItemWord(indexAlpha_->GetItemPtr(i), 0), static_cast<std::uint32_t>(i));
  ranksValid_ = true;
}

std::uint32_t TGTableDicoNoms::RangDe(CodeID code) const {
  EnsureRanks();
  const auto found = ranks_.find(code);
  return found == ranks_.end() ? 0 : found->second;
}

int TGTableDicoNoms::premierDe(CodeID a, CodeID b) const {
  if (a == b) return 0;
  EnsureRanks();
  const auto ra = ranks_.find(a);
  const auto rb = ranks_.find(b);
  if (ra == ranks_.end() && rb == ranks_.end()) return 0;
  if (rb == ranks_.end()) return -1;
  if (ra == ranks_.end()) return 1;
  return ra->second < rb->second ? -1 : 1;
}

int TGTableDicoNoms::EcritData(TGNom* nom) {
  if (nom == nullptr) return 0;
  CurrentRecordCleared cleared;
  // A new code has no key to remove: looking for one would scan the whole
  // index for nothing, once per new surname.
  const bool existed = StoreItemOf(*this, nom->GetCodeID()) != 0;
  // The old key is the one the code was placed with: taken before the new
  // bytes replace it, it finds the entry by halving.
  if (existed) KeyOf(nom->GetCodeID());
  const int position = nom->EcritDans(nom->GetCodeID(), this);
  if (position != 0) {
    const CodeID code = nom->GetCodeID();
    // A rewritten surname moves from its place to the one its new key
    // gives, shifting only the entries between the two: a removal and an
    // insertion would each shift the index's tail, and a check rewrites
    // tens of thousands of surnames. Same index either way.
    const int from = existed ? FindExact(*indexAlpha_, &code) : 0;
    if (from != 0) {
      keys_.erase(code);
      MoveInRun(*indexAlpha_, from, &code);
      ranksValid_ = false;
    } else {
      AddKey(code);
    }
  }
  return position;
}

bool TGTableDicoNoms::FetchData(CodeID code, TGNom* nom) {
  if (nom == nullptr) return false;
  nom->SetInterprete(splitter_.get());
  return nom->LitDans(code, this);
}

int TGTableDicoNoms::DeleteData(std::uint32_t code) {
  RemoveLocalKey(code);
  variantes_.Forget(code);
  if (onChange_) onChange_(code);
  return LXArray::DeleteData(code);
}

int TGTableDicoNoms::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  if (onChange_) onChange_(code);
  variantes_.LearnStored(position, code, data, size, DecodeRattachement<TGNom>);
  return position;
}

void TGTableDicoNoms::AddKey(CodeID code) {
  keys_.erase(code);
  InsertInRun(*indexAlpha_, &code);
  ranksValid_ = false;
}

void TGTableDicoNoms::RemoveLocalKey(CodeID code) {
  // The cached key is the one the code was placed with: its run is found by
  // halving. Without it the key of the stored record may differ from the
  // placed one, and FindExact falls back on a scan.
  RemoveExact(*indexAlpha_, &code);
  keys_.erase(code);
  ranksValid_ = false;
}

void TGTableDicoNoms::RemoveKeySequential(CodeID code) {
  const int count = static_cast<int>(indexAlpha_->GetCount());
  for (int i = 1; i <= count; ++i) {
    if (ItemWord(indexAlpha_->GetItemPtr(i), 0) == code) {
      indexAlpha_->RemoveItemsAt(1, i);
      break;
    }
  }
  keys_.erase(code);
  ranksValid_ = false;
}

std::string TGTableDicoNoms::WantedKey(const AnsiString& text) const {
  scratch_.SetInterprete(splitter_.get());
  scratch_.SetNom(AnsiTrim(text));
  return KeyOfNom(scratch_);
}

CodeID TGTableDicoNoms::FindKey(const std::string& wanted) const {
  return FindCodeByKey(*indexAlpha_, wanted, [this](CodeID code) -> const std::string& { return KeyOf(code); });
}

CodeID TGTableDicoNoms::NomExists(const AnsiString& text) const { return FindKey(WantedKey(text)); }

// Insert or find. The record takes the code of the stored surname with the
// same text; otherwise, unless `lookupOnly`, it gets a new code, is its own
// master and is written. Answers the code, 0 when not found in lookup mode
// or when no code can be had.
CodeID TGTableDicoNoms::MetAJour(TGNom& nom, ICodeAllocator* codes, bool lookupOnly) {
  const CodeID found = NomExists(nom.GetStoredNom());
  if (found != 0) {
    nom.SetCodeID(found);
    return found;
  }
  if (lookupOnly || codes == nullptr) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  nom.SetCodeID(code);
  nom.SetRattachement(code);
  nom.SetInterprete(splitter_.get());
  return EcritData(&nom) != 0 ? code : 0;
}

CodeID TGTableDicoNoms::GetVarianteMaitre(CodeID code) {
  TGNom nom(splitter_.get());
  if (!nom.LitDans(code, this)) return code;
  return nom.GetIsR() ? nom.GetRattachement() : code;
}

VariantOrder& TGTableDicoNoms::Variantes() {
  variantes_.Ensure(*this, "TGTableDicoNoms", DecodeRattachement<TGNom>);
  return variantes_;
}

void TGTableDicoNoms::FillListeIDsMaitre(LArray* list) { Variantes().FillMaitres(*this, list); }

void TGTableDicoNoms::LesVariantesDe(CodeID master, LArray* out) {
  if (out == nullptr) return;
  for (CodeID code : Variantes().VariantesDe(*this, master)) out->AddItem(&code, 4);
}

void TGTableDicoNoms::LesVariantesDes(const LArray* masters, LArray* out) {
  Variantes().VariantesDes(*this, masters, out);
}

bool TGTableDicoNoms::EstVarianteMaitre(CodeID code) { return Variantes().EstMaitre(code); }

bool TGTableDicoNoms::InternalCanDelete(CodeID code) {
  if (code == 0 || StoreItemOf(*this, code) == 0) return false;
  if (EstVarianteMaitre(code)) return false;
  return individus_ == nullptr || !individus_->PorteLeNom(code);
}

void TGTableDicoNoms::ReIndex() {
  InvalidateCaches();
  // Store order first: the rebuilt index is the one adding each stored
  // record in turn gives.
  std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker("TBNoms-IdxAlpha", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    KeyOf(code);
    ticker.Step(++done);
  }
  StableSortGuarded(codes, [this](CodeID a, CodeID b) { return KeyOf(a) < KeyOf(b); });
  BulkLoad(*indexAlpha_, codes.data(), codes.size());
  ranksValid_ = false;
  ticker.Done();
}

int TGTableDicoNoms::Importer(TGTableDicoNoms& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  CurrentRecordCleared cleared;
  const std::vector<CodeID> added = ImportDictionaryRecords<TGNom>(
      *this, source, codes, map, [this] { return TGNom(splitter_.get()); },
      [this, &source](CodeID code, TGNom& nom, std::string& key) {
        if (!LitSansEffacer(nom, code, source)) return false;
        key = WantedKey(nom.GetStoredNom());
        return true;
      },
      [this](const std::string& key) { return FindKey(key); });
  for (CodeID fresh : added) keys_.erase(fresh);
  MergeIntoIndex(*indexAlpha_, added, [this](CodeID c) -> const std::string& { return KeyOf(c); });
  ranksValid_ = false;
  return static_cast<int>(added.size());
}

bool TGTableDicoNoms::LitDans(FileHandle* file) {
  InvalidateCaches();
  const bool ok = LXArray::LitDans(file);
  InvalidateCaches();
  variantes_.Invalidate();
  if (onChange_) onChange_(0);
  return ok;
}

}  // namespace genvora
