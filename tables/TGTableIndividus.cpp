#include "tables/TGTableIndividus.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "platform/Preferences.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableEvenements.h"
#include "utilities/Collation.h"

namespace genvora {

int TGTableIndividusComparatorAlpha::Compare(const void* a, const void* b, unsigned, unsigned) const {
  return table_->AlphaCompareIndividus(ItemWord(a, 0), ItemWord(b, 0), rattachement_);
}

TGTableIndividus::TGTableIndividus()
    : LXArray("TGTableIndividus", true), nomsOwned_(std::make_unique<TGTableDicoNoms>()) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;

  noms_ = nomsOwned_.get();
  // A surname rewritten with another master must not keep answering the
  // old one to keys made afterwards (UpdateAlphaIndis, new individuals).
  noms_->SetOnChange([this](CodeID nom) {
    if (nom == 0)
      rattachements_.clear();
    else
      rattachements_.erase(nom);
  });
  alpha_ = new LArray(4, new TGTableIndividusComparatorAlpha(this, false), true);
  alpha_->SetClassName("TBPeople-IdxAlpha");
  AttachArray(kAlphaSlot, alpha_);
  alphaR_ = new LArray(4, new TGTableIndividusComparatorAlpha(this, true), true);
  alphaR_->SetClassName("TBPeople-IdxAlphaR");
  AttachArray(kAlphaRSlot, alphaR_);
  quickList_ = new TG5QuickList();
  AttachArray(kQuickListSlot, quickList_);
}

TGTableIndividus::~TGTableIndividus() { noms_->SetOnChange(nullptr); }

void TGTableIndividus::SetDatabaseVersion(int version) {
  const bool legacy = version < 12;
  if (legacy && nomsOwned_) {
    attached_[kLegacyNomsSlot] = nomsOwned_.release();
  } else if (!legacy && !nomsOwned_) {
    // Taken out of the slot without destroying it: the table still owns it.
    nomsOwned_.reset(static_cast<TGTableDicoNoms*>(attached_[kLegacyNomsSlot]));
    attached_[kLegacyNomsSlot] = nullptr;
  }
}

CodeID TGTableIndividus::SurnameOf(CodeID nom, bool rattachement) const {
  if (!rattachement || nom == 0) return nom;
  if (const CodeID* found = rattachements_.find(nom)) return *found;
  TGNom record(noms_->GetSplitter());
  // The Rattachement as stored, 0 included: an unreadable surname gives 0.
  const CodeID master = record.LitDans(nom, noms_) ? record.GetRattachement() : 0;
  rattachements_.emplace(nom, master);
  return master;
}

TGTableIndividus::AlphaKey TGTableIndividus::MakeKey(const TGIndividu& individu) const {
  AlphaKey key;
  key.nom = individu.GetCodeNom();
  key.nomR = SurnameOf(key.nom, true);
  key.prenoms = CollationKey(individu.GetChar(5), false);
  const AnsiString sexe = individu.GetChar(10);
  key.sexe = sexe.empty() ? 0 : static_cast<std::uint8_t>(sexe[0]);
  return key;
}

TGTableIndividus::AlphaKey& TGTableIndividus::KeyOf(CodeID code) const {
  auto found = keys_.find(code);
  if (found != keys_.end()) return found->second;
  TGIndividu individu;
  AlphaKey key;
  if (individu.LitDans(code, const_cast<TGTableIndividus*>(this))) key = MakeKey(individu);
  return keys_.emplace(code, std::move(key)).first->second;
}

std::uint32_t TGTableIndividus::ArrivalOf(AlphaKey& key, CodeID code) const {
  if (!key.arriveeKnown) {
    key.arrivee = events_ != nullptr ? events_->ArriveeDe(code) : 0;
    key.arriveeKnown = true;
  }
  return key.arrivee;
}

int TGTableIndividus::AlphaCompareIndividus(CodeID a, CodeID b, bool rattachement) const {
  if (a == b) return 0;
  AlphaKey& ka = KeyOf(a);
  AlphaKey& kb = KeyOf(b);
  const CodeID na = rattachement ? ka.nomR : ka.nom;
  const CodeID nb = rattachement ? kb.nomR : kb.nom;
  if (na != nb) return noms_->premierDe(na, nb);
  const int byPrenoms = ka.prenoms.compare(kb.prenoms);
  if (byPrenoms != 0) return byPrenoms < 0 ? -1 : 1;
  if (events_ != nullptr) {
    const std::uint32_t arrivalA = ArrivalOf(ka, a);
    const std::uint32_t arrivalB = ArrivalOf(kb, b);
    if (arrivalA != arrivalB) return arrivalA < arrivalB ? -1 : 1;
  }
  return a < b ? -1 : 1;
}

int TGTableIndividus::EcritData(TGIndividu* individu) {
  if (individu == nullptr) return 0;
  CurrentRecordCleared cleared;
  const unsigned countBefore = GetCount();
  const int position = individu->EcritDans(individu->GetCodeID(), this);
  if (position == 0 || batch_) return position;
  const CodeID code = individu->GetCodeID();
  if (GetCount() == countBefore)
    ReplaceKey(code, PlacesOf(code));
  else
    AddKey(code);
  quickList_->Ecrit(code, individu->GetCodePere(), individu->GetCodeMere());
  return position;
}

bool TGTableIndividus::FetchData(CodeID code, TGIndividu* individu) {
  return individu != nullptr && individu->LitDans(code, this);
}

int TGTableIndividus::DeleteData(std::uint32_t code) {
  RemoveKey(code);
  quickList_->Supprime(code);
  return LXArray::DeleteData(code);
}

void TGTableIndividus::AddKey(CodeID code) {
  keys_.erase(code);
  InsertInRun(*alpha_, &code);
  InsertInRun(*alphaR_, &code);
}

void TGTableIndividus::RemoveKey(CodeID code) {
  // The cached key still is the one the entries were placed with.
  RemoveExact(*alpha_, &code);
  RemoveExact(*alphaR_, &code);
  keys_.erase(code);
}

TGTableIndividus::Places TGTableIndividus::PlacesOf(CodeID code) const {
  return {FindExact(*alpha_, &code), FindExact(*alphaR_, &code)};
}

void TGTableIndividus::ReplaceKey(CodeID code, const Places& places) {
  keys_.erase(code);
  const std::pair<LArray*, int> indexes[] = {{alpha_, places.alpha}, {alphaR_, places.alphaR}};
  for (const auto& [index, from] : indexes) {
    if (from != 0)
      MoveInRun(*index, from, &code);
    else
      InsertInRun(*index, &code);
  }
}

void TGTableIndividus::RemoveKeySequential(CodeID code) {
  for (LArray* index : {alpha_, alphaR_}) {
    const int count = static_cast<int>(index->GetCount());
    for (int i = 1; i <= count; ++i) {
      if (ItemWord(index->GetItemPtr(i), 0) == code) {
        index->RemoveItemsAt(1, i);
        break;
      }
    }
  }
  keys_.erase(code);
}

void TGTableIndividus::UpdateAlphaIndis(const LArray* codes) {
  if (codes == nullptr) return;
  const int count = static_cast<int>(codes->GetCount());
  for (int i = 1; i <= count; ++i) {
    const CodeID code = ItemWord(codes->GetItemPtr(i), 0);
    RemoveKey(code);
    AddKey(code);
  }
}

CodeID TGTableIndividus::PremierDuNom(CodeID nom, bool rattachement) const {
  const LArray* index = rattachement ? alphaR_ : alpha_;
  int low = 1;
  int high = static_cast<int>(index->GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const CodeID there = KeyOf(ItemWord(index->GetItemPtr(mid), 0)).*(rattachement ? &AlphaKey::nomR : &AlphaKey::nom);
    if (there == nom) {
      int first = mid;
      while (first > 1) {
        const AlphaKey& before = KeyOf(ItemWord(index->GetItemPtr(first - 1), 0));
        if ((rattachement ? before.nomR : before.nom) != nom) break;
        --first;
      }
      return ItemWord(index->GetItemPtr(first), 0);
    }
    if (noms_->premierDe(there, nom) < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return 0;
}

void TGTableIndividus::PorteursDuNom(CodeID nom, LArray* out, TPorteeRequete portee, bool rattachement) const {
  if (out == nullptr) return;
  const CodeID first = PremierDuNom(nom, rattachement);
  if (first == 0) return;
  const LArray* index = rattachement ? alphaR_ : alpha_;
  const int count = static_cast<int>(index->GetCount());
  int i = FindExact(*index, &first);
  for (; i >= 1 && i <= count; ++i) {
    const CodeID code = ItemWord(index->GetItemPtr(i), 0);
    const AlphaKey& key = KeyOf(code);
    if ((rattachement ? key.nomR : key.nom) != nom) break;
    if (portee == prPasFemmes && key.sexe == 'f') continue;
    if (portee == prPasHommes && key.sexe == 'm') continue;
    out->AddItem(&code, 4);
  }
}

void TGTableIndividus::LesEnfantsDe(CodeID parent1, CodeID parent2, LArray* out) const {
  if (out == nullptr) return;
  std::vector<CodeID> children;
  LesEnfantsDe(parent1, parent2, children);
  for (CodeID child : children) out->AddItem(&child, 4);
}

void TGTableIndividus::LesEnfantsDe(CodeID parent1, CodeID parent2, std::vector<CodeID>& out) const {
  const std::size_t start = out.size();
  quickList_->Enfants(parent1, out);
  if (parent2 == 0) return;
  std::vector<CodeID> others;
  quickList_->Enfants(parent2, others);
  // A family's children are few: a scan of the other parent's list is
  // cheaper than a hash set made for each family.
  constexpr std::size_t kScanned = 64;
  std::unordered_set<CodeID> ofBoth;
  if (others.size() > kScanned) ofBoth.insert(others.begin(), others.end());
  const auto common = [&](CodeID child) {
    return others.size() > kScanned ? ofBoth.count(child) != 0
                                     : std::find(others.begin(), others.end(), child) != others.end();
  };
  std::size_t kept = start;
  for (std::size_t k = start; k < out.size(); ++k)
    if (common(out[k])) out[kept++] = out[k];
  out.resize(kept);
}

void TGTableIndividus::Reindex() { Reindex(std::vector<IndexFields>{}); }

void TGTableIndividus::Reindex(std::vector<IndexFields> known) {
  InvalidateCaches();
  noms_->InvalidateCaches();
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker("TGTableIndividus", static_cast<std::int64_t>(codes.size()));
  // What the orders read of each individual, in store order. The
  // first names are kept as the number of their text among the distinct
  // texts met: a file holds far fewer first-name texts than people, so each
  // collation key is made and sorted once.
  struct Prepared {
    CodeID nom = 0;
    CodeID nomR = 0;
    std::uint32_t text = 0;  // in `texts`
    std::uint32_t arrivee = 0;
  };
  std::vector<Prepared> keys;
  ReserveLarge(keys, codes.size());
  std::unordered_map<std::string, std::uint32_t> textNumbers;
  // The collation key of each distinct text; text 0 is the empty key of a
  // damaged entry, which stays indexed under it so that the indexes list
  // every stored code until a repair removes it.
  std::vector<std::string> texts(1);
  // Each record's fields, in store order. Those the caller knows are taken
  // (as they are when they cover the store in its order); the others are
  // decoded on every core, each into its own slot.
  const auto byCode = [](const IndexFields& a, const IndexFields& b) { return a.code < b.code; };
  if (!std::is_sorted(known.begin(), known.end(), byCode)) known.clear();
  const bool whole = known.size() == codes.size() &&
                     std::equal(codes.begin(), codes.end(), known.begin(),
                                [](CodeID code, const IndexFields& fields) { return fields.code == code; });
  std::vector<IndexFields> decoded = whole ? std::move(known) : std::vector<IndexFields>(codes.size());
  if (!whole) {
    ForEachRange(codes.size(), 20000, [&](std::size_t begin, std::size_t end) {
      TGIndividu individu;
      for (std::size_t k = begin; k < end; ++k) {
        const CodeID code = codes[k];
        const auto at = std::lower_bound(known.begin(), known.end(), IndexFields{code}, byCode);
        // Copied, not moved: a damaged code list may name one code twice,
        // and two threads would then take the same entry.
        if (at != known.end() && at->code == code) {
          decoded[k] = *at;
        } else if (individu.LitDans(code, this)) {
          decoded[k] = {code, true, individu.GetCodeNom(), individu.GetCodePere(), individu.GetCodeMere(),
                        individu.GetChar(5)};
        } else {
          // The quick list takes the parents a damaged record's decoding got
          // to before it stopped, as a fresh record object holds them.
          TGIndividu damaged;
          damaged.LitDans(code, this);
          decoded[k] = {code, false, 0, damaged.GetCodePere(), damaged.GetCodeMere(), {}};
        }
      }
    });
    known.clear();
    known.shrink_to_fit();
  }
  std::vector<QuickListT> quick;
  ReserveLarge(quick, codes.size());
  for (const IndexFields& d : decoded) quick.push_back({d.code, d.pere, d.mere});
  // The quick list reads none of what follows: a large one is made on a
  // second core while the orders are worked out.
  constexpr std::size_t kQuickListBeside = 32768;
  WorkBeside quickList(codes.size() >= kQuickListBeside, [this, &quick] { quickList_->Rebuild(quick); });
  std::int64_t done = 0;
  for (IndexFields& d : decoded) {
    ticker.Step(++done);
    Prepared prepared;
    if (d.ok) {
      prepared.nom = d.nom;
      prepared.nomR = SurnameOf(prepared.nom, true);
      auto at = textNumbers.find(d.prenoms);
      if (at == textNumbers.end()) {
        at = textNumbers.emplace(std::move(d.prenoms), static_cast<std::uint32_t>(texts.size())).first;
        texts.push_back(CollationKey(at->first, false));
      }
      prepared.text = at->second;
    }
    keys.push_back(prepared);
  }
  decoded.clear();
  decoded.shrink_to_fit();
  textNumbers.clear();
  // The arrival dates, which the orders read for a tie of names, in one
  // walk of the events' index.
  if (events_ != nullptr) {
    const std::vector<std::uint32_t> arrivals = events_->ArriveesDe(codes);
    for (std::size_t k = 0; k < keys.size(); ++k) keys[k].arrivee = arrivals[k];
  }
  // Ranks of the first-name keys: two ranks compare as their keys do, and
  // texts with the same key share a rank.
  std::vector<std::uint32_t> prenomsRank(keys.size());
  {
    std::vector<std::uint32_t> byKey(texts.size());
    for (std::uint32_t t = 0; t < byKey.size(); ++t) byKey[t] = t;
    std::sort(byKey.begin(), byKey.end(), [&texts](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
    std::vector<std::uint32_t> rankOfText(texts.size());
    std::uint32_t rank = 0;
    for (std::size_t r = 0; r < byKey.size(); ++r) {
      if (r != 0 && texts[byKey[r]] != texts[byKey[r - 1]]) ++rank;
      rankOfText[byKey[r]] = rank;
    }
    for (std::size_t k = 0; k < keys.size(); ++k) prenomsRank[k] = rankOfText[keys[k].text];
  }
  // The sorts compare prepared entries, all in one flat vector: the surname
  // ranks and first-name ranks are looked up once per person instead of
  // twice per comparison, and the arrival date is computed only for a tie.
  // The order is that of AlphaCompareIndividus.
  struct Entry {
    CodeID code;
    CodeID nom;
    std::uint32_t rank;
    std::uint32_t prenoms;
    std::uint32_t key;  // in `keys`
  };
  const auto sorted = [&](bool rattachement) {
    std::vector<Entry> entries;
    ReserveLarge(entries, codes.size());
    for (std::uint32_t k = 0; k < codes.size(); ++k) {
      const CodeID nom = rattachement ? keys[k].nomR : keys[k].nom;
      entries.push_back({codes[k], nom, noms_->RangDe(nom), prenomsRank[k], k});
    }
    // With at most one absent surname among the entries, the order is total
    // (the code decides last) and is that of the words (surname rank, absent
    // last; first-name rank; arrival; code): any sort gives it. Two absent
    // surnames are equal to each other yet not to what lies between them,
    // and only the merge below gives their order.
    bool total = true;
    bool seenAbsent = false;
    CodeID absent = 0;
    for (const Entry& entry : entries) {
      if (entry.rank != 0) continue;
      if (seenAbsent && entry.nom != absent) {
        total = false;
        break;
      }
      seenAbsent = true;
      absent = entry.nom;
    }
    if (total) {
      struct Wide {
        std::uint64_t high, low;
      };
      std::vector<Wide> wide;
      ReserveLarge(wide, entries.size());
      for (const Entry& entry : entries) {
        const std::uint64_t rank = entry.rank == 0 ? 0xFFFFFFFFu : entry.rank;
        const std::uint64_t arrival = events_ != nullptr ? keys[entry.key].arrivee : 0;
        wide.push_back({rank << 32 | entry.prenoms, arrival << 32 | entry.code});
      }
      std::sort(wide.begin(), wide.end(),
                [](const Wide& a, const Wide& b) { return a.high != b.high ? a.high < b.high : a.low < b.low; });
      std::vector<CodeID> ordered;
      ReserveLarge(ordered, wide.size());
      for (const Wide& w : wide) ordered.push_back(static_cast<CodeID>(w.low));
      return ordered;
    }
    StableSortGuarded(entries, [this, &keys](const Entry& a, const Entry& b) {
      if (a.code == b.code) return false;
      if (a.nom != b.nom) {
        if (a.rank == 0 || b.rank == 0) return a.rank != 0;  // absent surnames come last
        return a.rank < b.rank;
      }
      if (a.prenoms != b.prenoms) return a.prenoms < b.prenoms;
      if (events_ != nullptr && keys[a.key].arrivee != keys[b.key].arrivee)
        return keys[a.key].arrivee < keys[b.key].arrivee;
      return a.code < b.code;
    });
    std::vector<CodeID> ordered;
    ReserveLarge(ordered, entries.size());
    for (const Entry& entry : entries) ordered.push_back(entry.code);
    return ordered;
  };
  // The two orders only read what is prepared above (the surname ranks are
  // made before): a large second one is sorted beside the first.
  noms_->RangDe(0);
  std::vector<CodeID> byAlphaR;
  WorkBeside second(codes.size() >= kQuickListBeside, [&sorted, &byAlphaR] { byAlphaR = sorted(true); });
  const std::vector<CodeID> byAlpha = sorted(false);
  BulkLoad(*alpha_, byAlpha.data(), byAlpha.size());
  second.Wait();
  BulkLoad(*alphaR_, byAlphaR.data(), byAlphaR.size());
  quickList.Wait();
  // The key cache stays empty, as after reading the indexes from a file:
  // later insertions make the few keys their searches compare, where a
  // million keys kept here would cost more than all of them.
  ticker.Done();
}

bool TGTableIndividus::LitDans(FileHandle* file) {
  InvalidateCaches();
  const bool ok = LXArray::LitDans(file);
  InvalidateCaches();
  return ok;
}

}  // namespace genvora
