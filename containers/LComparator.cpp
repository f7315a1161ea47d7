// Comparators of the sorted arrays.
#include "containers/LComparator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "containers/LArray.h"

namespace genvora {

int LComparator::Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  unsigned common = std::min(sizeA, sizeB);
  if (common == 0) return 0;
  return std::memcmp(a, b, common);
}

bool LComparator::IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  return Compare(a, b, sizeA, sizeB) == 0;
}

int LComparator::CompareToKey(const void*, unsigned, const void*) const {
  LArray::ShowMisuse("pCompareToKey not implemented");
  return 0;
}

bool LComparator::IsEqualToKey(const void* item, unsigned size, const void* key) const {
  return CompareToKey(item, size, key) == 0;
}

LComparator* LComparator::Clone() const { return new LComparator; }

LComparator* LComparator::GetComparator() {
  // Never destroyed: arrays destroyed during static destruction may still
  // point at it.
  static LComparator* shared = new LComparator;
  return shared;
}

namespace {
// The first word of an item; an item shorter than a word (only possible with
// a misused comparator) is read as far as it goes, zero-extended.
inline std::int32_t FirstWord(const void* item, unsigned size) {
  std::uint32_t word = 0;
  if (size != 0) std::memcpy(&word, item, size >= 4 ? 4 : size);
  return static_cast<std::int32_t>(word);
}
}  // namespace

int LLongComparator::Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  return CompareCodeWords(static_cast<std::uint32_t>(FirstWord(a, sizeA)),
                          static_cast<std::uint32_t>(FirstWord(b, sizeB)));
}

bool LLongComparator::IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  return FirstWord(a, sizeA) == FirstWord(b, sizeB);
}

LComparator* LLongComparator::Clone() const { return new LLongComparator; }

LLongComparator* LLongComparator::GetComparator() {
  static LLongComparator* shared = new LLongComparator;
  return shared;
}

int BlocComparator::Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  // The first item's length decides; when the second item is shorter the
  // comparison stops at its end instead of reading past it, and the longer
  // first item orders after.
  if (sizeB >= sizeA) return sizeA == 0 ? 0 : std::memcmp(a, b, sizeA);
  int result = sizeB == 0 ? 0 : std::memcmp(a, b, sizeB);
  return result != 0 ? result : 1;
}

}  // namespace genvora
