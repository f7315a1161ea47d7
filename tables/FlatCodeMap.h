// FlatCodeMap: a map from record code to a small value, held in one block of
// slots (open addressing, linear probing) instead of one heap node per
// entry. The tables keep one entry per record in such maps; at a million
// records a node per entry costs several times the memory and a cache miss
// per step.
//
// Invariants:
//  1. The block holds a power of two of slots, at most three quarters used;
//     code 0 marks a free slot, so the entry of code 0 (which no table
//     writes, but a damaged file may hold) lives beside the block.
//  2. An entry's slot is on the probe path from its home slot with no free
//     slot between: erasing shifts the following entries back instead of
//     leaving a tombstone, so lookups never slow down with churn.
//  3. Pointers to values stay valid until the next insertion or erasure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace genvora {

template <typename V>
class FlatCodeMap {
 public:
  std::size_t size() const { return size_ + (hasZero_ ? 1 : 0); }
  bool empty() const { return size() == 0; }

  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    size_ = 0;
    hasZero_ = false;
    zero_ = V{};
  }

  // Room for `count` entries without growing.
  void reserve(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity * 3 / 4 < count) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
  }

  V* find(CodeID code) {
    if (code == 0) return hasZero_ ? &zero_ : nullptr;
    if (slots_.empty()) return nullptr;
    for (std::size_t at = Home(code);; at = (at + 1) & Mask()) {
      if (slots_[at].code == code) return &slots_[at].value;
      if (slots_[at].code == 0) return nullptr;
    }
  }
  const V* find(CodeID code) const { return const_cast<FlatCodeMap*>(this)->find(code); }

  // Inserts `value` unless the code is present; answers the stored value and
  // whether it was inserted.
  std::pair<V*, bool> emplace(CodeID code, const V& value) {
    if (code == 0) {
      if (hasZero_) return {&zero_, false};
      hasZero_ = true;
      zero_ = value;
      return {&zero_, true};
    }
    if ((size_ + 1) * 4 > slots_.size() * 3) Rehash(slots_.empty() ? 16 : slots_.size() * 2);
    std::size_t at = Home(code);
    for (; slots_[at].code != 0; at = (at + 1) & Mask()) {
      if (slots_[at].code == code) return {&slots_[at].value, false};
    }
    slots_[at].code = code;
    slots_[at].value = value;
    ++size_;
    return {&slots_[at].value, true};
  }

  // Inserts or replaces.
  void assign(CodeID code, const V& value) {
    auto [stored, inserted] = emplace(code, value);
    if (!inserted) *stored = value;
  }

  bool erase(CodeID code) {
    if (code == 0) {
      const bool had = hasZero_;
      hasZero_ = false;
      zero_ = V{};
      return had;
    }
    if (slots_.empty()) return false;
    std::size_t at = Home(code);
    for (; slots_[at].code != code; at = (at + 1) & Mask()) {
      if (slots_[at].code == 0) return false;
    }
    // Backward shift: pull each following entry into the hole when its home
    // does not lie between the hole and its slot (invariant 2).
    std::size_t hole = at;
    for (std::size_t next = (hole + 1) & Mask(); slots_[next].code != 0; next = (next + 1) & Mask()) {
      const std::size_t home = Home(slots_[next].code);
      const bool stays = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
      if (stays) continue;
      slots_[hole] = slots_[next];
      hole = next;
    }
    slots_[hole].code = 0;
    slots_[hole].value = V{};
    --size_;
    return true;
  }

  // Calls visit(code, value) for every entry, in no particular order.
  template <typename Visit>
  void forEach(Visit visit) const {
    if (hasZero_) visit(CodeID{0}, zero_);
    for (const Slot& slot : slots_) {
      if (slot.code != 0) visit(slot.code, slot.value);
    }
  }

 private:
  struct Slot {
    CodeID code = 0;
    V value{};
  };

  std::size_t Mask() const { return slots_.size() - 1; }
  // Fibonacci hashing: codes handed out in sequence spread over the block.
  std::size_t Home(CodeID code) const {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(code) * 0x9E3779B97F4A7C15ull) >> 32) & Mask();
  }

  void Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    size_ = 0;
    for (const Slot& slot : old) {
      if (slot.code == 0) continue;
      std::size_t at = Home(slot.code);
      while (slots_[at].code != 0) at = (at + 1) & Mask();
      slots_[at] = slot;
      ++size_;
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;  // entries in the block (code 0 apart)
  bool hasZero_ = false;
  V zero_{};
};

}  // namespace genvora
