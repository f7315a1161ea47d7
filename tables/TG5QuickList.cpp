#include "tables/TG5QuickList.h"

#include <algorithm>
#include <unordered_set>

#include "tables/IndexSupport.h"

namespace genvora {

TG5QuickList::TG5QuickList() : LArray(kItemSize, new LLongComparator(), true) {
  SetClassName("QuickList");
  childs_ = new LArray(kChildItemSize, new LLongComparator(), true);
  childs_->SetClassName("QuickList-Childs");
  childs_->SetAuxComparator(new BlocComparator(), true);
  AttachArray(kChildsSlot, childs_);
}

bool TG5QuickList::GetParents(CodeID individu, CodeID& pere, CodeID& mere) const {
  pere = mere = 0;
  const int index = LowerBoundFirstWord(*this, individu);
  if (index > static_cast<int>(GetCount())) return false;
  const void* item = GetItemPtr(index);
  if (ItemWord(item, 0) != individu) return false;
  pere = ItemWord(item, 1);
  mere = ItemWord(item, 2);
  return true;
}

void TG5QuickList::Supprime(CodeID individu) {
  CodeID pere = 0, mere = 0;
  if (!GetParents(individu, pere, mere)) return;
  RemoveItemsAt(1, LowerBoundFirstWord(*this, individu));
  for (CodeID parent : {pere, mere}) {
    if (parent == 0) continue;
    const std::uint32_t pair[2] = {parent, individu};
    RemoveExact(*childs_, pair);
  }
}

void TG5QuickList::Ecrit(CodeID individu, CodeID pere, CodeID mere) {
  Supprime(individu);
  const std::uint32_t item[3] = {individu, pere, mere};
  InsertInRun(*this, item);
  for (CodeID parent : {pere, mere}) {
    if (parent == 0) continue;
    const std::uint32_t pair[2] = {parent, individu};
    // A father who is also the mother (damaged record) gives one pair.
    if (FindExact(*childs_, pair) == 0) InsertInRun(*childs_, pair);
  }
}

void TG5QuickList::Enfants(CodeID parent, std::vector<CodeID>& out) const {
  const int count = static_cast<int>(childs_->GetCount());
  for (int i = LowerBoundFirstWord(*childs_, parent); i <= count; ++i) {
    const void* pair = childs_->GetItemPtr(i);
    if (ItemWord(pair, 0) != parent) break;
    out.push_back(ItemWord(pair, 1));
  }
}

bool TG5QuickList::EstEnfantDe(CodeID child, CodeID parent) const {
  const std::uint32_t pair[2] = {parent, child};
  return FindExact(*childs_, pair) != 0;
}

void TG5QuickList::AscendanceDe(CodeID code, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  std::unordered_set<CodeID> listed;
  Ascend(code, out, listed);
}

void TG5QuickList::AscendanceDeCoupleDe(CodeID code1, CodeID code2, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  std::unordered_set<CodeID> listed;
  Ascend(code1, out, listed);
  Ascend(code2, out, listed);
}

// Depth first with an explicit stack: a damaged file may hold a line of a
// million generations, or a loop, which recursion would not survive. The
// "already listed" test is made when a person is reached, as a recursive walk
// makes it, so the order is the recursive one. Listed codes are remembered in
// a set instead of searching `out`, which made a long line quadratic.
void TG5QuickList::Ascend(CodeID code, LArray* out, std::unordered_set<CodeID>& listed) const {
  if (code == 0) return;
  std::vector<CodeID> stack{code};
  while (!stack.empty()) {
    const CodeID current = stack.back();
    stack.pop_back();
    if (!listed.insert(current).second) continue;
    out->AddItem(&current, 4);
    CodeID pere = 0, mere = 0;
    GetParents(current, pere, mere);
    if (mere != 0) stack.push_back(mere);
    if (pere != 0) stack.push_back(pere);
  }
}

void TG5QuickList::Rebuild(const std::vector<QuickListT>& items) {
  // The code order is a true order: the standard stable sort gives what
  // any stable sort gives, and items in store order are often sorted
  // already.
  std::vector<QuickListT> sorted(items);
  const auto byIndividu = [](const QuickListT& a, const QuickListT& b) {
    return CodeWordBefore(a.individu, b.individu);
  };
  if (!std::is_sorted(sorted.begin(), sorted.end(), byIndividu))
    std::stable_sort(sorted.begin(), sorted.end(), byIndividu);
  // One item per individual: a later write of the same code replaced the
  // earlier one.
  std::vector<QuickListT> unique;
  unique.reserve(sorted.size());
  for (const QuickListT& item : sorted) {
    if (!unique.empty() && unique.back().individu == item.individu)
      unique.back() = item;
    else
      unique.push_back(item);
  }
  std::vector<std::uint32_t> words;
  words.reserve(unique.size() * 3);
  for (const QuickListT& item : unique) words.insert(words.end(), {item.individu, item.pere, item.mere});
  BulkLoad(*this, words.data(), unique.size());

  struct Pair {
    std::uint32_t parent, child;
  };
  std::vector<Pair> candidates;
  candidates.reserve(items.size() * 2);
  for (const QuickListT& item : items) {
    for (CodeID parent : {item.pere, item.mere}) {
      if (parent != 0) candidates.push_back({parent, item.individu});
    }
  }
  // A pair written twice is kept once, at its first place: the duplicates
  // are found by sorting positions by pair, with no hash node per pair.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> byPair;
  byPair.reserve(candidates.size());
  for (std::uint32_t k = 0; k < candidates.size(); ++k)
    byPair.emplace_back((static_cast<std::uint64_t>(candidates[k].parent) << 32) | candidates[k].child, k);
  StableRadixSort(byPair, [](const auto& entry) { return entry.first; });
  std::vector<bool> repeated(candidates.size(), false);
  for (std::size_t k = 1; k < byPair.size(); ++k) {
    if (byPair[k].first == byPair[k - 1].first) repeated[byPair[k].second] = true;
  }
  std::vector<Pair> pairs;
  pairs.reserve(candidates.size());
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    if (!repeated[k]) pairs.push_back(candidates[k]);
  }
  // The code order reads a word as signed: flipping its top bit makes it
  // the unsigned order the radix sort follows.
  StableRadixSort(pairs, [](const Pair& pair) { return pair.parent ^ 0x80000000u; });
  std::vector<std::uint32_t> pairWords;
  pairWords.reserve(pairs.size() * 2);
  for (const Pair& pair : pairs) pairWords.insert(pairWords.end(), {pair.parent, pair.child});
  BulkLoad(*childs_, pairWords.data(), pairs.size());
}

}  // namespace genvora
