#include "tables/TGTableUnion.h"

#include <algorithm>
#include <unordered_set>

#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

TGTableUnion::TGTableUnion()
    : LXArray("TGTableUnion", true), liens_(std::make_unique<TGTableLiensGenerique>("TGTableUnion-Liens")) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  husb_ = new LArray(kKeySize, new LLongComparator(), true);
  husb_->SetClassName("TBUnion-IdxHusb");
  AttachArray(kHusbSlot, husb_);
  spouse_ = new LArray(kKeySize, new LLongComparator(), true);
  spouse_->SetClassName("TBUnion-IdxSpouse");
  AttachArray(kSpouseSlot, spouse_);
}

void TGTableUnion::MakeKey(const TGUnion& uni, std::uint32_t key[2], bool husbandSide) {
  key[0] = husbandSide ? uni.GetEpoux() : uni.GetEpouse();
  key[1] = uni.GetCodeID();
}

void TGTableUnion::AddKeys(const TGUnion& uni) {
  std::uint32_t key[2];
  MakeKey(uni, key, true);
  InsertInRun(*husb_, key);
  MakeKey(uni, key, false);
  InsertInRun(*spouse_, key);
}

void TGTableUnion::RemoveLocalKey(CodeID code) {
  TGUnion stored;
  if (stored.LitDans(code, this)) {
    std::uint32_t key[2];
    MakeKey(stored, key, true);
    const bool husbandFound = RemoveExact(*husb_, key);
    MakeKey(stored, key, false);
    const bool wifeFound = RemoveExact(*spouse_, key);
    if (husbandFound && wifeFound) return;
  }
  // The entries do not match the stored record: find them by union code.
  for (LArray* index : {husb_, spouse_}) {
    for (int i = static_cast<int>(index->GetCount()); i >= 1; --i) {
      if (ItemWord(index->GetItemPtr(i), 1) == code) index->RemoveItemsAt(1, i);
    }
  }
}

int TGTableUnion::EcritData(TGUnion* uni) {
  if (uni == nullptr) return 0;
  const CodeID code = uni->GetCodeID() != 0 ? uni->GetCodeID() : 0;
  // The old entries are those of the record as it is stored, before it is
  // replaced.
  std::uint32_t probe[2] = {code, 0};
  const bool existed = code != 0 && GetCodeList()->FetchIndexOf(probe, 8) != 0;
  if (existed) RemoveLocalKey(code);
  const int position = uni->EcritDans(uni->GetCodeID(), this);
  if (position != 0) {
    AddKeys(*uni);
  } else if (existed) {
    TGUnion stored;
    if (stored.LitDans(code, this)) AddKeys(stored);
  }
  return position;
}

bool TGTableUnion::FetchData(CodeID code, TGUnion* uni) { return uni != nullptr && uni->LitDans(code, this); }

int TGTableUnion::DeleteData(std::uint32_t code) {
  RemoveLocalKey(code);
  return LXArray::DeleteData(code);
}

void TGTableUnion::LesUnionsDe(CodeID husband, CodeID wife, std::vector<CodeID>& out) const {
  const LArray* index = husband != 0 ? husb_ : spouse_;
  const CodeID person = husband != 0 ? husband : wife;
  const int count = static_cast<int>(index->GetCount());
  for (int i = LowerBoundFirstWord(*index, person); i <= count; ++i) {
    const void* item = index->GetItemPtr(i);
    if (ItemWord(item, 0) != person) break;
    out.push_back(ItemWord(item, 1));
  }
}

void TGTableUnion::LesUnionsDe(CodeID husband, CodeID wife, LArray* out) const {
  if (out == nullptr) return;
  std::vector<CodeID> codes;
  LesUnionsDe(husband, wife, codes);
  for (CodeID code : codes) out->AddItem(&code, 4);
}

void TGTableUnion::LesConjointsDe(CodeID person, const LArray* unions, LArray* out) {
  if (unions == nullptr || out == nullptr) return;
  const int count = static_cast<int>(unions->GetCount());
  for (int i = 1; i <= count; ++i) {
    TGUnion uni;
    if (!uni.LitDans(ItemWord(unions->GetItemPtr(i), 0), this)) continue;
    CodeID other = 0;
    if (uni.GetEpoux() == person)
      other = uni.GetEpouse();
    else if (uni.GetEpouse() == person)
      other = uni.GetEpoux();
    if (other != 0) out->AddItem(&other, 4);
  }
}

CodeID TGTableUnion::UnionCouple(CodeID husband, CodeID wife) const {
  if (husband == 0 || wife == 0) return 0;
  std::vector<CodeID> ofHusband;
  std::vector<CodeID> ofWife;
  LesUnionsDe(husband, 0, ofHusband);
  LesUnionsDe(0, wife, ofWife);
  // A person has few unions: the first of the husband's that is also the
  // wife's, found by scanning hers (a hash set only for a long list).
  constexpr std::size_t kScanned = 64;
  if (ofWife.size() <= kScanned) {
    for (CodeID code : ofHusband)
      if (std::find(ofWife.begin(), ofWife.end(), code) != ofWife.end()) return code;
    return 0;
  }
  const std::unordered_set<CodeID> wifeSet(ofWife.begin(), ofWife.end());
  for (CodeID code : ofHusband) {
    if (wifeSet.count(code) != 0) return code;
  }
  return 0;
}

void TGTableUnion::ReIndex() {
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
  struct Key {
    std::uint32_t spouse, uni;
  };
  std::vector<Key> husbands, wives;
  husbands.reserve(codes.size());
  wives.reserve(codes.size());
  ProgressTicker ticker("TGTableUnion", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    ticker.Step(++done);
    TGUnion uni;
    if (!uni.LitDans(code, this)) continue;
    husbands.push_back({uni.GetEpoux(), code});
    wives.push_back({uni.GetEpouse(), code});
  }
  const auto bySpouse = [](const Key& a, const Key& b) { return CodeWordBefore(a.spouse, b.spouse); };
  StableSortGuarded(husbands, bySpouse);
  StableSortGuarded(wives, bySpouse);
  static_assert(sizeof(Key) == kKeySize);
  BulkLoad(*husb_, husbands.data(), husbands.size());
  BulkLoad(*spouse_, wives.data(), wives.size());
  ticker.Done();
}

}  // namespace genvora
