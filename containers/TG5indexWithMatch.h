// TG5indexWithMatch: the sorted index array a dictionary attaches to its
// store, with a second array of (word, word) pairs beside it, kept sorted by
// the first word. The match array is attached slot 1 of the index, so it is
// saved and loaded right after the index's items and dies with it. What the
// two words mean belongs to the dictionary that uses it; the owner names
// both arrays.
#pragma once

#include "containers/LArray.h"

namespace genvora {

class TG5indexWithMatch : public LArray {
 public:
  static constexpr int kMatchSlot = 1;
  static constexpr unsigned kMatchItemSize = 8;

  TG5indexWithMatch(unsigned itemSize, LComparator* comparator, bool keepSorted);

  LArray* GetMatchArray() const { return matchArray_; }

 private:
  LArray* matchArray_;  // owned through attached slot 1
};

}  // namespace genvora
