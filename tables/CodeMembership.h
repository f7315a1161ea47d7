// Which of a few stores hold each code, answered from one bit per store and
// code instead of a search of the store's code list per question: a walk of
// millions of records asking whether each reference names a record would
// otherwise spend its time in those searches.
//
// The answers are those of the code lists when the map is made: a store
// that gains or loses records afterwards needs a new map. Codes beyond what
// a bounded map covers (a damaged file may hold any 32-bit code) are looked
// up in the code lists, as are stores the map was not made for.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "containers/LXArray.h"
#include "platform/Types.h"

namespace genvora {

class CodeMembership {
 public:
  explicit CodeMembership(std::initializer_list<const LXArray*> stores) : stores_(stores) {
    constexpr CodeID kLargestMapped = 64u << 20;
    CodeID largest = 0;
    for (const LXArray* store : stores_) ForEachListed(store, [&](CodeID code) { largest = std::max(largest, code); });
    if (largest > kLargestMapped || stores_.size() > 16) return;
    map_.assign(static_cast<std::size_t>(largest) + 1, 0);
    mapped_ = true;
    for (std::size_t i = 0; i < stores_.size(); ++i)
      ForEachListed(stores_[i], [&](CodeID code) { map_[code] |= static_cast<std::uint16_t>(1u << i); });
  }

  // Whether `store` holds a record `code`; 0 is never a record.
  bool Has(const LXArray* store, CodeID code) const {
    if (code == 0 || store == nullptr) return false;
    if (mapped_) {
      for (std::size_t i = 0; i < stores_.size(); ++i)
        if (stores_[i] == store) return code < map_.size() && (map_[code] & (1u << i)) != 0;
    }
    const LArray* list = store->GetCodeList();
    if (list == nullptr) return false;
    std::uint32_t pair[2] = {code, 0};
    return list->FetchIndexOf(pair, LXArray::kPairSize) != 0;
  }

 private:
  template <class Visit>
  static void ForEachListed(const LXArray* store, Visit visit) {
    const LArray* list = store != nullptr ? store->GetCodeList() : nullptr;
    if (list == nullptr) return;
    for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      if (list->GetItemSize(i) == LXArray::kPairSize && list->FetchItemAt(i, pair) && pair[0] != 0) visit(pair[0]);
    }
  }

  std::vector<const LXArray*> stores_;
  std::vector<std::uint16_t> map_;
  bool mapped_ = false;
};

}  // namespace genvora
