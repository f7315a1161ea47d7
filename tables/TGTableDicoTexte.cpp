#include "tables/TGTableDicoTexte.h"

#include <algorithm>
#include <vector>

#include "platform/Preferences.h"
#include "records/TGRoot.h"
#include "utilities/Collation.h"

namespace genvora {

int TGDicoTexteComparatorAlpha::Compare(const void* a, const void* b, unsigned, unsigned) const {
  const int c = table_->KeyOf(ItemWord(a, 0)).compare(table_->KeyOf(ItemWord(b, 0)));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

TGTableDicoTexte::TGTableDicoTexte(const char* storeName, const char* indexName)
    : LXArray(storeName, true), indexAlpha_(std::make_unique<LArray>(4, new TGDicoTexteComparatorAlpha(this), true)) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
  indexAlpha_->SetClassName(indexName);
}

TGTableDicoTexte::~TGTableDicoTexte() = default;

const std::string& TGTableDicoTexte::KeyOf(CodeID code) const {
  auto found = keys_.find(code);
  if (found != keys_.end()) return found->second;
  return keys_.emplace(code, CollationKey(TexteDe(code), true)).first->second;
}

std::string TGTableDicoTexte::KeyOfText(const AnsiString& text) { return CollationKey(text, true); }

CodeID TGTableDicoTexte::TexteExists(const AnsiString& text) const { return FindKey(KeyOfText(text)); }

int TGTableDicoTexte::PositionAlpha(const AnsiString& text) const {
  const std::string wanted = KeyOfText(text);
  int low = 1;
  int high = static_cast<int>(indexAlpha_->GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    if (KeyOf(ItemWord(indexAlpha_->GetItemPtr(mid), 0)).compare(wanted) <= 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

CodeID TGTableDicoTexte::FindKey(const std::string& wanted) const {
  return FindCodeByKey(*indexAlpha_, wanted, [this](CodeID code) -> const std::string& { return KeyOf(code); });
}

int TGTableDicoTexte::EcritRecord(TGRoot* record) {
  if (record == nullptr || record->GetCodeID() == 0) return 0;
  CurrentRecordCleared cleared;
  const CodeID code = record->GetCodeID();
  // The old key is found by the cached key it was placed with. A code the
  // store does not hold yet has none: looking for it would scan the whole
  // index for nothing, once per new record.
  if (StoreItemOf(*this, code) != 0)
    RemoveLocalKey(code);
  else
    keys_.erase(code);
  const int position = record->EcritDans(code, this);
  if (position != 0) AddKey(code);
  return position;
}

int TGTableDicoTexte::DeleteData(std::uint32_t code) {
  RemoveLocalKey(code);
  variantes_.Forget(code);
  return LXArray::DeleteData(code);
}

int TGTableDicoTexte::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  variantes_.LearnStored(position, code, data, size, [this](const void* bytes, unsigned count, CodeID& master) {
    return LitRattachement(bytes, count, master);
  });
  return position;
}

VariantOrder& TGTableDicoTexte::Variantes() {
  variantes_.Ensure(*this, GetClassName(), [this](const void* data, unsigned size, CodeID& master) {
    return LitRattachement(data, size, master);
  });
  return variantes_;
}

CodeID TGTableDicoTexte::GetVarianteMaitre(CodeID code) {
  const unsigned size = FetchData(code, nullptr, 0);
  std::vector<unsigned char> bytes(size == 0 ? 1 : size);
  CodeID master = 0;
  if (size == 0 || FetchData(code, bytes.data(), size) != size || !LitRattachement(bytes.data(), size, master))
    return code;
  return master != 0 && master != code ? master : code;
}

void TGTableDicoTexte::LesVariantesDe(CodeID master, LArray* out) {
  if (out == nullptr) return;
  for (CodeID code : Variantes().VariantesDe(*this, master)) out->AddItem(&code, 4);
}

void TGTableDicoTexte::LesVariantesDes(const LArray* masters, LArray* out) {
  Variantes().VariantesDes(*this, masters, out);
}

void TGTableDicoTexte::FillListeIDsMaitre(LArray* list) { Variantes().FillMaitres(*this, list); }

bool TGTableDicoTexte::EstVarianteMaitre(CodeID code) { return Variantes().EstMaitre(code); }

void TGTableDicoTexte::AddKey(CodeID code) {
  keys_.erase(code);
  InsertInRun(*indexAlpha_, &code);
}

void TGTableDicoTexte::RemoveLocalKey(CodeID code) {
  RemoveExact(*indexAlpha_, &code);
  keys_.erase(code);
}

void TGTableDicoTexte::RemoveKeySequential(CodeID code) {
  for (int i = 1; i <= static_cast<int>(indexAlpha_->GetCount()); ++i) {
    if (ItemWord(indexAlpha_->GetItemPtr(i), 0) == code) {
      indexAlpha_->RemoveItemsAt(1, i);
      break;
    }
  }
  keys_.erase(code);
}

void TGTableDicoTexte::ReIndex() {
  InvalidateCaches();
  std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker(GetIndexAlpha()->GetClassName(), static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    KeyOf(code);
    ticker.Step(++done);
  }
  StableSortGuarded(codes, [this](CodeID a, CodeID b) { return KeyOf(a) < KeyOf(b); });
  BulkLoad(*indexAlpha_, codes.data(), codes.size());
  ticker.Done();
}

void TGTableDicoTexte::Flush() {
  LXArray::Flush();
  indexAlpha_->Flush();
  InvalidateCaches();
  variantes_.Invalidate();
}

bool TGTableDicoTexte::LitDans(FileHandle* file) {
  InvalidateCaches();
  const bool ok = LXArray::LitDans(file);
  InvalidateCaches();
  variantes_.Invalidate();
  return ok;
}

}  // namespace genvora
