// Lists of record codes kept in the engine's arrays: an LArray of 4-byte
// codes, and the code list of a store. The copies are taken before a walk
// that changes the array, so that the walk never runs over a list it
// changes.
#pragma once

#include <cstdint>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "platform/Types.h"

namespace genvora {

// The codes of an array of 4-byte items, in its order.
inline std::vector<CodeID> ItemsOf(const LArray& list) {
  std::vector<CodeID> items(list.GetCount());
  for (int i = 1; i <= static_cast<int>(items.size()); ++i) list.FetchItemAt(i, &items[i - 1]);
  return items;
}

// The codes of a store, in the order of its code list; none for no store.
inline std::vector<CodeID> CodesOf(const LXArray* store) {
  std::vector<CodeID> out;
  if (store == nullptr || store->GetCodeList() == nullptr) return out;
  const LArray* list = store->GetCodeList();
  out.reserve(list->GetCount());
  for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2] = {0, 0};
    if (list->GetItemSize(i) == LXArray::kPairSize && list->FetchItemAt(i, pair)) out.push_back(pair[0]);
  }
  return out;
}

}  // namespace genvora
