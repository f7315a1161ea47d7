// LVariableArray: storage of variable-size items and the offsets block.
#include "containers/LVariableArray.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/Exception.h"
#include "platform/System.h"

namespace genvora {

namespace {
constexpr std::uint64_t kMaxDataSize = std::numeric_limits<std::uint32_t>::max();
}

LVariableArray::LVariableArray(LComparator* comparator, bool keepSorted) : LArray(0, comparator, keepSorted) {
  fixedItems_ = false;
  ReserveOffsets(0);
}

LVariableArray::LVariableArray(void* itemsBlock, unsigned itemsBytes, unsigned* offsetsBlock, unsigned offsetsBytes,
                               LComparator* comparator, bool isSorted, bool keepSorted)
    : LArray(0, comparator, keepSorted) {
  fixedItems_ = false;
  const unsigned entries = offsetsBytes / kEntrySize;
  const std::uint32_t* given = offsetsBlock;
  bool valid = offsetsBlock != nullptr && entries >= 1 && given[0] == 0 && given[entries - 1] == itemsBytes;
  for (unsigned k = 1; valid && k < entries; ++k) valid = given[k - 1] <= given[k];
  if (!valid) {
    std::free(itemsBlock);
    std::free(offsetsBlock);
    throw EGenvoraError::Plain("LVariableArray: offsets do not describe the items");
  }
  items_ = static_cast<unsigned char*>(itemsBlock);
  allocated_ = itemsBlock != nullptr ? itemsBytes : 0;
  dataSize_ = allocated_;
  count_ = entries - 1;
  offsets_ = offsetsBlock;
  offsetsCapacity_ = entries;
  sorted_ = isSorted;
}

LVariableArray::~LVariableArray() { std::free(offsets_); }

// ---------------------------------------------------------------- offsets

void LVariableArray::ReserveOffsets(unsigned count) {
  std::uint64_t capacity =
      (static_cast<std::uint64_t>(count) + kOffsetsGranularity - 1) / kOffsetsGranularity * kOffsetsGranularity + 1;
  if (capacity == offsetsCapacity_ && offsets_ != nullptr) return;
  bool fresh = offsets_ == nullptr;
  void* grown = std::realloc(offsets_, static_cast<std::size_t>(capacity) * sizeof(std::uint32_t));
  if (grown == nullptr) throw EGenvoraError::Plain("LVariableArray: out of memory");
  offsets_ = static_cast<std::uint32_t*>(grown);
  offsetsCapacity_ = static_cast<unsigned>(capacity);
  if (fresh) offsets_[0] = 0;
}

std::uint32_t LVariableArray::GetItemOffset(int index) const {
  if (index < 1 || static_cast<unsigned>(index) > count_) return 0;
  return offsets_[index - 1];
}

unsigned LVariableArray::GetItemSize(int index) const {
  if (!ValidIndex(index)) return 0;
  return offsets_[index] - offsets_[index - 1];
}

unsigned LVariableArray::GrabItemSize(int index) const {
  if (index < 1 || static_cast<unsigned>(index) > count_) return 0;
  return offsets_[index] - offsets_[index - 1];
}

std::uint64_t LVariableArray::GrabItemRangeSize(int first, int last) const {
  if (first < 1 || last < first || static_cast<unsigned>(last) > count_) return 0;
  return offsets_[last] - offsets_[first - 1];
}

void* LVariableArray::GetItemPtr(int index) const {
  if (index < 1 || static_cast<unsigned>(index) > count_ || items_ == nullptr) return nullptr;
  return items_ + offsets_[index - 1];
}

// ---------------------------------------------------------------- storage

void LVariableArray::InternalAdjustAllocation(unsigned count, std::uint64_t bytes) {
  LArray::InternalAdjustAllocation(count, bytes);
  ReserveOffsets(count);
}

void LVariableArray::AdjustAllocation(unsigned moreItems, unsigned moreBytes) {
  InternalAdjustAllocation(count_ + moreItems, static_cast<std::uint64_t>(dataSize_) + moreBytes);
}

void LVariableArray::AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes) {
  std::int64_t newCount = static_cast<std::int64_t>(count_) + deltaItems;
  std::int64_t newData = static_cast<std::int64_t>(dataSize_) + deltaBytes;
  if (newCount < 0 || newCount >= std::numeric_limits<std::int32_t>::max() || newData < 0 ||
      static_cast<std::uint64_t>(newData) > kMaxDataSize)
    throw EGenvoraError::Plain("LVariableArray: size out of range");
  InternalAdjustAllocation(static_cast<unsigned>(newCount), static_cast<std::uint64_t>(newData));
  count_ = static_cast<unsigned>(newCount);
  dataSize_ = static_cast<unsigned>(newData);
  offsets_[count_] = dataSize_;
}

void LVariableArray::ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes) {
  if (first > last) return;
  // Bytes of items first..last, then their end offsets, each moved by the
  // same amount.
  std::uint32_t from = offsets_[first - 1];
  std::uint32_t bytes = offsets_[last] - from;
  if (bytes != 0 && deltaBytes != 0) std::memmove(items_ + from + deltaBytes, items_ + from, bytes);
  if (deltaItems != 0)
    std::memmove(offsets_ + first + deltaItems, offsets_ + first,
                 static_cast<std::size_t>(last - first + 1) * sizeof(std::uint32_t));
  const auto delta = static_cast<std::uint32_t>(deltaBytes);  // wraps like the offsets themselves
  for (std::int64_t k = first + deltaItems; k <= last + deltaItems; ++k) offsets_[k] += delta;
}

void LVariableArray::StoreNewItems(unsigned n, int index, const void* item, unsigned size) {
  std::uint32_t at = offsets_[index - 1];
  for (unsigned k = 0; k < n; ++k) {
    if (size != 0) {
      if (item != nullptr)
        std::memcpy(items_ + at, item, size);
      else
        std::memset(items_ + at, 0, size);
    }
    at += size;
    offsets_[index + static_cast<int>(k)] = at;
  }
}

void LVariableArray::PokeItem(int index, const void* data, unsigned size) {
  if (index < 1 || static_cast<unsigned>(index) > count_ || (data == nullptr && size != 0)) return;
  const std::int64_t delta = static_cast<std::int64_t>(size) - GrabItemSize(index);
  if (delta != 0) {
    if (static_cast<std::uint64_t>(static_cast<std::int64_t>(dataSize_) + delta) > kMaxDataSize)
      throw EGenvoraError::Plain("LVariableArray: size out of range");
    if (delta > 0) InternalAdjustAllocation(count_, static_cast<std::uint64_t>(dataSize_ + delta));
    std::uint32_t tail = offsets_[index];
    if (dataSize_ > tail) std::memmove(items_ + tail + delta, items_ + tail, dataSize_ - tail);
    for (unsigned k = static_cast<unsigned>(index); k <= count_; ++k)
      offsets_[k] = static_cast<std::uint32_t>(offsets_[k] + delta);
    dataSize_ = static_cast<unsigned>(dataSize_ + delta);
  }
  if (size != 0) std::memcpy(items_ + offsets_[index - 1], data, size);
}

void LVariableArray::InternalCopyItem(int from, int to) {
  unsigned size = GrabItemSize(from);
  if (size == GrabItemSize(to)) {
    if (size != 0) std::memmove(items_ + offsets_[to - 1], items_ + offsets_[from - 1], size);
    return;
  }
  // Resizing item `to` may move the block under item `from`.
  std::vector<unsigned char> copy(items_ + offsets_[from - 1], items_ + offsets_[from - 1] + size);
  PokeItem(to, copy.data(), size);
}

void LVariableArray::InternalSwapItems(int a, int b, void*) {
  if (a > b) std::swap(a, b);
  const std::uint32_t start = offsets_[a - 1];
  const std::uint32_t sizeA = GrabItemSize(a);
  const std::uint32_t sizeB = GrabItemSize(b);
  const std::uint32_t middleStart = offsets_[a];
  const std::uint32_t middleEnd = offsets_[b - 1];
  std::vector<unsigned char> range;
  range.reserve(offsets_[b] - start);
  range.insert(range.end(), items_ + middleEnd, items_ + middleEnd + sizeB);
  range.insert(range.end(), items_ + middleStart, items_ + middleEnd);
  range.insert(range.end(), items_ + start, items_ + start + sizeA);
  if (!range.empty()) std::memcpy(items_ + start, range.data(), range.size());
  const auto shift = static_cast<std::uint32_t>(sizeB - sizeA);  // wraps when b is shorter
  for (int k = a; k < b; ++k) offsets_[k] += shift;
}

void LVariableArray::InternalMoveItem(int from, int to, void*) {
  const std::uint32_t size = GrabItemSize(from);
  if (from < to) {
    unsigned char* first = items_ + offsets_[from - 1];
    unsigned char* last = items_ + offsets_[to];
    std::rotate(first, first + size, last);
    for (int k = from; k < to; ++k) offsets_[k] = offsets_[k + 1] - size;
  } else {
    unsigned char* first = items_ + offsets_[to - 1];
    unsigned char* last = items_ + offsets_[from];
    std::rotate(first, last - size, last);
    for (int k = from; k > to; --k) offsets_[k] = offsets_[k - 1] + size;
    offsets_[to] = offsets_[to - 1] + size;
  }
}

void LVariableArray::ClearAfterFailedRead() {
  count_ = 0;
  dataSize_ = 0;
  ReserveOffsets(0);
  offsets_[0] = 0;
}

// ---------------------------------------------------------------- bulk changes

unsigned LVariableArray::RemoveFlaggedItems(const std::vector<bool>& flagged) {
  if (lockCount_ != 0) {
    ShowMisuse("pCan't remove from a locked Array");
    return 0;
  }
  // Items and their end offsets slide down over the removed ones, each
  // byte moving once.
  std::uint32_t writeAt = 0;
  unsigned kept = 0;
  std::vector<int> removedIndexes;
  for (unsigned index = 1; index <= count_; ++index) {
    const std::uint32_t from = offsets_[index - 1];
    const std::uint32_t size = offsets_[index] - from;
    if (index < flagged.size() && flagged[index]) {
      removedIndexes.push_back(static_cast<int>(index));
      continue;
    }
    if (size != 0 && writeAt != from) std::memmove(items_ + writeAt, items_ + from, size);
    writeAt += size;
    offsets_[++kept] = writeAt;
  }
  const auto removed = static_cast<unsigned>(removedIndexes.size());
  if (removed == 0) return 0;
  AdjustStorage(-static_cast<std::int64_t>(removed), static_cast<std::int64_t>(writeAt) - dataSize_);
  // Iterators hear of the removals as RemoveItemsAt tells them, last first
  // so that each index is still the one it names.
  for (auto it = removedIndexes.rbegin(); it != removedIndexes.rend(); ++it) ItemsRemoved(1, *it);
  return removed;
}

void LVariableArray::ReplaceItems(const std::vector<std::pair<int, std::vector<unsigned char>>>& contents) {
  if (contents.empty()) return;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't assign to a locked VariableArray");
    return;
  }
  std::uint64_t newSize = dataSize_;
  int previous = 0;
  for (const auto& [index, bytes] : contents) {
    if (index <= previous || static_cast<unsigned>(index) > count_)
      throw EGenvoraError::Plain("LVariableArray: replacements out of order");
    newSize = newSize - GrabItemSize(index) + bytes.size();
    previous = index;
  }
  if (newSize > kMaxDataSize) throw EGenvoraError::Plain("LVariableArray: size out of range");
  // One new block, filled in index order; the offsets are rewritten as it
  // fills.
  std::vector<unsigned char> block;
  block.reserve(static_cast<std::size_t>(newSize));
  auto next = contents.begin();
  std::uint32_t oldEnd = offsets_[0];  // offsets_ is rewritten behind the reads
  for (unsigned index = 1; index <= count_; ++index) {
    const std::uint32_t oldStart = oldEnd;
    oldEnd = offsets_[index];
    if (next != contents.end() && static_cast<unsigned>(next->first) == index) {
      block.insert(block.end(), next->second.begin(), next->second.end());
      ++next;
    } else {
      block.insert(block.end(), items_ + oldStart, items_ + oldEnd);
    }
    offsets_[index] = static_cast<std::uint32_t>(block.size());
  }
  if (newSize > dataSize_) InternalAdjustAllocation(count_, newSize);
  if (!block.empty()) std::memcpy(items_, block.data(), block.size());
  dataSize_ = static_cast<unsigned>(newSize);
}

// ---------------------------------------------------------------- changes

int LVariableArray::AssignItemsAt(unsigned n, int index, const void* item, unsigned size) {
  if (n == 0 || !ValidIndex(index)) return 0;
  if (lockCount_ != 0) {
    ShowMisuse("pCan't assign to a locked VariableArray");
    return 0;
  }
  // Items change size, so an assignment is a removal and a new insertion.
  RemoveItemsAt(n, index);
  return InsertItemsAt(n, index, item, size);
}

void LVariableArray::Sort() {
  if (!sorted_ && count_ > 1) {
    StArrayLocker locker(*this);
    // The Shell sort of LArray, with a buffer the size of the item placed.
    const int count = static_cast<int>(count_);
    int gap = 1;
    while (gap < count / 9) gap = 3 * gap + 1;
    std::vector<unsigned char> buffer;
    for (; gap > 0; gap /= 3) {
      for (int i = gap + 1; i <= count; ++i) {
        const unsigned size = GrabItemSize(i);
        buffer.assign(items_ + offsets_[i - 1], items_ + offsets_[i - 1] + size);
        int j = i;
        while (j - gap >= 1 &&
               comparator_->Compare(buffer.data(), ItemAddr(j - gap), size, GrabItemSize(j - gap)) < 0) {
          InternalCopyItem(j - gap, j);
          j -= gap;
        }
        if (j != i) PokeItem(j, buffer.data(), size);
      }
    }
  }
  sorted_ = true;
}

// ---------------------------------------------------------------- serialized form

std::uint64_t LVariableArray::GetSerializedDataSize() const {
  std::uint64_t size = LArray::GetSerializedDataSize();
  if (count_ != 0) size += kBlockHeaderSize + (static_cast<std::uint64_t>(count_) + 1) * kEntrySize;
  return size;
}

bool LVariableArray::EcritDans(FileHandle* file) const {
  bool ok = WriteMainBlock(file);
  if (file == nullptr || count_ == 0) return ok;
  char name[kNameSize + 16];
  std::snprintf(name, sizeof name, "%s-ItemSize", className_);
  const std::uint32_t entries = count_ + 1;
  unsigned char header[kBlockHeaderSize];
  FormatBlockHeader(header, name, BlockCounters{kEntrySize, entries, entries * kEntrySize});
  ok = file->Write(header, sizeof header) && ok;
  ok = file->Write(offsets_, static_cast<std::size_t>(entries) * kEntrySize) && ok;
  return ok;
}

bool LVariableArray::LitDans(FileHandle* file) {
  if (!ReadMainBlock(file, true)) {
    // Items without their offsets are no array at all.
    ClearAfterFailedRead();
    return false;
  }
  if (count_ == 0) {
    offsets_[0] = 0;
    return true;
  }
  return ReadOffsetsBlock(file);
}

bool LVariableArray::ReadOffsetsBlock(FileHandle* file) {
  unsigned char header[kBlockHeaderSize];
  if (!file->Read(header, sizeof header)) return Refuse("file ends inside the offsets header");
  BlockCounters counters;
  const char* reason = nullptr;
  if (!ParseBlockHeader(header, counters, reason)) return Refuse(reason);
  if (counters.itemSize != kEntrySize) return Refuse("offsets entry size is not 4");
  std::uint64_t bytes = counters.dataSize;
  if (bytes == 0) bytes = static_cast<std::uint64_t>(counters.count) * counters.itemSize;
  const std::uint64_t expected = (static_cast<std::uint64_t>(count_) + 1) * kEntrySize;
  if (bytes != expected) return Refuse("offsets block does not describe count + 1 entries");
  if (bytes > static_cast<std::uint64_t>(file->Remaining())) return Refuse("sizes exceed the file");
  ReserveOffsets(count_);
  AdviseLargeBlock(offsets_, static_cast<std::size_t>(bytes));
  if (!file->Read(offsets_, static_cast<std::size_t>(bytes))) return Refuse("file ends inside the offsets");
  // Every item must lie inside the data: entries start at 0, never decrease
  // and end at the data size.
  if (offsets_[0] != 0 || offsets_[count_] != dataSize_) return Refuse("offsets do not span the data");
  std::uint32_t previous = 0;
  for (unsigned k = 1; k <= count_; ++k) {
    if (offsets_[k] < previous) return Refuse("offsets out of order");
    previous = offsets_[k];
  }
  itemSize_ = kEntrySize;
  return true;
}

}  // namespace genvora
