#include "tables/TGTableLiensGenerique.h"

#include <algorithm>
#include <vector>

#include "tables/IndexSupport.h"

namespace genvora {

TGTableLiensGenerique::TGTableLiensGenerique(const char* className)
    : LArray(kItemSize, new LLongComparator(), true) {
  SetClassName(className);
}

// ---------------------------------------------------------------- the order by member

void TGTableLiensGenerique::Reconstruit() const {
  const int count = static_cast<int>(GetCount());
  parMembre_.clear();
  parMembre_.reserve(static_cast<std::size_t>(count) * 2);
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    const std::uint32_t a = ItemWord(item, 0);
    const std::uint32_t b = ItemWord(item, 1);
    parMembre_.emplace_back(a, static_cast<std::uint32_t>(i));
    if (b != a) parMembre_.emplace_back(b, static_cast<std::uint32_t>(i));
  }
  std::sort(parMembre_.begin(), parMembre_.end());
  synced_ = changes_;
}

std::pair<const TGTableLiensGenerique::Entree*, const TGTableLiensGenerique::Entree*> TGTableLiensGenerique::EntreesDe(
    CodeID code) const {
  if (!EnPhase()) Reconstruit();
  const auto first = std::lower_bound(parMembre_.begin(), parMembre_.end(), Entree{code, 0});
  auto last = first;
  while (last != parMembre_.end() && last->first == code) ++last;
  return {parMembre_.data() + (first - parMembre_.begin()), parMembre_.data() + (last - parMembre_.begin())};
}

void TGTableLiensGenerique::Insere(CodeID a, CodeID b, std::uint32_t position) {
  for (Entree& entree : parMembre_) {
    if (entree.second >= position) ++entree.second;
  }
  for (CodeID member : {a, b}) {
    const Entree entree{member, position};
    parMembre_.insert(std::lower_bound(parMembre_.begin(), parMembre_.end(), entree), entree);
    if (b == a) break;
  }
}

void TGTableLiensGenerique::Retire(CodeID a, CodeID b, std::uint32_t position) {
  for (CodeID member : {a, b}) {
    const auto at = std::lower_bound(parMembre_.begin(), parMembre_.end(), Entree{member, position});
    if (at != parMembre_.end() && *at == Entree{member, position}) parMembre_.erase(at);
    if (b == a) break;
  }
  for (Entree& entree : parMembre_) {
    if (entree.second > position) --entree.second;
  }
}

// ---------------------------------------------------------------- pairs

void TGTableLiensGenerique::AjouteLien(CodeID a, CodeID b) {
  const bool enPhase = EnPhase();
  const std::uint32_t pair[2] = {a, b};
  const int position = InsertInRun(*this, pair);
  if (enPhase && position != 0) {
    Insere(a, b, static_cast<std::uint32_t>(position));
    synced_ = changes_;
  }
}

bool TGTableLiensGenerique::SupprimeLien(CodeID a, CodeID b) {
  // The first pair in array order that is {a, b} or {b, a}: all of them
  // hold a. Looking them up brings the order in phase.
  int index = 0;
  for (auto [entree, end] = EntreesDe(a); entree != end; ++entree) {
    const void* item = GetItemPtr(static_cast<int>(entree->second));
    const std::uint32_t first = ItemWord(item, 0);
    const std::uint32_t second = ItemWord(item, 1);
    if ((first == a && second == b) || (first == b && second == a)) {
      index = static_cast<int>(entree->second);
      break;
    }
  }
  if (index == 0) return false;
  const std::uint32_t removedA = ItemWord(GetItemPtr(index), 0);
  const std::uint32_t removedB = ItemWord(GetItemPtr(index), 1);
  if (RemoveItemsAt(1, index) == 0) return false;  // refused: nothing changed
  Retire(removedA, removedB, static_cast<std::uint32_t>(index));
  synced_ = changes_;
  return true;
}

bool TGTableLiensGenerique::EstLie(CodeID a, CodeID b) const {
  auto [fromA, endA] = EntreesDe(a);
  auto [fromB, endB] = EntreesDe(b);
  // Every such pair holds both codes: walk the shorter list.
  const Entree* entree = endA - fromA <= endB - fromB ? fromA : fromB;
  const Entree* end = endA - fromA <= endB - fromB ? endA : endB;
  for (; entree != end; ++entree) {
    const void* item = GetItemPtr(static_cast<int>(entree->second));
    const std::uint32_t first = ItemWord(item, 0);
    const std::uint32_t second = ItemWord(item, 1);
    if ((first == a && second == b) || (first == b && second == a)) return true;
  }
  return false;
}

void TGTableLiensGenerique::LesLiensDe(CodeID code, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  for (auto [entree, end] = EntreesDe(code); entree != end; ++entree) {
    const void* item = GetItemPtr(static_cast<int>(entree->second));
    const std::uint32_t a = ItemWord(item, 0);
    const std::uint32_t other = a == code ? ItemWord(item, 1) : a;
    out->AddItem(&other, 4);
  }
}

CodeID TGTableLiensGenerique::LePremierLienDe(CodeID code) const {
  const auto [entree, end] = EntreesDe(code);
  if (entree == end) return 0;
  const void* item = GetItemPtr(static_cast<int>(entree->second));
  const std::uint32_t a = ItemWord(item, 0);
  return a == code ? ItemWord(item, 1) : a;
}

void TGTableLiensGenerique::RemoveCodeID(CodeID code) {
  const bool enPhase = EnPhase();
  std::vector<std::uint32_t> kept;
  kept.reserve(static_cast<std::size_t>(GetCount()) * 2);
  const int count = static_cast<int>(GetCount());
  // Removed pairs below each position, to renumber the order by member.
  std::vector<std::uint32_t> removedBelow(static_cast<std::size_t>(count) + 2, 0);
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    const bool removed = ItemWord(item, 0) == code || ItemWord(item, 1) == code;
    removedBelow[static_cast<std::size_t>(i) + 1] = removedBelow[static_cast<std::size_t>(i)] + (removed ? 1 : 0);
    if (removed) continue;
    kept.push_back(ItemWord(item, 0));
    kept.push_back(ItemWord(item, 1));
  }
  if (kept.size() / 2 == GetCount()) return;
  BulkLoad(*this, kept.data(), kept.size() / 2);
  if (!enPhase || GetCount() != kept.size() / 2) return;  // rebuilt at the next query
  std::size_t write = 0;
  for (const Entree& entree : parMembre_) {
    const std::size_t position = entree.second;
    if (removedBelow[position + 1] != removedBelow[position]) continue;  // its pair is gone
    parMembre_[write++] = {entree.first, static_cast<std::uint32_t>(position - removedBelow[position])};
  }
  parMembre_.resize(write);
  synced_ = changes_;
}

// ---------------------------------------------------------------- changes behind the table's back

void TGTableLiensGenerique::PokeItem(int index, const void* data, unsigned size) {
  ++changes_;
  LArray::PokeItem(index, data, size);
}
void TGTableLiensGenerique::Sort() {
  ++changes_;
  LArray::Sort();
}
bool TGTableLiensGenerique::LitDans(FileHandle* file) {
  ++changes_;
  return LArray::LitDans(file);
}
void TGTableLiensGenerique::AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes) {
  ++changes_;
  LArray::AdjustStorage(deltaItems, deltaBytes);
}
void TGTableLiensGenerique::ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes) {
  ++changes_;
  LArray::ShiftItems(first, last, deltaItems, deltaBytes);
}
void TGTableLiensGenerique::StoreNewItems(unsigned n, int index, const void* item, unsigned size) {
  ++changes_;
  LArray::StoreNewItems(n, index, item, size);
}
void TGTableLiensGenerique::InternalSwapItems(int a, int b, void* buffer) {
  ++changes_;
  LArray::InternalSwapItems(a, b, buffer);
}
void TGTableLiensGenerique::InternalMoveItem(int from, int to, void* buffer) {
  ++changes_;
  LArray::InternalMoveItem(from, to, buffer);
}
void TGTableLiensGenerique::InternalCopyItem(int from, int to) {
  ++changes_;
  LArray::InternalCopyItem(from, to);
}
void TGTableLiensGenerique::ClearAfterFailedRead() {
  ++changes_;
  LArray::ClearAfterFailedRead();
}

}  // namespace genvora
