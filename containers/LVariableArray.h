// LVariableArray: an LArray whose items each have their own size, packed in
// index order in the item block and located through a table of end offsets.
//
// Invariants:
//  1. For count n the offsets table holds n + 1 meaningful entries: entry 0
//     is 0, entry i is the byte offset where item i ends (and item i + 1
//     begins), entries never decrease, and entry n is the data size. Item i
//     occupies bytes entry[i-1] .. entry[i] - 1.
//  2. The offsets table has room for count rounded up to 512 entries, plus
//     one; unlike the item block it follows the count down as well as up.
//  3. The item size field is 0 for an array built in memory and 4 once the
//     array has been read from a file (the entry size of its offsets block);
//     it is written back as it is, and a size argument of 0 falls back to it.
//
// Serialized form: the LArray block (header, items, attached arrays), then,
// only when the count is not 0, the offsets block, little-endian:
//
// | offset | size          | field                                          |
// |--------|---------------|------------------------------------------------|
// | 0      | 4             | signature C0 DE CA FE                          |
// | 4      | 40            | class name + "-ItemSize", NUL-padded, cut at 40|
// | 44     | 12            | entry size 4 ("00000000004" and a NUL)         |
// | 56     | 12            | count + 1, 11 digits and a NUL                 |
// | 68     | 12            | (count + 1) x 4, 11 digits and a NUL           |
// | 80     | (count + 1)x4 | entries 0 to count, unsigned 32-bit            |
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "containers/LArray.h"

namespace genvora {

class LVariableArray : public LArray {
 public:
  static constexpr unsigned kOffsetsGranularity = 512;  // entries
  static constexpr unsigned kEntrySize = 4;             // on disk, never changes

  // A null comparator selects the shared byte comparator.
  LVariableArray(LComparator* comparator, bool keepSorted);
  // Adopts two blocks from std::malloc: `itemsBytes` bytes of items and
  // `offsetsBytes` bytes of entries (count + 1 of them). Offsets that break
  // invariant 1 raise EGenvoraError.
  LVariableArray(void* itemsBlock, unsigned itemsBytes, unsigned* offsetsBlock, unsigned offsetsBytes,
                 LComparator* comparator, bool isSorted, bool keepSorted);
  ~LVariableArray() override;

  unsigned GetItemSize(int index) const override;
  void* GetItemPtr(int index) const override;
  unsigned GrabItemSize(int index) const override;
  std::uint64_t GrabItemRangeSize(int first, int last) const override;
  void PokeItem(int index, const void* data, unsigned size) override;
  int AssignItemsAt(unsigned n, int index, const void* item, unsigned size = 0) override;
  void AdjustAllocation(unsigned moreItems, unsigned moreBytes) override;
  void Sort() override;
  std::uint64_t GetSerializedDataSize() const override;
  bool EcritDans(FileHandle* file) const override;
  bool LitDans(FileHandle* file) override;

  // Bulk changes in one pass over the block, for stores that change many
  // records at once; each leaves the very array the one-by-one changes
  // (RemoveItemsAt, PokeItem) in any order would leave. Refused with the
  // misuse message while the array is locked.
  // Removes the items whose 1-based index is flagged (`flagged[index]`;
  // indexes past the vector are kept). Answers how many were removed.
  unsigned RemoveFlaggedItems(const std::vector<bool>& flagged);
  // Gives items new contents: `contents` pairs distinct 1-based indexes, in
  // ascending order, with their new bytes.
  void ReplaceItems(const std::vector<std::pair<int, std::vector<unsigned char>>>& contents);

  const std::uint32_t* GetOffsetsHandle() const { return offsets_; }
  // Where item `index` begins in the item block; 0 for an invalid index.
  std::uint32_t GetItemOffset(int index) const;

 protected:
  void InternalAdjustAllocation(unsigned count, std::uint64_t bytes) override;
  void AdjustStorage(std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void ShiftItems(int first, int last, std::int64_t deltaItems, std::int64_t deltaBytes) override;
  void StoreNewItems(unsigned n, int index, const void* item, unsigned size) override;
  void InternalSwapItems(int a, int b, void* buffer) override;
  void InternalMoveItem(int from, int to, void* buffer) override;
  void InternalCopyItem(int from, int to) override;
  void ClearAfterFailedRead() override;

 private:
  void ReserveOffsets(unsigned count);
  bool ReadOffsetsBlock(FileHandle* file);

  std::uint32_t* offsets_ = nullptr;
  unsigned offsetsCapacity_ = 0;  // entries
};

}  // namespace genvora
