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
//     after the removed item in one pass.
//
// On disk: the store's LArray header and records, the code list's block (when
// the store holds data), then the store's offsets block.
#pragma once

#include <cstdint>

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
  // Removes the record; answers 0, and does nothing for an unknown code.
  virtual int DeleteData(std::uint32_t code);

  LArray* GetCodeList() const { return codeList_; }

 protected:
  void InitInstance(bool indexed);

 private:
  // Position of `code` in the code list and the item index it names.
  int FindCode(std::uint32_t code, std::uint32_t& itemIndex) const;

  LArray* codeList_ = nullptr;  // owned through attached slot 0
  bool indexed_ = false;
};

}  // namespace genvora
