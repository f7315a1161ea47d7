#include "tables/TGTableLiensGenerique.h"

#include <vector>

#include "tables/IndexSupport.h"

namespace genvora {

TGTableLiensGenerique::TGTableLiensGenerique(const char* className)
    : LArray(kItemSize, new LLongComparator(), true) {
  SetClassName(className);
}

// ---------------------------------------------------------------- the order by member

void TGTableLiensGenerique::Ajoute(CodeID a, CodeID b, std::uint64_t rang) const {
  parMembre_.insert({a, a, rang, b});
  if (b != a) parMembre_.insert({b, a, rang, a});
}

void TGTableLiensGenerique::Enleve(const Entree& entree) {
  // The entry of a member and the one of the other member of its pair.
  parMembre_.erase(entree);
  if (entree.autre != entree.membre) parMembre_.erase({entree.autre, entree.a, entree.rang, entree.membre});
}

void TGTableLiensGenerique::Reconstruit() const {
  parMembre_.clear();
  const int count = static_cast<int>(GetCount());
  ordonne_ = true;
  for (int i = 2; ordonne_ && i <= count; ++i) {
    if (CodeWordBefore(ItemWord(GetItemPtr(i), 0), ItemWord(GetItemPtr(i - 1), 0))) ordonne_ = false;
  }
  if (ordonne_) {
    for (int i = 1; i <= count; ++i) {
      const void* item = GetItemPtr(i);
      Ajoute(ItemWord(item, 0), ItemWord(item, 1), static_cast<std::uint64_t>(i));
    }
  }
  rangSuivant_ = static_cast<std::uint64_t>(count) + 1;
  synced_ = changes_;
}

bool TGTableLiensGenerique::Pret() const {
  if (synced_ != changes_) Reconstruit();
  return ordonne_;
}

// ---------------------------------------------------------------- pairs

void TGTableLiensGenerique::AjouteLien(CodeID a, CodeID b) {
  const bool pret = Pret();
  const std::uint32_t pair[2] = {a, b};
  const int position = InsertInRun(*this, pair);
  if (!pret || position == 0) return;  // nothing to follow, or rebuilt later
  // The new pair is the last of its run: the largest rank so far.
  Ajoute(a, b, rangSuivant_++);
  synced_ = changes_;
}

bool TGTableLiensGenerique::SupprimeLien(CodeID a, CodeID b) {
  std::uint32_t pair[2] = {0, 0};
  int index = 0;
  const Entree* found = nullptr;
  if (Pret()) {
    // The first pair in array order that is {a, b} or {b, a}: all of them
    // are entries of a whose other member is b.
    for (auto entree = PremiereDe(a); entree != parMembre_.end() && entree->membre == a; ++entree) {
      if (entree->autre == b) {
        found = &*entree;
        break;
      }
    }
    if (found == nullptr) return false;
    pair[0] = found->a;
    pair[1] = found->a == a ? b : a;
    // Its place: the first item equal to it in the run of its A (removing
    // any of several equal items leaves the same array).
    const int count = static_cast<int>(GetCount());
    for (int i = LowerBoundFirstWord(*this, pair[0]); i <= count && index == 0; ++i) {
      const void* item = GetItemPtr(i);
      if (ItemWord(item, 0) != pair[0]) break;
      if (ItemWord(item, 1) == pair[1]) index = i;
    }
  } else {
    // A scan: the first of {a, b} and {b, a} in array order.
    const int count = static_cast<int>(GetCount());
    for (int i = 1; i <= count && index == 0; ++i) {
      const void* item = GetItemPtr(i);
      const std::uint32_t first = ItemWord(item, 0);
      const std::uint32_t second = ItemWord(item, 1);
      if ((first == a && second == b) || (first == b && second == a)) index = i;
    }
  }
  if (index == 0) return false;
  const Entree entree = found != nullptr ? *found : Entree{};
  const bool pret = synced_ == changes_;
  if (RemoveItemsAt(1, index) == 0) return false;  // refused: nothing changed
  if (found != nullptr && pret) {
    Enleve(entree);
    synced_ = changes_;
  }
  return true;
}

bool TGTableLiensGenerique::EstLie(CodeID a, CodeID b) const {
  if (!Pret()) {
    const int count = static_cast<int>(GetCount());
    for (int i = 1; i <= count; ++i) {
      const void* item = GetItemPtr(i);
      const std::uint32_t first = ItemWord(item, 0);
      const std::uint32_t second = ItemWord(item, 1);
      if ((first == a && second == b) || (first == b && second == a)) return true;
    }
    return false;
  }
  if (a == b) {
    // A pair {a, a}: an entry of a under its own A naming a.
    for (auto at = parMembre_.lower_bound({a, a, 0, 0}); at != parMembre_.end() && at->membre == a && at->a == a; ++at)
      if (at->autre == a) return true;
    return false;
  }
  // A pair {a, b} is an entry of b under A = a, a pair {b, a} one of a
  // under A = b: one lookup each.
  const auto direct = parMembre_.lower_bound({b, a, 0, 0});
  if (direct != parMembre_.end() && direct->membre == b && direct->a == a) return true;
  const auto mirror = parMembre_.lower_bound({a, b, 0, 0});
  return mirror != parMembre_.end() && mirror->membre == a && mirror->a == b;
}

void TGTableLiensGenerique::LesLiensDe(CodeID code, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  if (!Pret()) {
    const int count = static_cast<int>(GetCount());
    for (int i = 1; i <= count; ++i) {
      const void* item = GetItemPtr(i);
      const std::uint32_t a = ItemWord(item, 0);
      const std::uint32_t b = ItemWord(item, 1);
      if (a == code || b == code) {
        const std::uint32_t other = a == code ? b : a;
        out->AddItem(&other, 4);
      }
    }
    return;
  }
  for (auto entree = PremiereDe(code); entree != parMembre_.end() && entree->membre == code; ++entree)
    out->AddItem(&entree->autre, 4);
}

CodeID TGTableLiensGenerique::LePremierLienDe(CodeID code) const {
  if (!Pret()) {
    const int count = static_cast<int>(GetCount());
    for (int i = 1; i <= count; ++i) {
      const void* item = GetItemPtr(i);
      const std::uint32_t a = ItemWord(item, 0);
      const std::uint32_t b = ItemWord(item, 1);
      if (a == code) return b;
      if (b == code) return a;
    }
    return 0;
  }
  const auto entree = PremiereDe(code);
  return entree != parMembre_.end() && entree->membre == code ? entree->autre : 0;
}

void TGTableLiensGenerique::RemoveCodeID(CodeID code) {
  const bool pret = Pret();
  std::vector<std::uint32_t> kept;
  kept.reserve(static_cast<std::size_t>(GetCount()) * 2);
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    if (ItemWord(item, 0) == code || ItemWord(item, 1) == code) continue;
    kept.push_back(ItemWord(item, 0));
    kept.push_back(ItemWord(item, 1));
  }
  if (kept.size() / 2 == GetCount()) return;
  BulkLoad(*this, kept.data(), kept.size() / 2);
  if (!pret || GetCount() != kept.size() / 2) return;  // rebuilt at the next query
  // The pairs that went are the entries of the code.
  std::vector<Entree> gone;
  for (auto entree = PremiereDe(code); entree != parMembre_.end() && entree->membre == code; ++entree)
    gone.push_back(*entree);
  for (const Entree& entree : gone) Enleve(entree);
  synced_ = changes_;
}

// ---------------------------------------------------------------- changes behind the table's back

void TGTableLiensGenerique::PokeItem(int index, const void* data, unsigned size) {
  ++changes_;
  LArray::PokeItem(index, data, size);
}
void TGTableLiensGenerique::Sort() {
  // Sorting a sorted array changes nothing; the order stays in phase.
  if (!IsSorted()) ++changes_;
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
