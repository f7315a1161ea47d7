// LArray: storage, searches, iterator bookkeeping and the serialized block.
#include "containers/LArray.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "containers/LArrayIterator.h"
#include "platform/ByteCursor.h"
#include "platform/Exception.h"
#include "platform/Host.h"
#include "platform/System.h"

namespace genvora {

namespace {

constexpr const char* kCaption = "LArray";
constexpr std::uint64_t kMaxBlockBytes = std::numeric_limits<std::uint32_t>::max();

// Copies one item; 4-byte items, the most common (record codes), as a word.
inline void CopyItem(void* to, const void* from, std::size_t size) {
  if (size == 4) {
    std::uint32_t word;
    std::memcpy(&word, from, 4);
    std::memcpy(to, &word, 4);
  } else if (size != 0) {
    std::memcpy(to, from, size);
  }
}

}  // namespace

void LArray::ShowMisuse(const char* text) { ShowMessage(text, kCaption, MsgButtons::Ok, MsgKind::Error); }

// ---------------------------------------------------------------- lifetime

LArray::LArray() { InitArray(4, nullptr, false); }

LArray::LArray(unsigned itemSize, LComparator* comparator, bool keepSorted) {
  InitArray(itemSize, comparator, keepSorted);
}

LArray::LArray(unsigned initialCount, unsigned itemSize, LComparator* comparator, bool keepSorted) {
  InitArray(itemSize, comparator, keepSorted);
  AdjustAllocation(initialCount, 0);
}

LArray::LArray(unsigned itemSize, void* itemsBlock, unsigned blockBytes, LComparator* comparator, bool isSorted,
               bool keepSorted) {
  InitArray(itemSize, comparator, keepSorted);
  items_ = static_cast<unsigned char*>(itemsBlock);
  allocated_ = itemsBlock != nullptr ? blockBytes : 0;
  count_ = itemSize_ != 0 ? allocated_ / itemSize_ : 0;
  dataSize_ = count_ * itemSize_;
  sorted_ = isSorted;
}

void LArray::InitArray(unsigned itemSize, LComparator* comparator, bool keepSorted) {
  itemSize_ = itemSize;
  keepSorted_ = keepSorted;
  sorted_ = true;
  if (comparator == nullptr) {
    comparator_ = itemSize == 4 ? static_cast<LComparator*>(LLongComparator::GetComparator())
                                : LComparator::GetComparator();
    ownsComparator_ = false;
  } else {
    comparator_ = comparator;
    ownsComparator_ = true;
  }
  RefreshLongKeys();
}

LArray::~LArray() {
  if (lockCount_ != 0) ShowMisuse("pDeleting a locked Array");
  if (ownsComparator_) delete comparator_;
  if (ownsAuxComparator_) delete auxComparator_;
  std::free(items_);
  for (LArrayIterator* it = firstIterator_; it != nullptr;) {
    LArrayIterator* following = it->next_;
    it->ArrayDied();
    it = following;
  }
  for (LArray*& attached : attached_) {
    delete attached;
    attached = nullptr;
  }
}

// ---------------------------------------------------------------- queries

unsigned LArray::GetItemSize(int) const { return itemSize_; }
unsigned LArray::GrabItemSize(int) const { return itemSize_; }

std::uint64_t LArray::GrabItemRangeSize(int first, int last) const {
  if (last < first) return 0;
  return static_cast<std::uint64_t>(last - first + 1) * itemSize_;
}

void* LArray::GetItemPtr(int index) const {
  if (index < 1 || static_cast<unsigned>(index) > count_) return nullptr;
  return items_ + static_cast<std::size_t>(index - 1) * itemSize_;
}

void LArray::PeekItem(int index, void* out) const { CopyItem(out, ItemAddr(index), ItemBytes(index)); }

void LArray::PokeItem(int index, const void* data, unsigned size) {
  if (index < 1 || static_cast<unsigned>(index) > count_ || data == nullptr) return;
  // A fixed item keeps its size: a shorter argument overwrites its first bytes.
  unsigned bytes = size == 0 || size > itemSize_ ? itemSize_ : size;
  CopyItem(items_ + static_cast<std::size_t>(index - 1) * itemSize_, data, bytes);
}

bool LArray::FetchItemAt(int index, void* out) const {
  if (!ValidIndex(index)) return false;
  if (fixedItems_) {
    CopyItem(out, items_ + static_cast<std::size_t>(index - 1) * itemSize_, itemSize_);
    return true;
  }
  PeekItem(index, out);
  return true;
}

bool LArray::FetchItemAt(int index, void* out, unsigned& size) const {
  if (!ValidIndex(index)) return false;
  unsigned itemBytes = ItemBytes(index);
  if (size >= itemBytes) {
    PeekItem(index, out);
    size = itemBytes;
  } else if (size != 0) {
    std::memcpy(out, ItemAddr(index), size);
  }
  return true;
}

int LArray::FetchItemOf(const void* item, void* out) const {
  int index = FetchIndexOf(item, itemSize_);
  if (index != 0) PeekItem(index, out);
  return index;
}

std::uint64_t LArray::GetMemoryUsedSize() const {
  std::uint64_t used = dataSize_;
  for (const LArray* attached : attached_) {
    if (attached != nullptr) used += attached->GetMemoryUsedSize();
  }
  return used;
}

// ---------------------------------------------------------------- allocation

void LArray::ReallocateItems(std::uint64_t bytes) {
  if (bytes > kMaxBlockBytes) throw EGenvoraError::Plain("LArray: block larger than 4 GB");
  void* grown = std::realloc(items_, bytes != 0 ? static_cast<std::size_t>(bytes) : 1);
  if (grown == nullptr) throw EGenvoraError::Plain("LArray: out of memory");
  items_ = static_cast<unsigned char*>(grown);
  allocated_ = static_cast<unsigned>(bytes);
}

void LArray::InternalAdjustAllocation(unsigned, std::uint64_t bytes) {
  ++allocationRequests_;
  // The block never shrinks: a smaller request is only counted.
  if (bytes < allocated_) {
    ++ignoredShrinks_;
    return;
  }
  if (bytes == allocated_) return;
  std::uint64_t request = bytes;
  if (count_ != 0 && dataSize_ != 0) {
    // 5 % headroom over the data already held, so that a run of small
    // insertions does not reallocate each time.
    std::uint64_t headroom = static_cast<std::uint64_t>(dataSize_ / count_) * count_ * 105 / 100;
    request = std::max(request, headroom);
  }
  request = (request + minSize_ - 1) / minSize_ * minSize_;
  if (request > kMaxBlockBytes && bytes <= kMaxBlockBytes) request = bytes;
  ReallocateItems(request);
}

void LArray::AdjustAllocation(unsigned moreItems, unsigned moreBytes) {
  std::uint64_t bytes = moreBytes != 0 ? moreBytes : static_cast<std::uint64_t>(moreItems) * itemSize_;
  InternalAdjustAllocation(count_ + moreItems, static_cast<std::uint64_t>(dataSize_) + bytes);
}

void LArray::AdjustStorage(std::int64_t deltaItems, std::int64_t) {
  std::int64_t newCount = static_cast<std::int64_t>(count_) + deltaItems;
  if (newCount < 0 || newCount > std::numeric_limits<std::int32_t>::max())
    throw EGenvoraError::Plain("LArray: count out of range");
  std::uint64_t needed = static_cast<std::uint64_t>(newCount) * itemSize_;
  if (needed > allocated_) {
    // At least double the block so that appends cost amortised constant
    // time; fall back to the exact size when the doubling cannot be had.
    std::uint64_t growth = std::max<std::uint64_t>(static_cast<std::uint64_t>(deltaItems) * itemSize_, allocated_);
    try {
      InternalAdjustAllocation(static_cast<unsigned>(newCount), allocated_ + growth);
    } catch (const EGenvoraError&) {
      InternalAdjustAllocation(static_cast<unsigned>(newCount), needed);
    }
  } else if (deltaItems < 0) {
    InternalAdjustAllocation(static_cast<unsigned>(newCount), needed + (allocated_ - dataSize_));
  }
  count_ = static_cast<unsigned>(newCount);
  dataSize_ = static_cast<unsigned>(needed);
}

void LArray::ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t) {
  if (first > last || deltaItems == 0) return;
  std::size_t from = static_cast<std::size_t>(first - 1) * itemSize_;
  std::size_t bytes = static_cast<std::size_t>(last - first + 1) * itemSize_;
  std::memmove(items_ + static_cast<std::int64_t>(from) + deltaItems * itemSize_, items_ + from, bytes);
}

void LArray::StoreNewItems(unsigned n, int index, const void* item, unsigned size) {
  unsigned char* at = items_ + static_cast<std::size_t>(index - 1) * itemSize_;
  unsigned copied = item == nullptr ? 0 : std::min(size, itemSize_);
  for (unsigned k = 0; k < n; ++k, at += itemSize_) {
    CopyItem(at, item, copied);
    // Bytes the caller did not supply are zero, never stale memory.
    if (copied < itemSize_) std::memset(at + copied, 0, itemSize_ - copied);
  }
}

void LArray::InternalSwapItems(int a, int b, void* buffer) {
  unsigned char* pa = items_ + static_cast<std::size_t>(a - 1) * itemSize_;
  unsigned char* pb = items_ + static_cast<std::size_t>(b - 1) * itemSize_;
  std::memcpy(buffer, pa, itemSize_);
  std::memcpy(pa, pb, itemSize_);
  std::memcpy(pb, buffer, itemSize_);
}

void LArray::InternalMoveItem(int from, int to, void* buffer) {
  std::memcpy(buffer, items_ + static_cast<std::size_t>(from - 1) * itemSize_, itemSize_);
  if (from < to)
    ShiftItems(from + 1, to, -1, -static_cast<std::int64_t>(itemSize_));
  else
    ShiftItems(to, from - 1, 1, itemSize_);
  std::memcpy(items_ + static_cast<std::size_t>(to - 1) * itemSize_, buffer, itemSize_);
}

void LArray::InternalCopyItem(int from, int to) {
  std::memmove(items_ + static_cast<std::size_t>(to - 1) * itemSize_,
               items_ + static_cast<std::size_t>(from - 1) * itemSize_, itemSize_);
}

void LArray::ClearAfterFailedRead() {
  count_ = 0;
  dataSize_ = 0;
}

// ---------------------------------------------------------------- changes

int LArray::AddItem(const void* item, unsigned size) {
  if (lockCount_ != 0) {
    ShowMisuse("pCan't add item to a locked Array");
    return 0;
  }
  if (item == nullptr) return 0;
  // Appending to a fixed array with room left: no storage step, no shift.
  if (fixedItems_ && !keepSorted_ && (size == 0 || size >= itemSize_) && allocated_ - dataSize_ >= itemSize_ &&
      count_ < static_cast<unsigned>(kLastIndex - 1)) {
    CopyItem(items_ + dataSize_, item, itemSize_);
    ++count_;
    dataSize_ += itemSize_;
    sorted_ = false;
    if (firstIterator_ != nullptr) ItemsInserted(1, static_cast<int>(count_));
    return static_cast<int>(count_);
  }
  return InsertItemsAt(1, keepSorted_ ? 0 : kLastIndex, item, size);
}

int LArray::InsertItemsAt(unsigned n, int index, const void* item, unsigned size) {
  return InsertResolved(n, index, item, ResolveSize(size));
}

int LArray::InsertResolved(unsigned n, int index, const void* item, unsigned size) {
  if (n == 0) return 0;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't insert into a locked Array");
    return 0;
  }
  int position = index;
  if (keepSorted_) {
    if (item == nullptr) {
      ShowMisuse("pCan't insert nil item into a sorted Array");
      return 0;
    }
    if (!sorted_) Sort();
    position = FetchInsertIndexOf(item, size);
  }
  if (position < 1) position = 1;
  if (position > static_cast<int>(count_)) position = static_cast<int>(count_) + 1;
  unsigned oldCount = count_;
  std::int64_t bytes = static_cast<std::int64_t>(n) * (fixedItems_ ? itemSize_ : size);
  AdjustStorage(n, bytes);
  ShiftItems(position, static_cast<int>(oldCount), n, bytes);
  StoreNewItems(n, position, item, size);
  sorted_ = keepSorted_;
  ItemsInserted(n, position);
  return position;
}

int LArray::RemoveItemsAt(unsigned n, int index) {
  if (n == 0) return 0;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't remove from a locked Array");
    return 0;
  }
  if (!ValidIndex(index)) return 0;
  unsigned removed = std::min<unsigned>(n, count_ - static_cast<unsigned>(index) + 1);
  int last = index + static_cast<int>(removed) - 1;
  std::int64_t bytes = static_cast<std::int64_t>(GrabItemRangeSize(index, last));
  ShiftItems(last + 1, static_cast<int>(count_), -static_cast<std::int64_t>(removed), -bytes);
  AdjustStorage(-static_cast<std::int64_t>(removed), -bytes);
  ItemsRemoved(removed, index);
  return index;
}

int LArray::AssignItemsAt(unsigned n, int index, const void* item, unsigned size) {
  if (n == 0 || !ValidIndex(index)) return 0;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't assign to a locked Array");
    return 0;
  }
  if (keepSorted_) {
    RemoveItemsAt(n, index);
    return InsertItemsAt(n, index, item, size);
  }
  if (item == nullptr) return 0;
  unsigned last = std::min<unsigned>(static_cast<unsigned>(index) + n - 1, count_);
  for (unsigned i = static_cast<unsigned>(index); i <= last; ++i) PokeItem(static_cast<int>(i), item, size);
  sorted_ = false;
  return index;
}

void LArray::SwapItems(int a, int b) {
  if (keepSorted_ || !ValidIndex(a) || !ValidIndex(b)) return;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't assign to a locked Array");
    return;
  }
  if (a != b) {
    std::vector<unsigned char> buffer(fixedItems_ ? itemSize_ : 0);
    InternalSwapItems(a, b, buffer.data());
  }
  sorted_ = false;
}

void LArray::MoveItem(int from, int to) {
  if (keepSorted_ || !ValidIndex(from) || !ValidIndex(to) || from == to) return;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't assign to a locked Array");
    return;
  }
  std::vector<unsigned char> buffer(fixedItems_ ? itemSize_ : 0);
  InternalMoveItem(from, to, buffer.data());
  sorted_ = false;
}

int LArray::Remove(const void* item, unsigned size) {
  int index = FetchIndexOf(item, size);
  if (index == 0) return 0;
  return RemoveItemsAt(1, index);
}

void LArray::RemoveAllItemsAfter(int index) {
  if (index < 0) index = 0;
  if (static_cast<unsigned>(index) >= count_) return;
  RemoveItemsAt(count_ - static_cast<unsigned>(index), index + 1);
}

void LArray::Flush() {
  if (count_ != 0) RemoveItemsAt(count_, 1);
}

int LArray::InsertItemExclusive(const void* item, unsigned size) {
  if (FetchIndexOf(item, size) != 0) return 0;
  return InsertItemsAt(1, kLastIndex, item, size);
}

int LArray::InsertItemExclusiveEx(const void* item, unsigned size) {
  if (auxComparator_ == nullptr) {
    ShowMisuse("LArray::InsertItemExclusiveEx\n\n\tauxComparator is undefined, function aborted");
    return 0;
  }
  int found;
  {
    LComparatorSwapper swapper(*this);
    found = FetchIndexOf(item, size);
  }
  if (found != 0) {
    PokeItem(found, item, ResolveSize(size));
    return found;
  }
  return AddItem(item, size);
}

void LArray::SetItemsHandle(void* block, unsigned blockBytes, std::int32_t count) {
  std::free(items_);
  items_ = static_cast<unsigned char*>(block);
  allocated_ = block != nullptr ? blockBytes : 0;
  std::uint64_t wanted = count > 0 ? static_cast<std::uint64_t>(count) * itemSize_ : allocated_;
  // A count that does not fit the block is cut to what the block holds.
  if (wanted > allocated_) wanted = allocated_;
  count_ = itemSize_ != 0 ? static_cast<unsigned>(wanted / itemSize_) : 0;
  dataSize_ = count_ * itemSize_;
}

// ---------------------------------------------------------------- sorting

void LArray::Sort() {
  if (!sorted_ && count_ > 1) {
    StArrayLocker locker(*this);
    // Shell sort with the gaps 1, 4, 13, 40, ... below count / 9. It is not
    // stable: equal items end in the order these gaps give, and a saved
    // index keeps that order, so the gaps never change.
    const int count = static_cast<int>(count_);
    int gap = 1;
    while (gap < count / 9) gap = 3 * gap + 1;
    std::vector<unsigned char> buffer(itemSize_);
    unsigned char* base = items_;
    const std::size_t size = itemSize_;
    for (; gap > 0; gap /= 3) {
      for (int i = gap + 1; i <= count; ++i) {
        std::memcpy(buffer.data(), base + (i - 1) * size, size);
        int j = i;
        while (j - gap >= 1 &&
               comparator_->Compare(buffer.data(), base + (j - gap - 1) * size, itemSize_, itemSize_) < 0) {
          std::memcpy(base + (j - 1) * size, base + (j - gap - 1) * size, size);
          j -= gap;
        }
        std::memcpy(base + (j - 1) * size, buffer.data(), size);
      }
    }
  }
  sorted_ = true;
}

void LArray::SetKeepSorted(bool keepSorted) {
  keepSorted_ = keepSorted;
  if (keepSorted) Sort();
}

void LArray::SetComparator(LComparator* comparator, bool owns) {
  if (comparator == nullptr) {
    ShowMisuse("pnil Comparator not allowed");
    return;
  }
  if (ownsComparator_ && comparator_ != comparator) delete comparator_;
  comparator_ = comparator;
  ownsComparator_ = owns;
  RefreshLongKeys();
  if (count_ > 1) sorted_ = false;
  if (keepSorted_) Sort();
}

void LArray::_SetComparator(LComparator* comparator, bool isSorted) {
  comparator_ = comparator;
  RefreshLongKeys();
  sorted_ = isSorted;
}

void LArray::SetAuxComparator(LComparator* comparator, bool owns) {
  if (ownsAuxComparator_ && auxComparator_ != comparator) delete auxComparator_;
  auxComparator_ = comparator;
  ownsAuxComparator_ = owns;
}

// ---------------------------------------------------------------- searching

int LArray::BinarySearch(const void* item, unsigned size) const {
  StArrayLocker locker(*this);
  int low = 1;
  int high = static_cast<int>(count_);
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int result = comparator_->Compare(ItemAddr(mid), item, ItemBytes(mid), size);
    if (result == 0) return mid;
    if (result < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return 0;
}

int LArray::BinarySearchLong(const void* item, unsigned size) const {
  std::uint32_t key = 0;
  std::memcpy(&key, item, size >= 4 ? 4 : size);
  const unsigned char* base = items_;
  const std::size_t stride = itemSize_;
  int low = 1;
  int high = static_cast<int>(count_);
  while (low <= high) {
    int mid = low + (high - low) / 2;
    std::uint32_t word;
    std::memcpy(&word, base + static_cast<std::size_t>(mid - 1) * stride, 4);
    // The order of LLongComparator::Compare.
    const int result = CompareCodeWords(word, key);
    if (result == 0) return mid;
    low = result < 0 ? mid + 1 : low;
    high = result < 0 ? high : mid - 1;
  }
  return 0;
}

int LArray::BinarySearchByKey(const void* key) const {
  StArrayLocker locker(*this);
  int low = 1;
  int high = static_cast<int>(count_);
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int result = comparator_->CompareToKey(ItemAddr(mid), ItemBytes(mid), key);
    if (result == 0) return mid;
    if (result < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return 0;
}

int LArray::LinearSearch(const void* item, unsigned size) const {
  StArrayLocker locker(*this);
  for (int i = 1; i <= static_cast<int>(count_); ++i) {
    if (comparator_->IsEqualTo(item, ItemAddr(i), size, ItemBytes(i))) return i;
  }
  return 0;
}

int LArray::LinearSearchByKey(const void* key) const {
  StArrayLocker locker(*this);
  for (int i = 1; i <= static_cast<int>(count_); ++i) {
    if (comparator_->IsEqualToKey(ItemAddr(i), ItemBytes(i), key)) return i;
  }
  return 0;
}

int LArray::FetchIndexOf(const void* item, unsigned size) const {
  if (count_ == 0 || item == nullptr) return 0;
  size = ResolveSize(size);
  if (!sorted_) return LinearSearch(item, size);
  return longKeys_ ? BinarySearchLong(item, size) : BinarySearch(item, size);
}

int LArray::FetchIndexOfKey(const void* key) const {
  if (count_ == 0) return 0;
  return sorted_ ? BinarySearchByKey(key) : LinearSearchByKey(key);
}

int LArray::FetchInsertIndexOf(const void* item, unsigned size) const {
  if (!sorted_ || item == nullptr) return kLastIndex;
  size = ResolveSize(size);
  StArrayLocker locker(*this);
  // With the first-word order the probes read the word in place: a code
  // list of a million pairs takes one insertion per record written.
  std::uint32_t key = 0;
  if (longKeys_) std::memcpy(&key, item, size >= 4 ? 4 : size);
  int low = 1;
  int high = static_cast<int>(count_);
  int mid = 1;
  int result = 0;
  while (low <= high) {
    mid = low + (high - low) / 2;
    if (longKeys_) {
      std::uint32_t word;
      std::memcpy(&word, items_ + static_cast<std::size_t>(mid - 1) * itemSize_, 4);
      // The order of LLongComparator::Compare.
      result = CompareCodeWords(word, key);
    } else {
      result = comparator_->Compare(ItemAddr(mid), item, ItemBytes(mid), size);
    }
    // An equal item: the new one goes before the one the halving met.
    if (result == 0) return mid;
    if (result < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return result < 0 ? mid + 1 : mid;
}

int LArray::FetchInsertIndexOfKey(const void* key) const {
  if (!sorted_ || key == nullptr) return kLastIndex;
  StArrayLocker locker(*this);
  int low = 1;
  int high = static_cast<int>(count_);
  int mid = 1;
  int result = 0;
  while (low <= high) {
    mid = low + (high - low) / 2;
    result = comparator_->CompareToKey(ItemAddr(mid), ItemBytes(mid), key);
    if (result == 0) return mid;
    if (result < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  return result < 0 ? mid + 1 : mid;
}

int LArray::FirstThat(const void* item, unsigned size) const {
  int index = FetchIndexOf(item, size);
  if (index == 0) return 0;
  size = ResolveSize(size);
  while (index > 1 && comparator_->Compare(ItemAddr(index - 1), item, ItemBytes(index - 1), size) == 0) --index;
  return index;
}

int LArray::LastThat(const void* item, unsigned size) const {
  int index = FetchIndexOf(item, size);
  if (index == 0) return 0;
  size = ResolveSize(size);
  while (static_cast<unsigned>(index) < count_ &&
         comparator_->Compare(ItemAddr(index + 1), item, ItemBytes(index + 1), size) == 0)
    ++index;
  return index;
}

int LArray::HowMany(const void* item, unsigned size) const {
  int first = FirstThat(item, size);
  if (first == 0) return 0;
  return LastThat(item, size) - first + 1;
}

int LArray::FirstIndexOf(const void* item) const { return FirstThat(item, itemSize_); }

int LArray::LoadOnList(const void* item, LArray* list, bool fill, std::int32_t size) const {
  if (list == nullptr) return 0;
  if (fill && list->GetCount() != 0) list->Flush();
  const LComparator* comparator = auxComparator_ != nullptr ? auxComparator_ : comparator_;
  unsigned searched = ResolveSize(size > 0 ? static_cast<unsigned>(size) : 0);
  StArrayLocker locker(*this);
  int found = 0;
  for (int i = 1; i <= static_cast<int>(count_); ++i) {
    if (comparator->Compare(ItemAddr(i), item, ItemBytes(i), searched) != 0) {
      ++found;
      if (fill) list->InsertItemsAt(1, 1, ItemAddr(i), ItemBytes(i));
    }
  }
  return found;
}

// ---------------------------------------------------------------- iterators

void LArray::AttachIterator(LArrayIterator* iterator) const {
  iterator->next_ = firstIterator_;
  firstIterator_ = iterator;
}

void LArray::DetachIterator(LArrayIterator* iterator) const {
  for (LArrayIterator** link = &firstIterator_; *link != nullptr; link = &(*link)->next_) {
    if (*link == iterator) {
      *link = iterator->next_;
      iterator->next_ = nullptr;
      return;
    }
  }
}

void LArray::ItemsInserted(unsigned n, int index) const {
  for (LArrayIterator* it = firstIterator_; it != nullptr; it = it->next_) it->ItemsInserted(n, index);
}

void LArray::ItemsRemoved(unsigned n, int index) const {
  for (LArrayIterator* it = firstIterator_; it != nullptr; it = it->next_) it->ItemsRemoved(n, index);
}

// ---------------------------------------------------------------- attached arrays

void LArray::AttachArray(int slot, LArray* array) {
  if (slot < 0 || slot >= kAttachedSlots || array == this) return;
  if (attached_[slot] != array) delete attached_[slot];
  attached_[slot] = array;
}

LArray* LArray::GetAttachedArray(int slot) const {
  if (slot < 0 || slot >= kAttachedSlots) return nullptr;
  return attached_[slot];
}

// ---------------------------------------------------------------- serialized block

void LArray::SetClassName(const char* name) {
  std::memset(className_, 0, sizeof className_);
  if (name != nullptr) std::strncpy(className_, name, kMaxClassNameLength);
}

std::uint64_t LArray::GetSerializedDataSize() const {
  std::uint64_t size = kBlockHeaderSize + static_cast<std::uint64_t>(dataSize_);
  if (dataSize_ != 0) {
    for (const LArray* attached : attached_) {
      if (attached != nullptr) size += attached->GetSerializedDataSize();
    }
  }
  return size;
}

void LArray::FormatBlockHeader(unsigned char out[kBlockHeaderSize], const char* name, const BlockCounters& counters) {
  std::memset(out, 0, kBlockHeaderSize);
  std::memcpy(out, kSignature, kSignatureSize);
  if (name != nullptr) std::memcpy(out + kSignatureSize, name, strnlen(name, kNameSize));
  const std::uint32_t values[3] = {counters.itemSize, counters.count, counters.dataSize};
  unsigned char* counter = out + kSignatureSize + kNameSize;
  for (std::uint32_t value : values) {
    // "%011lu": a 32-bit value always fits the 11 digits, so the NUL that
    // snprintf adds is the field's twelfth byte.
    char digits[kCounterSize + 1];
    std::snprintf(digits, sizeof digits, "%011lu", static_cast<unsigned long>(value));
    std::memcpy(counter, digits, kCounterSize);
    counter += kCounterSize;
  }
}

bool LArray::ParseBlockHeader(const unsigned char in[kBlockHeaderSize], BlockCounters& counters,
                              const char*& reason) {
  ByteReader reader(in, kBlockHeaderSize);
  std::string_view signature;
  reader.View(signature, kSignatureSize);
  if (std::memcmp(signature.data(), kSignature, kSignatureSize) != 0) {
    reason = "bad signature";
    return false;
  }
  reader.Skip(kNameSize);  // the array keeps the name its owner gave it
  std::uint32_t* const fields[3] = {&counters.itemSize, &counters.count, &counters.dataSize};
  for (std::uint32_t* field : fields) {
    std::string_view text;
    if (!reader.View(text, kCounterSize)) {
      reason = reader.Reason();
      return false;
    }
    // Leading decimal digits up to the NUL; anything else is damage, since a
    // counter read wrong would shift every byte after it.
    std::size_t digits = text.find('\0');
    if (digits == std::string_view::npos || digits == 0) {
      reason = "counter without digits or NUL";
      return false;
    }
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < digits; ++k) {
      char c = text[k];
      if (c < '0' || c > '9') {
        reason = "counter is not decimal";
        return false;
      }
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      reason = "counter exceeds 32 bits";
      return false;
    }
    *field = static_cast<std::uint32_t>(value);
  }
  return true;
}

bool LArray::WriteMainBlock(FileHandle* file) const {
  if (file == nullptr) return false;
  unsigned char header[kBlockHeaderSize];
  FormatBlockHeader(header, className_, BlockCounters{itemSize_, count_, dataSize_});
  bool ok = file->Write(header, sizeof header);
  if (ok && dataSize_ != 0) ok = file->Write(items_, dataSize_);
  if (!ok || dataSize_ == 0) return ok;
  // Every attached array is written even when one fails, and the failure is
  // reported: a save that lost a table must not look like a success.
  bool attachedOk = true;
  for (const LArray* attached : attached_) {
    if (attached != nullptr && !attached->EcritDans(file)) {
      ShowMisuse("LXArray::EcritDans(XFILES)\n\tError occur when writting table!!");
      attachedOk = false;
    }
  }
  return attachedOk;
}

bool LArray::ReadMainBlock(FileHandle* file, bool variableItems) {
  readFailure_ = nullptr;
  if (file == nullptr) return Refuse("no file");
  unsigned char header[kBlockHeaderSize];
  if (!file->Read(header, sizeof header)) return Refuse("file ends inside the block header");
  BlockCounters counters;
  const char* reason = nullptr;
  if (!ParseBlockHeader(header, counters, reason)) return Refuse(reason);

  std::uint64_t dataSize = counters.dataSize;
  const std::uint64_t remaining = static_cast<std::uint64_t>(file->Remaining());
  if (variableItems) {
    // The item size field of a variable array is 0 (built in memory) or 4
    // (read before); its items are sized by the offsets block, and the data
    // size is taken as written: items may all be empty.
    if (counters.itemSize != 0 && counters.itemSize != 4) return Refuse("item size of a variable array not 0 or 4");
    // The offsets block (its header and count + 1 entries) follows the items.
    std::uint64_t offsetsBytes =
        counters.count != 0 ? kBlockHeaderSize + (static_cast<std::uint64_t>(counters.count) + 1) * 4 : 0;
    if (counters.count == 0 && dataSize != 0) return Refuse("data without items");
    if (dataSize + offsetsBytes > remaining) return Refuse("sizes exceed the file");
    itemSize_ = counters.itemSize;
  } else {
    if (counters.itemSize != itemSize_) return Refuse("item size differs from the array's");
    if (itemSize_ == 0 && counters.count != 0) return Refuse("items of size 0");
    std::uint64_t itemsBytes = static_cast<std::uint64_t>(counters.count) * counters.itemSize;
    if (dataSize == 0) dataSize = itemsBytes;
    if (dataSize != itemsBytes) return Refuse("data size is not count x item size");
    if (dataSize > remaining) return Refuse("sizes exceed the file");
    if (dataSize == 0) {
      // Nothing follows an empty block: the writer skips the attached arrays.
      ClearAfterFailedRead();
      return true;
    }
  }

  InternalAdjustAllocation(counters.count, dataSize);
  // A block read whole is filled at once: huge pages make that one fault
  // per 2 MB. Blocks that grow by appends are left to ordinary pages, which
  // their reallocations move more cheaply.
  AdviseLargeBlock(items_, static_cast<std::size_t>(dataSize));
  if (dataSize != 0 && !file->Read(items_, static_cast<std::size_t>(dataSize)))
    return Refuse("file ends inside the items");
  count_ = counters.count;
  dataSize_ = static_cast<unsigned>(dataSize);
  if (dataSize_ == 0) return true;

  bool attachedOk = true;
  for (LArray* attached : attached_) {
    if (attached != nullptr && !attached->LitDans(file)) {
      ShowMisuse("LXArray::LitDans(XFILES)\n\tError occur when reading table!!");
      attachedOk = false;
    }
  }
  // The items are kept, but the block is reported damaged: after a refused
  // attached array the file position no longer meets the next block.
  if (!attachedOk) readFailure_ = "attached array refused";
  return attachedOk;
}

bool LArray::EcritDans(FileHandle* file) const { return WriteMainBlock(file); }

bool LArray::LitDans(FileHandle* file) { return ReadMainBlock(file, false); }

}  // namespace genvora
