// TG5indexWithMatch: an index array and its match array.
#include "containers/TG5indexWithMatch.h"

namespace genvora {

TG5indexWithMatch::TG5indexWithMatch(unsigned itemSize, LComparator* comparator, bool keepSorted)
    : LArray(itemSize, comparator, keepSorted), matchArray_(new LArray(kMatchItemSize, new LLongComparator, true)) {
  AttachArray(kMatchSlot, matchArray_);
}

}  // namespace genvora
