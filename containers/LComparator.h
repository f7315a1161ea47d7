// The comparators of the sorted arrays: small stateless objects that order
// two items (Compare) or an item against a key (CompareToKey).
//
// Invariants:
//  1. Compare never reads beyond sizeA bytes of a nor sizeB bytes of b, so an
//     item taken from a damaged file cannot make a comparison read out of
//     bounds.
//  2. IsEqualTo is Compare == 0 and IsEqualToKey is CompareToKey == 0 in every
//     class, so the searches that use one or the other agree.
//  3. The shared instances (GetComparator) live for the whole process; arrays
//     that use them never own them.
#pragma once

#include <cstdint>

namespace genvora {

class LComparator {
 public:
  LComparator() = default;
  virtual ~LComparator() = default;
  LComparator(const LComparator&) = delete;
  LComparator& operator=(const LComparator&) = delete;

  // Byte order over the shorter of the two items: items that agree over the
  // shorter length are equal, which lets a caller find "ABC" with "AB".
  virtual int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const;
  virtual bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const;
  // A plain comparator has no notion of key: shows a misuse message, answers 0.
  virtual int CompareToKey(const void* item, unsigned size, const void* key) const;
  virtual bool IsEqualToKey(const void* item, unsigned size, const void* key) const;
  virtual LComparator* Clone() const;

  static LComparator* GetComparator();
};

// The order of code words shared by every index keyed by codes: the words
// compared as signed 32-bit values. For any two codes less than 2^31 apart
// this is the sign of the wrapping difference a - b, the order stored files
// were sorted by; unlike that difference it stays a total order for codes
// anywhere in the 32-bit range.
inline int CompareCodeWords(std::uint32_t a, std::uint32_t b) {
  const auto sa = static_cast<std::int32_t>(a);
  const auto sb = static_cast<std::int32_t>(b);
  return sa < sb ? -1 : (sa > sb ? 1 : 0);
}
inline bool CodeWordBefore(std::uint32_t a, std::uint32_t b) { return CompareCodeWords(a, b) < 0; }

// Orders items by their first 32-bit word, read as a signed integer
// (CompareCodeWords); the rest of the item is ignored.
class LLongComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  LComparator* Clone() const override;

  static LLongComparator* GetComparator();
};

// Byte order over the first item's length.
class BlocComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
};

}  // namespace genvora
