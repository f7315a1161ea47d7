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

// Orders items by their first 32-bit word, read as a signed integer; the rest
// of the item is ignored. Keys are record codes far below 2^31, so the
// wrapping difference a - b has the right sign.
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
