// In-memory orders a table keeps beside its store, never saved: they answer
// "which records name this code" without decoding the whole store, and are
// rebuilt in one pass when they cannot be trusted (after a read, a flush, or
// a change made behind the table's back).
//
// Invariants:
//  1. ReverseIndex maps each record to at most one key; Set replaces the
//     record's previous key, Forget drops it.
//  2. Answers come back in store order (the order of the records' items),
//     which is the order a walk of the store gives: an answer from the order
//     equals the walk's.
//  3. MergeIntoIndex and MergeIntoRuns give the index that adding the new
//     items one by one after their run (InsertInRun) gives, in one pass.
#pragma once

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <utility>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "tables/IndexSupport.h"

namespace genvora {

template <typename Key, typename Hash = std::hash<Key>>
class ReverseIndex {
 public:
  bool Valid() const { return valid_; }
  // Forgets everything; the owner relearns before its next answer.
  void Invalidate() {
    byKey_.clear();
    keyOf_.clear();
    valid_ = false;
  }
  // An empty, trusted order (an empty store).
  void Reset() {
    byKey_.clear();
    keyOf_.clear();
    valid_ = true;
  }
  void MarkValid() { valid_ = true; }
  std::size_t Size() const { return keyOf_.size(); }

  void Set(CodeID record, const Key& key) {
    Forget(record);
    byKey_[key].insert(record);
    keyOf_.emplace(record, key);
  }
  void Forget(CodeID record) {
    const auto found = keyOf_.find(record);
    if (found == keyOf_.end()) return;
    const auto set = byKey_.find(found->second);
    if (set != byKey_.end()) {
      set->second.erase(record);
      if (set->second.empty()) byKey_.erase(set);
    }
    keyOf_.erase(found);
  }
  bool Any(const Key& key) const { return byKey_.count(key) != 0; }
  // The records of `key`, in no particular order.
  std::vector<CodeID> Records(const Key& key) const {
    const auto found = byKey_.find(key);
    if (found == byKey_.end()) return {};
    return std::vector<CodeID>(found->second.begin(), found->second.end());
  }

 private:
  std::unordered_map<Key, std::unordered_set<CodeID>, Hash> byKey_;
  std::unordered_map<CodeID, Key> keyOf_;
  bool valid_ = false;
};

// The item index a code is stored at (1-based), 0 when absent.
inline std::uint32_t StoreItemOf(const LXArray& store, CodeID code) {
  std::uint32_t pair[2] = {code, 0};
  const LArray* codeList = store.GetCodeList();
  const int position = codeList->FetchIndexOf(pair, LXArray::kPairSize);
  return position == 0 ? 0 : ItemWord(codeList->GetItemPtr(position), 1);
}

// Every code of the store, in store order.
inline std::vector<CodeID> StoreOrderCodes(const LXArray& store) {
  const LArray* codeList = store.GetCodeList();
  std::vector<std::pair<std::uint32_t, CodeID>> byItem;
  byItem.reserve(codeList->GetCount());
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i)
    byItem.emplace_back(ItemWord(codeList->GetItemPtr(i), 1), ItemWord(codeList->GetItemPtr(i), 0));
  std::sort(byItem.begin(), byItem.end());
  std::vector<CodeID> codes;
  codes.reserve(byItem.size());
  for (const auto& entry : byItem) codes.push_back(entry.second);
  return codes;
}

// Puts `codes` in store order; codes the store does not hold come first.
inline void SortByStoreOrder(const LXArray& store, std::vector<CodeID>& codes) {
  std::vector<std::pair<std::uint32_t, CodeID>> keyed;
  keyed.reserve(codes.size());
  for (CodeID code : codes) keyed.emplace_back(StoreItemOf(store, code), code);
  std::sort(keyed.begin(), keyed.end());
  for (std::size_t i = 0; i < keyed.size(); ++i) codes[i] = keyed[i].second;
}

// Code of an item of an index of 4-byte codes, ordered by `keyOf`, whose key
// equals `wanted`; 0 when none. Any item of a run of equal keys may answer.
template <typename KeyOf>
CodeID FindCodeByKey(const LArray& index, const std::string& wanted, KeyOf keyOf) {
  int low = 1;
  int high = static_cast<int>(index.GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const CodeID code = ItemWord(index.GetItemPtr(mid), 0);
    const int c = keyOf(code).compare(wanted);
    if (c == 0) return code;
    if (c < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return 0;
}

// Adds `added` (codes of 4-byte items) to an index ordered by `keyOf`: each
// new code goes after the run of codes whose key equals its own, and new
// codes of equal keys keep the order they are given in.
template <typename KeyOf>
void MergeIntoIndex(LArray& index, std::vector<CodeID> added, KeyOf keyOf) {
  if (added.empty()) return;
  StableSortGuarded(added, [&keyOf](CodeID a, CodeID b) { return keyOf(a) < keyOf(b); });
  const int count = static_cast<int>(index.GetCount());
  std::vector<CodeID> merged;
  merged.reserve(static_cast<std::size_t>(count) + added.size());
  std::size_t next = 0;
  for (int i = 1; i <= count; ++i) {
    const CodeID code = ItemWord(index.GetItemPtr(i), 0);
    while (next < added.size() && keyOf(added[next]) < keyOf(code)) merged.push_back(added[next++]);
    merged.push_back(code);
  }
  while (next < added.size()) merged.push_back(added[next++]);
  BulkLoad(index, merged.data(), merged.size());
}

// Adds `added` (items of `wordsPerItem` words, packed) to an index kept in
// runs of its first word under the signed first-word order of
// LLongComparator: each new item goes after the run of its first word, new
// items of one run in the order given.
inline void MergeIntoRuns(LArray& index, const std::vector<std::uint32_t>& added, std::size_t wordsPerItem) {
  if (added.empty() || wordsPerItem == 0) return;
  auto before = [](std::uint32_t a, std::uint32_t b) { return CodeWordBefore(a, b); };
  std::vector<std::size_t> order(added.size() / wordsPerItem);
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  StableSortGuarded(order, [&](std::size_t a, std::size_t b) {
    return before(added[a * wordsPerItem], added[b * wordsPerItem]);
  });
  const int count = static_cast<int>(index.GetCount());
  std::vector<std::uint32_t> merged;
  merged.reserve((static_cast<std::size_t>(count) + order.size()) * wordsPerItem);
  std::size_t next = 0;
  auto take = [&](std::size_t item) {
    merged.insert(merged.end(), added.begin() + static_cast<std::ptrdiff_t>(item * wordsPerItem),
                  added.begin() + static_cast<std::ptrdiff_t>((item + 1) * wordsPerItem));
  };
  for (int i = 1; i <= count; ++i) {
    const void* item = index.GetItemPtr(i);
    while (next < order.size() && before(added[order[next] * wordsPerItem], ItemWord(item, 0))) take(order[next++]);
    for (std::size_t w = 0; w < wordsPerItem; ++w) merged.push_back(ItemWord(item, static_cast<int>(w)));
  }
  while (next < order.size()) take(order[next++]);
  BulkLoad(index, merged.data(), merged.size() / wordsPerItem);
}

}  // namespace genvora
