// LXArray: the indexed store of a table. Records of variable length are items
// of an LVariableArray, written, fetched and deleted by record code through a
// code list of (code, item index) pairs.
//
// Invariants:
//  1. The code list is attached array slot 0, named "<class name>-IDList",
//     kept sorted by code, so it travels with the store in its block and a
//     lookup is a binary search.
//  2. Items are in the order their codes were first written; each pair names
//     the index of its record's item, and a deletion renumbers the pairs
//     after the removed item in one pass. DeleteDatas removes many records
//     with one pass over the items and one over the code list.
//  3. Rewriting a record with a new size does not move the items behind it
//     at once: the new bytes wait beside the block (FetchData answers them)
//     and are laid in, all in one pass, before anything else reads or
//     changes the items, before saving, and as soon as the waiting bytes
//     exceed half the block. The block, its offsets and the saved bytes are
//     then exactly those that resizing each record in place gives.
//
// On disk: the store's LArray header and records, the code list's block (when
// the store holds data), then the store's offsets block.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "containers/LVariableArray.h"

namespace genvora {

class LXArray : public LVariableArray {
 public:
  // Attached array slot of the code list.
  static constexpr int kCodeListSlot = 0;
  static constexpr unsigned kPairSize = 8;  // code, item index: unsigned 32-bit each

  LXArray(const char* className, bool indexed);

  // Stores `size` bytes as the record `code`: a new code appends an item, a
  // known one is overwritten and resized in place. Answers the position of the
  // code in the code list, 0 on failure.
  virtual int EcritData(std::uint32_t code, const void* data, unsigned size);
  // Copies the record into `buffer` (cut to `bufferSize`) and answers its
  // stored size, so a caller with too small a buffer can retry; 0 when absent.
  virtual unsigned FetchData(std::uint32_t code, void* buffer, unsigned bufferSize);
  // Where the record lies, without copying it, for readers that decode it at
  // once: false when the code has no entry. The bytes stay valid until the
  // store next changes. One search of the code list, where FetchData's
  // ask-then-copy needs two.
  bool PeekData(std::uint32_t code, const unsigned char*& bytes, unsigned& size) const;
  // Removes the record; answers 0, and does nothing for an unknown code.
  virtual int DeleteData(std::uint32_t code);
  // Removes every listed record (unknown and repeated codes are ignored) in
  // one pass: the same store and code list as DeleteData for each in turn.
  void DeleteDatas(const std::vector<std::uint32_t>& codes);
  // Lays the waiting rewrites into the block (invariant 3).
  void Compacte() const;

  LArray* GetCodeList() const { return codeList_; }

  // Everything that reads or changes the items sees them laid in first.
  unsigned GetDataSize() const {
    Compacte();
    return LArray::GetDataSize();
  }
  void* GetItemsHandle() const {
    Compacte();
    return LArray::GetItemsHandle();
  }
  const std::uint32_t* GetOffsetsHandle() const {
    Compacte();
    return LVariableArray::GetOffsetsHandle();
  }
  std::uint32_t GetItemOffset(int index) const {
    Compacte();
    return LVariableArray::GetItemOffset(index);
  }
  unsigned GetItemSize(int index) const override;
  void* GetItemPtr(int index) const override;
  unsigned GrabItemSize(int index) const override;
  std::uint64_t GrabItemRangeSize(int first, int last) const override;
  bool FetchItemAt(int index, void* out) const override;
  bool FetchItemAt(int index, void* out, unsigned& size) const override;
  int FetchIndexOf(const void* item, unsigned size = 0) const override;
  void PeekItem(int index, void* out) const override;
  void PokeItem(int index, const void* data, unsigned size) override;
  int FetchItemOf(const void* item, void* out) const override;
  int AddItem(const void* item, unsigned size = 0) override;
  int InsertItemsAt(unsigned n, int index, const void* item, unsigned size = 0) override;
  int RemoveItemsAt(unsigned n, int index) override;
  int AssignItemsAt(unsigned n, int index, const void* item, unsigned size = 0) override;
  void SwapItems(int a, int b) override;
  void MoveItem(int from, int to) override;
  int Remove(const void* item, unsigned size = 0) override;
  void Flush() override;
  int InsertItemExclusive(const void* item, unsigned size) override;
  int InsertItemExclusiveEx(const void* item, unsigned size) override;
  void Sort() override;
  int FetchIndexOfKey(const void* key) const override;
  int FetchInsertIndexOf(const void* item, unsigned size) const override;
  int FetchInsertIndexOfKey(const void* key) const override;
  int FirstThat(const void* item, unsigned size) const override;
  int LastThat(const void* item, unsigned size) const override;
  int HowMany(const void* item, unsigned size) const override;
  int LoadOnList(const void* item, LArray* list, bool fill, std::int32_t size) const override;
  void AdjustAllocation(unsigned moreItems, unsigned moreBytes) override;
  std::uint64_t GetMemoryUsedSize() const override;
  std::uint64_t GetSerializedDataSize() const override;
  bool EcritDans(FileHandle* file) const override;
  bool LitDans(FileHandle* file) override;

 protected:
  void InitInstance(bool indexed);

 private:
  // Position of `code` in the code list and the item index it names.
  int FindCode(std::uint32_t code, std::uint32_t& itemIndex) const;

  // Drops the waiting rewrites: the items they were for are gone.
  void ForgetPending() const {
    pending_.clear();
    pendingBytes_ = 0;
  }

  LArray* codeList_ = nullptr;  // owned through attached slot 0
  bool indexed_ = false;
  // Rewrites waiting to be laid in, by item index, and their byte count.
  mutable std::map<std::uint32_t, std::vector<unsigned char>> pending_;
  mutable std::uint64_t pendingBytes_ = 0;
};

}  // namespace genvora
