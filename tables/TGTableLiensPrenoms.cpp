#include "tables/TGTableLiensPrenoms.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tables/IndexSupport.h"

namespace genvora {

int TGTableLiensPrenomsComparator::Compare(const void* a, const void* b, unsigned, unsigned) const {
  for (int word = 0; word < 2; ++word) {
    const std::uint32_t x = ItemWord(a, word);
    const std::uint32_t y = ItemWord(b, word);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

TGTableLiensPaires::TGTableLiensPaires(const char* className, unsigned itemSize)
    : LArray(itemSize, new TGTableLiensPrenomsComparator(), true) {
  SetClassName(className);
}

// The pairs are ordered by their words as unsigned numbers: the run of `a`
// starts at the lower bound of {a, 0}, which the wrapping first-word search
// would miss when codes lie 2^31 or more apart.
int TGTableLiensPaires::FirstOf(CodeID a) const {
  unsigned char probe[12] = {};
  std::memcpy(probe, &a, 4);
  return LowerBoundOf(*this, probe);
}

int TGTableLiensPaires::FindPair(CodeID a, CodeID b) const {
  unsigned char probe[12] = {};
  std::memcpy(probe, &a, 4);
  std::memcpy(probe + 4, &b, 4);
  const int index = LowerBoundOf(*this, probe);
  if (index <= static_cast<int>(GetCount()) && ItemWord(GetItemPtr(index), 0) == a &&
      ItemWord(GetItemPtr(index), 1) == b)
    return index;
  return 0;
}

void TGTableLiensPaires::WritePair(CodeID a, CodeID b, std::uint8_t usual) {
  unsigned char item[12] = {};  // the padding stays zero
  std::memcpy(item, &a, 4);
  std::memcpy(item + 4, &b, 4);
  item[8] = usual;
  const unsigned size = GetItemSize(1);
  if (const int index = FindPair(a, b)) {
    PokeItem(index, item, size);
  } else {
    InsertInRun(*this, item);
  }
}

void TGTableLiensPaires::WritePairs(const std::vector<Paire>& pairs) {
  if (pairs.empty()) return;
  const int count = static_cast<int>(GetCount());
  bool increasing = !IsLocked();
  for (int i = 2; increasing && i <= count; ++i)
    increasing = GetComparator()->Compare(GetItemPtr(i - 1), GetItemPtr(i), itemSize_, itemSize_) < 0;
  if (!increasing) {
    // Repeated or disordered pairs (a damaged file), or a locked array:
    // the one-by-one path decides, as it always did.
    for (const Paire& pair : pairs) WritePair(pair.a, pair.b, pair.usual);
    return;
  }
  // The last write of each pair wins; its item is the one WritePair builds
  // (padding zero), whether it replaces a stored pair or adds one.
  std::vector<std::uint32_t> order(pairs.size());
  for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&pairs](std::uint32_t x, std::uint32_t y) {
    return pairs[x].a != pairs[y].a ? pairs[x].a < pairs[y].a : pairs[x].b < pairs[y].b;
  });
  std::vector<unsigned char> merged;
  merged.reserve((static_cast<std::size_t>(count) + pairs.size()) * itemSize_);
  bool added = false;
  int i = 1;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Paire& pair = pairs[order[k]];
    if (k + 1 < order.size() && pairs[order[k + 1]].a == pair.a && pairs[order[k + 1]].b == pair.b) continue;
    // The stored pairs before this one stay as they are.
    for (; i <= count; ++i) {
      const void* item = GetItemPtr(i);
      const std::uint32_t a = ItemWord(item, 0);
      const std::uint32_t b = ItemWord(item, 1);
      if (a > pair.a || (a == pair.a && b >= pair.b)) break;
      const auto* bytes = static_cast<const unsigned char*>(item);
      merged.insert(merged.end(), bytes, bytes + itemSize_);
    }
    if (i <= count && ItemWord(GetItemPtr(i), 0) == pair.a && ItemWord(GetItemPtr(i), 1) == pair.b)
      ++i;  // replaced
    else
      added = true;
    unsigned char item[12] = {};
    std::memcpy(item, &pair.a, 4);
    std::memcpy(item + 4, &pair.b, 4);
    item[8] = pair.usual;
    merged.insert(merged.end(), item, item + itemSize_);
  }
  for (; i <= count; ++i) {
    const auto* bytes = static_cast<const unsigned char*>(GetItemPtr(i));
    merged.insert(merged.end(), bytes, bytes + itemSize_);
  }
  // An insertion leaves the array marked sorted; replacements alone leave
  // the mark as it was.
  const bool sorted = added || IsSorted();
  BulkLoad(*this, merged.data(), merged.size() / itemSize_);
  _SetComparator(GetComparator(), sorted);
}

void TGTableLiensPaires::GetLiens(CodeID a, LArray* out) const {
  if (out == nullptr) return;
  const int count = static_cast<int>(GetCount());
  for (int i = FirstOf(a); i <= count && ItemWord(GetItemPtr(i), 0) == a; ++i) {
    const std::uint32_t b = ItemWord(GetItemPtr(i), 1);
    out->AddItem(&b, 4);
  }
}

void TGTableLiensPaires::SupprLiensUnCode(CodeID a) {
  std::vector<CodeID> others;
  const int first = FirstOf(a);
  int last = first;
  const int count = static_cast<int>(GetCount());
  while (last <= count && ItemWord(GetItemPtr(last), 0) == a) others.push_back(ItemWord(GetItemPtr(last++), 1));
  if (last > first) RemoveItemsAt(static_cast<unsigned>(last - first), first);
  for (CodeID b : others) {
    if (const int mirror = FindPair(b, a)) RemoveItemsAt(1, mirror);
  }
}

void TGTableLiensPaires::SupprLiensDeuxCodes(CodeID a, CodeID b) {
  if (const int index = FindPair(a, b)) RemoveItemsAt(1, index);
  if (const int index = FindPair(b, a)) RemoveItemsAt(1, index);
}

TGTableLiensPrenoms::TGTableLiensPrenoms() : TGTableLiensPaires("TableLiensPrenoms", kItemSize) {}

void TGTableLiensPrenoms::AjouteLien(CodeID a, CodeID b, bool usual) {
  WritePair(a, b, usual ? 1 : 0);
  WritePair(b, a, usual ? 1 : 0);
}

void TGTableLiensPrenoms::AjouteLiens(const std::vector<Lien>& liens) {
  std::vector<Paire> pairs;
  pairs.reserve(liens.size() * 2);
  for (const Lien& lien : liens) {
    const std::uint8_t usual = lien.usual ? 1 : 0;
    pairs.push_back({lien.a, lien.b, usual});
    pairs.push_back({lien.b, lien.a, usual});
  }
  WritePairs(pairs);
}

CodeID TGTableLiensPrenoms::GetUsuel(CodeID a) const {
  const int count = static_cast<int>(GetCount());
  for (int i = FirstOf(a); i <= count && ItemWord(GetItemPtr(i), 0) == a; ++i) {
    if (static_cast<const unsigned char*>(GetItemPtr(i))[8] != 0) return ItemWord(GetItemPtr(i), 1);
  }
  return 0;
}

bool TGTableLiensPrenoms::EstUsuel(CodeID a, CodeID b) const {
  const int index = FindPair(a, b);
  return index != 0 && static_cast<const unsigned char*>(GetItemPtr(index))[8] != 0;
}

void TGTableLiensPrenoms::SetUsuel(CodeID a, CodeID b) {
  std::vector<CodeID> others;
  const int count = static_cast<int>(GetCount());
  for (int i = FirstOf(a); i <= count && ItemWord(GetItemPtr(i), 0) == a; ++i)
    others.push_back(ItemWord(GetItemPtr(i), 1));
  for (CodeID other : others) {
    const std::uint8_t flag = other == b ? 1 : 0;
    WritePair(a, other, flag);
    WritePair(other, a, flag);
  }
}

}  // namespace genvora
