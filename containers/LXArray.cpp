// LXArray: record operations by code over a variable array.
#include "containers/LXArray.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace genvora {

LXArray::LXArray(const char* className, bool indexed) : LVariableArray(nullptr, false) {
  SetClassName(className);
  InitInstance(indexed);
}

void LXArray::InitInstance(bool indexed) {
  indexed_ = indexed;
  if (!indexed) return;
  codeList_ = new LArray(kPairSize, new LLongComparator, true);
  std::string name = std::string(GetClassName()) + "-IDList";
  codeList_->SetClassName(name.c_str());
  AttachArray(kCodeListSlot, codeList_);
}

int LXArray::FindCode(std::uint32_t code, std::uint32_t& itemIndex) const {
  if (codeList_ == nullptr) return 0;
  std::uint32_t pair[2] = {code, 0};
  int position = codeList_->FetchIndexOf(pair, kPairSize);
  if (position == 0 || !codeList_->FetchItemAt(position, pair)) return 0;
  itemIndex = pair[1];
  return position;
}

int LXArray::EcritData(std::uint32_t code, const void* data, unsigned size) {
  if (codeList_ == nullptr) return 0;
  std::uint32_t itemIndex = 0;
  int position = FindCode(code, itemIndex);
  if (position != 0) {
    PokeItem(static_cast<int>(itemIndex), data, size);
    return position;
  }
  // The size is taken as given: an empty record is an empty item, never the
  // item-size fallback of AddItem.
  int added = InsertResolved(1, kLastIndex, data, size);
  if (added == 0) return 0;
  std::uint32_t pair[2] = {code, static_cast<std::uint32_t>(added)};
  return codeList_->AddItem(pair, kPairSize);
}

unsigned LXArray::FetchData(std::uint32_t code, void* buffer, unsigned bufferSize) {
  std::uint32_t itemIndex = 0;
  if (FindCode(code, itemIndex) == 0) return 0;
  const int index = static_cast<int>(itemIndex);
  const unsigned stored = GetItemSize(index);
  if (stored > bufferSize) {
    if (bufferSize != 0) std::memcpy(buffer, GetItemPtr(index), bufferSize);
    return stored;
  }
  if (!FetchItemAt(index, buffer)) {
    ShowMisuse("LXArray::FetchData(codeIDT,void*,Uint32)Error occur during data fetching!!");
    return 0;
  }
  return stored;
}

int LXArray::DeleteData(std::uint32_t code) {
  std::uint32_t itemIndex = 0;
  int position = FindCode(code, itemIndex);
  if (position == 0) return 0;
  RemoveItemsAt(1, static_cast<int>(itemIndex));
  codeList_->RemoveItemsAt(1, position);
  StArrayLocker locker(*codeList_);
  const int pairs = static_cast<int>(codeList_->GetCount());
  for (int k = 1; k <= pairs; ++k) {
    auto* pair = static_cast<std::uint32_t*>(codeList_->GetItemPtr(k));
    std::uint32_t index;
    std::memcpy(&index, reinterpret_cast<unsigned char*>(pair) + 4, 4);
    if (index > itemIndex) {
      --index;
      std::memcpy(reinterpret_cast<unsigned char*>(pair) + 4, &index, 4);
    }
  }
  return 0;
}

}  // namespace genvora
