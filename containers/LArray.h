// LArray: the sorted-array container every table, index and working list
// rests on.
//
// Items of one fixed size lie packed in one heap block and are addressed by a
// 1-based signed index. The array can keep them sorted under a pluggable
// comparator, finds them by halving or by a linear scan, keeps attached
// iterators valid across insertions and removals, and writes itself to and
// reads itself from an open file as a self-describing block.
//
// Index conventions (every container and every caller):
//  - indices are 1-based; 0 means none or not found;
//  - kLastIndex (0x7FFFFFFF) means the last item where an existing index is
//    expected and "append" where an insertion index is expected; it is also
//    what the insert-position searches answer for an unsorted array, so that
//    an insertion at the answer appends.
//
// Invariants:
//  1. dataSize_ <= allocated_ and, for a fixed array, dataSize_ == count_ *
//     itemSize_. The item block never shrinks.
//  2. While the lock count is non-zero (a search, an iterator, a scan walks
//     the array) insertions, removals, assignments and swaps are refused with
//     a message, so a pointer into the block held by the walker stays valid.
//  3. LitDans never allocates more than the bytes left in the file, and a
//     block it refuses leaves the array empty, never half-read.
//
// Serialized block, little-endian where binary, offsets from its start:
//
// | offset | size      | field                                              |
// |--------|-----------|----------------------------------------------------|
// | 0      | 4         | signature C0 DE CA FE                              |
// | 4      | 40        | class name, NUL-padded                             |
// | 44     | 12        | item size: 11 decimal digits ("%011lu") and a NUL  |
// | 56     | 12        | count, same form                                   |
// | 68     | 12        | data size in bytes, same form                      |
// | 80     | data size | the items in index order, as they lie in memory    |
//
// When the data size is not 0 the non-null attached arrays (slots 0 to 9)
// follow, each as its own complete block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>
#include <utility>

#include "containers/LComparator.h"
#include "platform/File.h"
#include "platform/Types.h"

namespace genvora {

class LArrayIterator;

class LArray {
 public:
  static constexpr int kLastIndex = 0x7FFFFFFF;
  static constexpr int kAttachedSlots = 10;
  static constexpr unsigned kDefaultMinSize = 2048;

  // On-disk constants of the block header; they never change.
  static constexpr unsigned char kSignature[4] = {0xC0, 0xDE, 0xCA, 0xFE};
  static constexpr std::size_t kSignatureSize = 4;
  static constexpr std::size_t kNameSize = 40;
  static constexpr std::size_t kCounterSize = 12;  // 11 digits and a NUL
  static constexpr std::size_t kBlockHeaderSize = kSignatureSize + kNameSize + 3 * kCounterSize;
  static_assert(kBlockHeaderSize == 80);
  // SetClassName keeps at least two NUL bytes at the end of the name field.
  static constexpr std::size_t kMaxClassNameLength = kNameSize - 2;

  // The three counters of a block header.
  struct BlockCounters {
    std::uint32_t itemSize = 0;
    std::uint32_t count = 0;
    std::uint32_t dataSize = 0;
  };
  // One writer and one reader of the 80-byte header, shared by every block
  // (arrays and the offsets block of variable arrays). `name` is cut to the
  // 40 bytes of the field. Parse fails with a reason on a wrong signature or
  // a counter that is not decimal digits ended by a NUL within 32 bits.
  static void FormatBlockHeader(unsigned char out[kBlockHeaderSize], const char* name, const BlockCounters& counters);
  static bool ParseBlockHeader(const unsigned char in[kBlockHeaderSize], BlockCounters& counters, const char*& reason);

  // Shows a misuse message of the containers (caption "LArray").
  static void ShowMisuse(const char* text);

  // Item size 4, the shared comparator, sorted, not kept sorted.
  LArray();
  // `comparator` is owned; null selects the shared LLongComparator for 4-byte
  // items and the shared LComparator otherwise (not owned).
  LArray(unsigned itemSize, LComparator* comparator, bool keepSorted);
  LArray(unsigned initialCount, unsigned itemSize, LComparator* comparator, bool keepSorted);
  // Adopts `itemsBlock`, a block of `blockBytes` bytes from std::malloc (the
  // heap size of the block, which the platform cannot tell).
  LArray(unsigned itemSize, void* itemsBlock, unsigned blockBytes, LComparator* comparator, bool isSorted,
         bool keepSorted);
  virtual ~LArray();
  // An array is never copied: its items, attached arrays and comparator
  // have one owner.
  LArray(const LArray&) = delete;
  LArray& operator=(const LArray&) = delete;

  // --- queries
  unsigned GetCount() const { return count_; }
  unsigned GetDataSize() const { return dataSize_; }
  unsigned GetAllocatedSize() const { return allocated_; }
  virtual unsigned GetItemSize(int index) const;
  bool ValidIndex(int& index) const {
    if (index == kLastIndex) index = static_cast<int>(count_);
    return index >= 1 && static_cast<unsigned>(index) <= count_;
  }
  bool IsSorted() const { return sorted_; }
  bool IsKeptSorted() const { return keepSorted_; }
  bool IsLocked() const { return lockCount_ != 0; }
  // False for the variable arrays, whose items each have their own size.
  bool HasFixedItems() const { return fixedItems_; }
  void* GetItemsHandle() const { return items_; }
  const char* GetClassName() const { return className_; }
  LComparator* GetComparator() const { return comparator_; }
  LComparator* GetAuxComparator() const { return auxComparator_; }

  // --- reading items
  virtual bool FetchItemAt(int index, void* out) const;
  // Copies at most `size` bytes and sets `size` to the number copied.
  virtual bool FetchItemAt(int index, void* out, unsigned& size) const;
  virtual int FetchIndexOf(const void* item, unsigned size = 0) const;
  // The address of a valid item; null for an index outside 1..count.
  virtual void* GetItemPtr(int index) const;
  virtual void PeekItem(int index, void* out) const;
  virtual void PokeItem(int index, const void* data, unsigned size);
  virtual int FetchItemOf(const void* item, void* out) const;

  // --- changing items (each answers the index it worked on, or 0)
  virtual int AddItem(const void* item, unsigned size = 0);
  virtual int InsertItemsAt(unsigned n, int index, const void* item, unsigned size = 0);
  virtual int RemoveItemsAt(unsigned n, int index);
  virtual int AssignItemsAt(unsigned n, int index, const void* item, unsigned size = 0);
  virtual void SwapItems(int a, int b);
  virtual void MoveItem(int from, int to);
  virtual int Remove(const void* item, unsigned size = 0);
  void RemoveAllItemsAfter(int index);
  virtual void Flush();
  virtual int InsertItemExclusive(const void* item, unsigned size);
  virtual int InsertItemExclusiveEx(const void* item, unsigned size);
  // Frees the current block and adopts `block` (`blockBytes` from
  // std::malloc); count 0 means the whole block.
  void SetItemsHandle(void* block, unsigned blockBytes, std::int32_t count);

  // --- sorting and searching
  virtual void Sort();
  void SetKeepSorted(bool keepSorted);
  void InvalidateSort() { sorted_ = false; }
  void SetComparator(LComparator* comparator, bool owns);
  void _SetComparator(LComparator* comparator, bool isSorted);
  virtual void SetAuxComparator(LComparator* comparator, bool owns);
  virtual int FetchIndexOfKey(const void* key) const;
  virtual int FetchInsertIndexOf(const void* item, unsigned size) const;
  virtual int FetchInsertIndexOfKey(const void* key) const;
  int FirstIndexOf(const void* item) const;
  virtual int FirstThat(const void* item, unsigned size) const;
  virtual int LastThat(const void* item, unsigned size) const;
  virtual int HowMany(const void* item, unsigned size) const;
  virtual int LoadOnList(const void* item, LArray* list, bool fill, std::int32_t size) const;

  // --- locking
  void Lock() const { ++lockCount_; }
  void Unlock() const { --lockCount_; }

  // --- iterators
  void AttachIterator(LArrayIterator* iterator) const;
  void DetachIterator(LArrayIterator* iterator) const;
  void ItemsInserted(unsigned n, int index) const;
  void ItemsRemoved(unsigned n, int index) const;

  // --- sizes and allocation
  virtual void AdjustAllocation(unsigned moreItems, unsigned moreBytes);
  virtual unsigned GrabItemSize(int index) const;
  virtual std::uint64_t GrabItemRangeSize(int first, int last) const;
  virtual unsigned GetMinSize() const { return minSize_; }
  virtual void SetMinSize(unsigned minSize) { minSize_ = minSize != 0 ? minSize : 1; }
  virtual std::uint64_t GetMemoryUsedSize() const;

  // --- attached arrays: owned, saved and loaded after this array's items.
  // Attaching to a slot destroys the array it held.
  void AttachArray(int slot, LArray* array);
  LArray* GetAttachedArray(int slot) const;

  // --- serialization
  void SetClassName(const char* name);
  virtual std::uint64_t GetSerializedDataSize() const;
  // Writes the block at the file's position; false when a write failed.
  virtual bool EcritDans(FileHandle* file) const;
  // Reads a block at the file's position; false for a damaged block or a
  // failed read (GetReadFailure() then tells why).
  virtual bool LitDans(FileHandle* file);
  const char* GetReadFailure() const { return readFailure_; }

 protected:
  // Storage steps, redefined by the variable arrays. Sizes in bytes are
  // 64-bit so that no sum overflows before it is checked.
  virtual void InternalAdjustAllocation(unsigned count, std::uint64_t bytes);
  virtual void AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes);
  // Moves items first..last by deltaItems places (deltaBytes bytes).
  virtual void ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes);
  // Writes n copies of `item` (size bytes; null: zero bytes) at index..index+n-1.
  virtual void StoreNewItems(unsigned n, int index, const void* item, unsigned size);
  virtual void InternalSwapItems(int a, int b, void* buffer);
  virtual void InternalMoveItem(int from, int to, void* buffer);
  virtual void InternalCopyItem(int from, int to);
  // Empties the array after a refused block.
  virtual void ClearAfterFailedRead();

  // Insertion with a size already resolved (no fallback of 0 to the item
  // size): the body of InsertItemsAt.
  int InsertResolved(unsigned n, int index, const void* item, unsigned size);
  unsigned ResolveSize(unsigned size) const { return size != 0 ? size : itemSize_; }

  // The header and the items; `variableItems` selects the rules of a
  // variable array (item size 0 or 4, data size independent of the count).
  // On success the attached arrays have been read too.
  bool ReadMainBlock(FileHandle* file, bool variableItems);
  bool WriteMainBlock(FileHandle* file) const;
  bool Refuse(const char* reason) {
    readFailure_ = reason;
    ClearAfterFailedRead();
    return false;
  }

  // Hot-path item access without a virtual call for fixed arrays.
  const unsigned char* ItemAddr(int index) const {
    return fixedItems_ ? items_ + static_cast<std::size_t>(index - 1) * itemSize_
                       : static_cast<const unsigned char*>(GetItemPtr(index));
  }
  unsigned ItemBytes(int index) const { return fixedItems_ ? itemSize_ : GrabItemSize(index); }

  int BinarySearch(const void* item, unsigned size) const;
  // The halving of BinarySearch with the first-word order of LLongComparator
  // inlined: same probes, same answer, no call per probe.
  int BinarySearchLong(const void* item, unsigned size) const;
  // True when the comparator in force is exactly LLongComparator over fixed
  // items of at least 4 bytes; recomputed wherever the comparator changes.
  void RefreshLongKeys() {
    longKeys_ = fixedItems_ && itemSize_ >= 4 && comparator_ != nullptr &&
                typeid(*comparator_) == typeid(LLongComparator);
  }
  int BinarySearchByKey(const void* key) const;
  int LinearSearch(const void* item, unsigned size) const;
  int LinearSearchByKey(const void* key) const;

  // Raw block management shared with the variable arrays.
  void ReallocateItems(std::uint64_t bytes);

  unsigned itemSize_ = 4;
  unsigned count_ = 0;
  unsigned dataSize_ = 0;
  unsigned allocated_ = 0;
  unsigned char* items_ = nullptr;
  mutable std::int32_t lockCount_ = 0;
  mutable LArrayIterator* firstIterator_ = nullptr;
  LComparator* comparator_ = nullptr;
  bool ownsComparator_ = false;
  bool sorted_ = true;
  bool keepSorted_ = false;
  unsigned allocationRequests_ = 0;
  unsigned ignoredShrinks_ = 0;
  unsigned minSize_ = kDefaultMinSize;
  bool ownsAuxComparator_ = true;
  LComparator* auxComparator_ = nullptr;
  LArray* attached_[kAttachedSlots] = {};
  char className_[kNameSize] = {};
  // False for the variable arrays, whose item size field is not the size of
  // their items.
  bool fixedItems_ = true;
  const char* readFailure_ = nullptr;
  bool longKeys_ = false;

  friend class LComparatorSwapper;

 private:
  void InitArray(unsigned itemSize, LComparator* comparator, bool keepSorted);
};

// Locks an array for the life of the object.
class StArrayLocker {
 public:
  explicit StArrayLocker(const LArray& array) : array_(array) { array_.Lock(); }
  ~StArrayLocker() { array_.Unlock(); }
  StArrayLocker(const StArrayLocker&) = delete;
  StArrayLocker& operator=(const StArrayLocker&) = delete;

 private:
  const LArray& array_;
};

// Puts the aux comparator of an array in place of its main comparator for the
// life of the object (the sorted flag is kept, ownership untouched).
class LComparatorSwapper {
 public:
  explicit LComparatorSwapper(LArray& array) : array_(array) {
    std::swap(array_.comparator_, array_.auxComparator_);
    array_.RefreshLongKeys();
  }
  ~LComparatorSwapper() {
    std::swap(array_.comparator_, array_.auxComparator_);
    array_.RefreshLongKeys();
  }
  LComparatorSwapper(const LComparatorSwapper&) = delete;
  LComparatorSwapper& operator=(const LComparatorSwapper&) = delete;

 private:
  LArray& array_;
};

}  // namespace genvora
