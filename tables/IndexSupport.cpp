#include "tables/IndexSupport.h"

#include <utility>

#include "platform/Host.h"

namespace genvora {

namespace {
unsigned FixedSize(const LArray& array) { return array.GetItemSize(1); }
}  // namespace

int UpperBoundOf(const LArray& array, const void* item) {
  const unsigned size = FixedSize(array);
  int low = 1;
  int high = static_cast<int>(array.GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    if (array.GetComparator()->Compare(array.GetItemPtr(mid), item, size, size) <= 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

int LowerBoundOf(const LArray& array, const void* item) {
  const unsigned size = FixedSize(array);
  int low = 1;
  int high = static_cast<int>(array.GetCount());
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    if (array.GetComparator()->Compare(array.GetItemPtr(mid), item, size, size) < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

int LowerBoundFirstWord(const LArray& array, std::uint32_t key) {
  int low = 1;
  int high = static_cast<int>(array.GetCount());
  if (high >= 1 && array.HasFixedItems() && array.GetItemSize(1) >= 4) {
    // The same probes read in place: the indexes of a large file take
    // millions of these searches.
    const auto* base = static_cast<const unsigned char*>(array.GetItemsHandle());
    const std::size_t stride = array.GetItemSize(1);
    while (low <= high) {
      const int mid = low + (high - low) / 2;
      if (CodeWordBefore(ItemWord(base + static_cast<std::size_t>(mid - 1) * stride, 0), key))
        low = mid + 1;
      else
        high = mid - 1;
    }
    return low;
  }
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    if (CodeWordBefore(ItemWord(array.GetItemPtr(mid), 0), key))
      low = mid + 1;
    else
      high = mid - 1;
  }
  return low;
}

int InsertInRun(LArray& array, const void* item) {
  const int position = UpperBoundOf(array, item);
  const bool keep = array.IsKeptSorted();
  // Kept-sorted insertion would choose its own place inside the run; the
  // position is already the sorted one, so insert there and keep the flag.
  array.SetKeepSorted(false);
  const int index = array.InsertItemsAt(1, position, item, FixedSize(array));
  array._SetComparator(array.GetComparator(), true);
  array.SetKeepSorted(keep);
  return index;
}

int FindExact(const LArray& array, const void* item) {
  const unsigned size = FixedSize(array);
  const int count = static_cast<int>(array.GetCount());
  if (array.IsSorted()) {
    for (int i = LowerBoundOf(array, item); i <= count; ++i) {
      const void* at = array.GetItemPtr(i);
      if (std::memcmp(at, item, size) == 0) return i;
      if (array.GetComparator()->Compare(at, item, size, size) != 0) break;
    }
  }
  // The run did not hold it: the index is out of order (a record changed
  // behind its back, or the file held it so); a scan still finds it.
  for (int i = 1; i <= count; ++i) {
    if (std::memcmp(array.GetItemPtr(i), item, size) == 0) return i;
  }
  return 0;
}

bool RemoveExact(LArray& array, const void* item) {
  const int index = FindExact(array, item);
  if (index == 0) return false;
  array.RemoveItemsAt(1, index);
  return true;
}

int MoveInRun(LArray& array, int from, const void* item) {
  const int count = static_cast<int>(array.GetCount());
  if (array.IsLocked() || from < 1 || from > count) {
    // The two steps, refusals and all.
    array.RemoveItemsAt(1, from);
    return InsertInRun(array, item);
  }
  // UpperBoundOf over the array without the item at `from`: the same probes
  // the insertion after the removal makes.
  const unsigned size = FixedSize(array);
  int low = 1;
  int high = count - 1;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const int at = mid < from ? mid : mid + 1;
    if (array.GetComparator()->Compare(array.GetItemPtr(at), item, size, size) <= 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  const int to = low;
  const bool keep = array.IsKeptSorted();
  array.SetKeepSorted(false);
  if (to != from) array.MoveItem(from, to);
  array.PokeItem(to, item, size);
  array._SetComparator(array.GetComparator(), true);
  array.SetKeepSorted(keep);
  // Iterators hear what the removal and the insertion would have told them.
  array.ItemsRemoved(1, from);
  array.ItemsInserted(1, to);
  return to;
}

unsigned RemoveFlagged(LArray& array, const std::vector<bool>& flagged) {
  const int count = static_cast<int>(array.GetCount());
  if (count == 0) return 0;
  const unsigned size = FixedSize(array);
  std::vector<unsigned char> kept;
  kept.reserve(static_cast<std::size_t>(count) * size);
  unsigned removed = 0;
  for (int i = 1; i <= count; ++i) {
    if (static_cast<std::size_t>(i) < flagged.size() && flagged[static_cast<std::size_t>(i)]) {
      ++removed;
      continue;
    }
    const auto* bytes = static_cast<const unsigned char*>(array.GetItemPtr(i));
    kept.insert(kept.end(), bytes, bytes + size);
  }
  if (removed == 0 || array.IsLocked()) return 0;
  const bool sorted = array.IsSorted();
  // Removing keeps the order: the sorted flag stays as it was.
  BulkLoad(array, kept.data(), kept.size() / size);
  array._SetComparator(array.GetComparator(), sorted);
  return removed;
}

void BulkLoad(LArray& array, const void* items, std::size_t count) {
  const bool keep = array.IsKeptSorted();
  const unsigned size = array.GetItemSize(1);
  array.SetKeepSorted(false);
  array.Flush();
  array.AdjustAllocation(static_cast<unsigned>(count), 0);
  const auto* bytes = static_cast<const unsigned char*>(items);
  for (std::size_t i = 0; i < count; ++i) array.AddItem(bytes + i * size, size);
  array._SetComparator(array.GetComparator(), true);
  array.SetKeepSorted(keep);
}

ProgressTicker::ProgressTicker(AnsiString what, std::int64_t total)
    : what_(std::move(what)), total_(total), stride_(total / 100 > 0 ? total / 100 : 1), nextReport_(0) {}

void ProgressTicker::Report(std::int64_t done) {
  if (done >= nextReport_) {
    Host().Progress(what_, done, total_);
    nextReport_ = done + stride_;
  }
  if ((done & kPumpMask) == 0) V5ProcessMessage();
}

void ProgressTicker::Done() { Host().Progress(what_, total_, total_); }

}  // namespace genvora
