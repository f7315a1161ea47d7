#include "tables/TGTableEvenements.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "dates/TGDate.h"
#include "platform/Exception.h"
#include "records/TGEvenement.h"
#include "records/TGLien.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableLiens.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableIndividus.h"

namespace genvora {

namespace {

std::int32_t WrapDifference(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b); }

void ToItem(const EvenementIndexT& key, std::uint32_t item[4]) {
  item[0] = key.proprio;
  item[1] = key.dateKey;
  item[2] = key.type;
  item[3] = key.code;
}

EvenementIndexT FromItem(const void* item) {
  return {ItemWord(item, 0), ItemWord(item, 1), ItemWord(item, 2), ItemWord(item, 3)};
}

bool IsArrivalType(std::uint32_t type) {
  return type == TGTableEvenements::kNaissance || type == TGTableEvenements::kBapteme ||
         type == TGTableEvenements::kDeces || type == TGTableEvenements::kInhumation;
}

}  // namespace

int TG5EventComparator::Compare(const void* a, const void* b, unsigned, unsigned) const {
  for (int word = 0; word < 4; ++word) {
    const std::int32_t difference = WrapDifference(ItemWord(a, word), ItemWord(b, word));
    if (difference != 0) return difference < 0 ? -1 : 1;
  }
  return 0;
}

TGTableEvenements::TGTableEvenements()
    : LXArray("TGTableEvenements", true), lieuxOwned_(std::make_unique<TGTableDicoLieux>()) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  lieux_ = lieuxOwned_.get();
  index_ = new LArray(kIndexItemSize, new TG5EventComparator(), true);
  index_->SetClassName("TBEvent-Idx");
  index_->SetAuxComparator(new TG5EventProprioComparator(), true);
  AttachArray(kIndexSlot, index_);
}

TGTableEvenements::~TGTableEvenements() = default;

void TGTableEvenements::SetDatabaseVersion(int version) {
  const bool legacy = version < 12;
  if (legacy && lieuxOwned_) {
    attached_[kLegacyPlacesSlot] = lieuxOwned_.release();
  } else if (!legacy && !lieuxOwned_) {
    lieuxOwned_.reset(static_cast<TGTableDicoLieux*>(attached_[kLegacyPlacesSlot]));
    attached_[kLegacyPlacesSlot] = nullptr;
  }
}

// The entries of every event, learnt in one pass over the index the first
// time they are needed (after a read), then kept in step.
void TGTableEvenements::EnsureEntries() const {
  if (entriesValid_) return;
  entries_.clear();
  const int count = static_cast<int>(index_->GetCount());
  entries_.reserve(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) {
    const EvenementIndexT key = FromItem(index_->GetItemPtr(i));
    entries_.emplace(key.code, EntreeOf(key));  // the first entry of a code, as a scan meets it
  }
  entriesValid_ = true;
}

bool TGTableEvenements::TouchesArrival(const EvenementIndexT& key) const {
  if (individus_ == nullptr || individus_->GetBatchMode() || !IsArrivalType(key.type)) return false;
  unsigned char probe = 0;
  return individus_->FetchData(key.proprio, &probe, 1) != 0;
}

void TGTableEvenements::AddKey(const EvenementIndexT& key) {
  std::uint32_t item[4];
  ToItem(key, item);
  InsertInRun(*index_, item);
  entries_.assign(key.code, EntreeOf(key));
}

void TGTableEvenements::DeleteKey(CodeID eventCode) {
  EnsureEntries();
  const Entree* found = entries_.find(eventCode);
  if (found == nullptr) return;
  std::uint32_t item[4];
  ToItem(KeyOf(eventCode, *found), item);
  RemoveExact(*index_, item);
  entries_.erase(eventCode);
}

int TGTableEvenements::EcritEvenement(const EvenementIndexT& key, const void* data, unsigned size) {
  if (key.code == 0) return 0;
  const int position = LXArray::EcritData(key.code, data, size);
  if (position == 0) return 0;
  EnsureEntries();
  // The owners whose arrival may move: the new one and, when the event
  // changed owner or type, the old one.
  std::vector<CodeID> owners;
  if (TouchesArrival(key)) owners.push_back(key.proprio);
  // The old owner also when only the type changed: an arrival event that
  // becomes another kind moves its owner too.
  const Entree* old = entries_.find(key.code);
  if (old != nullptr && (owners.empty() || old->proprio != key.proprio) && TouchesArrival(KeyOf(key.code, *old)))
    owners.push_back(old->proprio);
  if (owners.size() > 1) {
    // Two owners re-keyed at once: their moves would interleave, take the
    // plain steps.
    for (CodeID owner : owners) individus_->RemoveKey(owner);
    DeleteKey(key.code);
    AddKey(key);
    for (CodeID owner : owners) individus_->AddKey(owner);
    return position;
  }
  // The entries move instead of leaving and coming back: rewriting an
  // event shifts only the entries between its old and new places, not the
  // whole index (DeleteKey then AddKey would move everything after both).
  TGTableIndividus::Places places;
  if (!owners.empty()) places = individus_->PlacesOf(owners.front());
  int from = 0;
  if (const Entree* entree = entries_.find(key.code)) {
    std::uint32_t item[4];
    ToItem(KeyOf(key.code, *entree), item);
    from = FindExact(*index_, item);
  }
  std::uint32_t item[4];
  ToItem(key, item);
  if (from != 0)
    MoveInRun(*index_, from, item);
  else
    InsertInRun(*index_, item);
  entries_.assign(key.code, EntreeOf(key));
  if (!owners.empty()) individus_->ReplaceKey(owners.front(), places);
  return position;
}

int TGTableEvenements::DeleteData(std::uint32_t code) {
  EnsureEntries();
  const Entree* old = entries_.find(code);
  CodeID owner = 0;
  if (old != nullptr && TouchesArrival(KeyOf(code, *old))) owner = old->proprio;
  if (owner != 0) individus_->RemoveKey(owner);
  DeleteKey(code);
  const int result = LXArray::DeleteData(code);
  if (owner != 0) individus_->AddKey(owner);
  return result;
}

void TGTableEvenements::DeleteDatas(const std::vector<CodeID>& codes) {
  // Nothing to remove: the entries by code are not worth making for it (a
  // check that deletes no event calls this once over millions of events).
  if (codes.empty()) return;
  EnsureEntries();
  // The owners whose arrival may move, each once, in the order met.
  std::vector<CodeID> owners;
  std::unordered_set<CodeID> listed;
  for (CodeID code : codes) {
    const Entree* old = entries_.find(code);
    if (old != nullptr && TouchesArrival(KeyOf(code, *old)) && listed.insert(old->proprio).second)
      owners.push_back(old->proprio);
  }
  // Their keys as placed, so that each is found by halving once its events
  // are gone; each then moves within its run of namesakes only.
  for (CodeID owner : owners) individus_->MemoriseCle(owner);
  // Each entry as DeleteKey finds it, then all removed in one pass.
  std::vector<bool> removed(static_cast<std::size_t>(index_->GetCount()) + 1, false);
  bool any = false;
  for (CodeID code : codes) {
    const Entree* entree = entries_.find(code);
    if (entree == nullptr) continue;
    std::uint32_t item[4];
    ToItem(KeyOf(code, *entree), item);
    const int at = FindExact(*index_, item);
    if (at != 0 && !removed[static_cast<std::size_t>(at)]) {
      removed[static_cast<std::size_t>(at)] = true;
      any = true;
    }
    entries_.erase(code);
  }
  if (any) RemoveFlagged(*index_, removed);
  LXArray::DeleteDatas(codes);
  for (CodeID owner : owners) individus_->ReplaceKey(owner, individus_->PlacesOf(owner));
}

void TGTableEvenements::LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const {
  const int count = static_cast<int>(index_->GetCount());
  for (int i = LowerBoundFirstWord(*index_, owner); i <= count; ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != owner) break;
    out.push_back(ItemWord(item, 3));
  }
}

void TGTableEvenements::LesEvenementsDe(CodeID owner, LArray* out) {
  if (out == nullptr) return;
  std::vector<CodeID> codes;
  LesEvenementsDe(owner, codes);
  std::unordered_set<CodeID> listed;
  for (int i = 1; i <= static_cast<int>(out->GetCount()); ++i) listed.insert(ItemWord(out->GetItemPtr(i), 0));
  for (CodeID code : codes) {
    out->AddItem(&code, 4);
    listed.insert(code);
  }
  if (liens_ == nullptr) return;
  LArray partages(4, nullptr, false);
  liens_->AjouteEvenementsPartages(owner, &partages);
  TGEvenement evenement;
  for (int i = 1; i <= static_cast<int>(partages.GetCount()); ++i) {
    const CodeID code = ItemWord(partages.GetItemPtr(i), 0);
    if (listed.count(code) != 0) continue;
    evenement.zeroMemory();
    if (!evenement.LitDans(code, this) || !evenement.GetPartage()) continue;
    out->AddItem(&code, 4);
    listed.insert(code);
  }
}

EvenementIndexT TGTableEvenements::MakeKey(const TGEvenement& evenement) {
  // A copy of the block: computing a key refreshes the block's flags and
  // fills the second date of a single date, which must not reach the bytes.
  TGDate date;
  date.Block() = evenement.GetDateBlock();
  const std::uint32_t dateKey = date.GetDateTriApp(false);
  return {evenement.GetProprietaire(), dateKey, static_cast<std::uint32_t>(evenement.GetType()),
          evenement.GetCodeID()};
}

int TGTableEvenements::EcritData(TGEvenement* evenement) {
  if (evenement == nullptr || evenement->GetCodeID() == 0) return 0;
  if (evenement->GetStampOnWrite()) evenement->SetModifyNow();
  if (evenement->GetDateLT(0) == 0) evenement->SetCreatedNow();
  const std::string bytes = evenement->EncodeToString();
  return EcritEvenement(MakeKey(*evenement), bytes.data(), static_cast<unsigned>(bytes.size()));
}

bool TGTableEvenements::FetchData(CodeID code, TGEvenement* evenement) {
  return evenement != nullptr && evenement->LitDans(code, this);
}

void TGTableEvenements::LesEvenementsDuLieuAvecSubdivision(CodeID place, LArray* out) {
  if (out == nullptr || place == 0) return;
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker("TGTableEvenements", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  TGEvenement evenement;
  for (const CodeID& code : codes) {
    ticker.Step(++done);
    evenement.zeroMemory();
    if (!evenement.LitDans(code, this)) continue;
    if (evenement.GetDicoLieu() == place && !evenement.GetSubdivision().empty()) out->AddItem(&code, 4);
  }
  ticker.Done();
}

int TGTableEvenements::LesEvenementsDeLaSource(CodeID document, LArray* out,
                                               const TGTableLienDocuments* liensDocuments) const {
  if (out == nullptr) return 0;
  const bool wholeEntries = out->HasFixedItems() && out->GetItemSize(1) == 12;
  if (liensDocuments != nullptr && !wholeEntries) {
    // The link table keeps the events of each document at hand, in index order.
    liensDocuments->EvenementDe(document, out);
  } else if (liensDocuments != nullptr) {
    const LArray* index = liensDocuments->GetIndex();
    for (int i = 1; i <= static_cast<int>(index->GetCount()); ++i) {
      const void* item = index->GetItemPtr(i);
      if (ItemWord(item, 1) != document) continue;
      const CodeID event = ItemWord(item, 0);
      out->AddItem(&event, 4);
    }
  }
  return static_cast<int>(out->GetCount());
}

void TGTableEvenements::ReIndex() {
  // Codes first: a damaged event is removed from the store as it is read.
  const LArray* codeList = GetCodeList();
  std::vector<CodeID> codes;
  ReserveLarge(codes, codeList->GetCount());
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i) codes.push_back(ItemWord(codeList->GetItemPtr(i), 0));
  // Decoded on every core, each key into its own slot; an event that does
  // not decode has no entry.
  std::vector<EvenementIndexT> keys;
  ReserveLarge(keys, codes.size());
  keys.resize(codes.size());
  std::vector<char> decoded(codes.size(), 0);
  ForEachRange(codes.size(), 50000, [&](std::size_t begin, std::size_t end) {
    TGEvenement evenement;
    for (std::size_t k = begin; k < end; ++k) {
      evenement.zeroMemory();
      if (!evenement.LitDans(codes[k], this)) continue;
      keys[k] = MakeKey(evenement);
      decoded[k] = 1;
    }
  });
  std::size_t kept = 0;
  for (std::size_t k = 0; k < keys.size(); ++k)
    if (decoded[k] != 0) keys[kept++] = keys[k];
  keys.resize(kept);
  ReIndex(keys);
}

CodeID TGTableEvenements::EvenementTypeDe(CodeID owner, std::uint32_t type) const {
  const int count = static_cast<int>(index_->GetCount());
  for (int i = LowerBoundFirstWord(*index_, owner); i <= count; ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != owner) break;
    if (ItemWord(item, 2) == type) return ItemWord(item, 3);
  }
  return 0;
}

namespace {

// The arrival of `owner` from its first index entry at `from` on.
std::uint32_t ArrivalFrom(const LArray& index, int from, CodeID owner) {
  std::uint32_t result = 0;
  const int count = static_cast<int>(index.GetCount());
  for (int i = from; i <= count; ++i) {
    const void* item = index.GetItemPtr(i);
    if (ItemWord(item, 0) != owner) break;
    const std::uint32_t key = ItemWord(item, 1);
    if (key == 0) continue;
    switch (ItemWord(item, 2)) {
      case TGTableEvenements::kNaissance:
        return key;
      case TGTableEvenements::kBapteme:
        result = key;
        break;
      case TGTableEvenements::kDeces:
      case TGTableEvenements::kInhumation:
        if (result == 0 || key < result) result = key;
        break;
      default:
        break;
    }
  }
  return result;
}

}  // namespace

std::uint32_t TGTableEvenements::ArriveeDe(CodeID owner) const {
  return ArrivalFrom(*index_, LowerBoundFirstWord(*index_, owner), owner);
}

std::vector<std::uint32_t> TGTableEvenements::ArriveesDe(const std::vector<CodeID>& owners) const {
  std::vector<std::uint32_t> out(owners.size(), 0);
  const LArray& index = *index_;
  const int count = static_cast<int>(index.GetCount());
  // The walk meets each owner's entries where the search would find them
  // only in an index in order; one out of order gets the searches.
  for (int i = 2; i <= count; ++i) {
    if (CodeWordBefore(ItemWord(index.GetItemPtr(i), 0), ItemWord(index.GetItemPtr(i - 1), 0))) {
      for (std::size_t k = 0; k < owners.size(); ++k) out[k] = ArriveeDe(owners[k]);
      return out;
    }
  }
  std::vector<std::pair<CodeID, std::uint32_t>> wanted;
  wanted.reserve(owners.size());
  for (std::size_t k = 0; k < owners.size(); ++k) wanted.emplace_back(owners[k], static_cast<std::uint32_t>(k));
  const auto before = [](const auto& a, const auto& b) { return CodeWordBefore(a.first, b.first); };
  if (!std::is_sorted(wanted.begin(), wanted.end(), before)) std::stable_sort(wanted.begin(), wanted.end(), before);
  int at = 1;
  for (const auto& [owner, k] : wanted) {
    while (at <= count && CodeWordBefore(ItemWord(index.GetItemPtr(at), 0), owner)) ++at;
    out[k] = ArrivalFrom(index, at, owner);
  }
  return out;
}

void TGTableEvenements::ReIndex(const std::vector<EvenementIndexT>& keys) {
  // Store order of the events, then the index order: the array adding them
  // one by one would give.
  // Item of each stored code, the first pair of a code when a damaged list
  // repeats one: a flat vector ordered by code, searched by halving (a hash
  // node per event falls out of the caches at a million records).
  std::vector<std::pair<CodeID, std::uint32_t>> itemOf;
  const LArray* codeList = GetCodeList();
  const int pairs = static_cast<int>(codeList->GetCount());
  ReserveLarge(itemOf, static_cast<std::size_t>(pairs));
  for (int i = 1; i <= pairs; ++i) itemOf.emplace_back(ItemWord(codeList->GetItemPtr(i), 0), ItemWord(codeList->GetItemPtr(i), 1));
  const auto byCode = [](const auto& a, const auto& b) { return a.first < b.first; };
  if (!std::is_sorted(itemOf.begin(), itemOf.end(), byCode)) std::stable_sort(itemOf.begin(), itemOf.end(), byCode);
  std::vector<std::pair<std::uint32_t, EvenementIndexT>> stored;
  ReserveLarge(stored, keys.size());
  ProgressTicker ticker("TBEvent-Idx", static_cast<std::int64_t>(keys.size()));
  std::int64_t done = 0;
  // Keys given in code order (the usual case) are matched in one walk:
  // each search would start where the last one ended.
  const bool keysInOrder = std::is_sorted(keys.begin(), keys.end(),
                                          [](const EvenementIndexT& a, const EvenementIndexT& b) { return a.code < b.code; });
  auto from = itemOf.begin();
  for (const EvenementIndexT& key : keys) {
    ticker.Step(++done);
    auto found = from;
    if (keysInOrder) {
      while (found != itemOf.end() && found->first < key.code) ++found;
      from = found;
    } else {
      found = std::lower_bound(itemOf.begin(), itemOf.end(), std::make_pair(key.code, 0u), byCode);
    }
    if (found != itemOf.end() && found->first == key.code) stored.emplace_back(found->second, key);
  }
  std::stable_sort(stored.begin(), stored.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<EvenementIndexT> ordered;
  ReserveLarge(ordered, stored.size());
  for (const auto& entry : stored) ordered.push_back(entry.second);
  // TG5EventComparator's order, word by word, without a call per probe.
  StableSortGuarded(ordered, [](const EvenementIndexT& a, const EvenementIndexT& b) {
    if (a.proprio != b.proprio) return WrapDifference(a.proprio, b.proprio) < 0;
    if (a.dateKey != b.dateKey) return WrapDifference(a.dateKey, b.dateKey) < 0;
    if (a.type != b.type) return WrapDifference(a.type, b.type) < 0;
    return WrapDifference(a.code, b.code) < 0;
  });
  std::vector<std::uint32_t> words;
  ReserveLarge(words, ordered.size() * 4);
  for (const EvenementIndexT& key : ordered) words.insert(words.end(), {key.proprio, key.dateKey, key.type, key.code});
  BulkLoad(*index_, words.data(), ordered.size());
  // The entries by code are made from the new index when a rewrite or a
  // removal first needs them: most rebuilds (a new family, an upgrade, a
  // check) are followed by none, and three million entries cost their
  // making and their memory for nothing.
  entries_.clear();
  entriesValid_ = false;
  ticker.Done();
}

bool TGTableEvenements::LitDans(FileHandle* file) {
  InvalidateCaches();
  const bool ok = LXArray::LitDans(file);
  InvalidateCaches();
  return ok;
}

}  // namespace genvora
