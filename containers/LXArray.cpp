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
    // PokeItem ignores these too: no bytes, or a pair naming no item (a
    // damaged code list).
    if ((data == nullptr && size != 0) || itemIndex < 1 || itemIndex > count_) return position;
    auto waiting = pending_.find(itemIndex);
    if (waiting != pending_.end()) {
      pendingBytes_ = pendingBytes_ - waiting->second.size() + size;
      waiting->second.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
    } else if (size == LVariableArray::GrabItemSize(static_cast<int>(itemIndex))) {
      // Same size: overwritten where it lies, nothing moves (and nothing
      // waiting is laid in: the other items keep their places).
      if (size != 0) std::memcpy(LVariableArray::GetItemPtr(static_cast<int>(itemIndex)), data, size);
      return position;
    } else {
      const auto* bytes = static_cast<const unsigned char*>(data);
      pending_.emplace(itemIndex, std::vector<unsigned char>(bytes, bytes + size));
      pendingBytes_ += size;
    }
    // Laying in costs one pass over the block: it waits until the rewrites
    // are worth half of it (or touch half the items).
    // A block that would outgrow 32-bit sizes is refused now, by the
    // write that grows it, not by a later reader.
    if (pendingBytes_ > dataSize_ / 2 + 4096 || pending_.size() > count_ / 2 + 64 ||
        dataSize_ + pendingBytes_ > 0xFFFFFFFFull)
      Compacte();
    return position;
  }
  // A new record goes after the others: the waiting rewrites keep their
  // item indexes.
  if (keepSorted_) Compacte();
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
  auto waiting = pending_.find(itemIndex);
  if (waiting != pending_.end()) {
    const auto stored = static_cast<unsigned>(waiting->second.size());
    const unsigned copied = stored > bufferSize ? bufferSize : stored;
    if (copied != 0) std::memcpy(buffer, waiting->second.data(), copied);
    return stored;
  }
  // The other items lie where they always did: reading one lays nothing in.
  const int index = static_cast<int>(itemIndex);
  const unsigned stored = LVariableArray::GetItemSize(index);
  if (stored > bufferSize) {
    if (bufferSize != 0) std::memcpy(buffer, LVariableArray::GetItemPtr(index), bufferSize);
    return stored;
  }
  int checked = index;
  if (!ValidIndex(checked)) {
    ShowMisuse("LXArray::FetchData(codeIDT,void*,Uint32)Error occur during data fetching!!");
    return 0;
  }
  const unsigned size = LVariableArray::GrabItemSize(checked);
  if (size != 0) std::memcpy(buffer, LVariableArray::GetItemPtr(checked), size);
  return stored;
}

bool LXArray::PeekData(std::uint32_t code, const unsigned char*& bytes, unsigned& size) const {
  bytes = nullptr;
  size = 0;
  std::uint32_t itemIndex = 0;
  if (FindCode(code, itemIndex) == 0) return false;
  auto waiting = pending_.find(itemIndex);
  if (waiting != pending_.end()) {
    bytes = waiting->second.data();
    size = static_cast<unsigned>(waiting->second.size());
    return true;
  }
  int index = static_cast<int>(itemIndex);
  if (!ValidIndex(index)) {
    // A pair naming no item: present and empty, as FetchData answers it.
    ShowMisuse("LXArray::FetchData(codeIDT,void*,Uint32)Error occur during data fetching!!");
    return true;
  }
  size = LVariableArray::GrabItemSize(index);
  bytes = static_cast<const unsigned char*>(LVariableArray::GetItemPtr(index));
  if (bytes == nullptr) size = 0;
  return true;
}

int LXArray::DeleteData(std::uint32_t code) {
  std::uint32_t itemIndex = 0;
  int position = FindCode(code, itemIndex);
  if (position == 0) return 0;
  Compacte();
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

void LXArray::DeleteDatas(const std::vector<std::uint32_t>& codes) {
  if (codeList_ == nullptr || codes.empty()) return;
  Compacte();
  // The items and code-list positions of the records, each once.
  std::vector<bool> removedItem(static_cast<std::size_t>(count_) + 1, false);
  std::vector<bool> removedPair(static_cast<std::size_t>(codeList_->GetCount()) + 1, false);
  unsigned pairsRemoved = 0;
  bool oneByOne = codeList_->IsLocked() || IsLocked();
  for (std::uint32_t code : codes) {
    std::uint32_t itemIndex = 0;
    const int position = FindCode(code, itemIndex);
    if (position == 0 || removedPair[static_cast<std::size_t>(position)]) continue;
    removedPair[static_cast<std::size_t>(position)] = true;
    ++pairsRemoved;
    // A pair naming no item, or an item another pair names too, is damage
    // whose one-by-one outcome depends on the order: keep that order.
    if (itemIndex < 1 || itemIndex > count_ || removedItem[itemIndex]) oneByOne = true;
    if (!oneByOne) removedItem[itemIndex] = true;
  }
  if (pairsRemoved == 0) return;
  if (oneByOne) {
    // The one-by-one path, refusals and all.
    for (std::uint32_t code : codes) DeleteData(code);
    return;
  }
  // How many removed items lie below each index: a surviving pair's index
  // drops by that much, as the one-by-one renumbering would drop it.
  std::vector<std::uint32_t> removedBelow(removedItem.size(), 0);
  for (std::size_t index = 1; index < removedItem.size(); ++index)
    removedBelow[index] = removedBelow[index - 1] + (removedItem[index - 1] ? 1 : 0);
  RemoveFlaggedItems(removedItem);
  // The surviving pairs slide down in place; the list is cut after them.
  const int pairs = static_cast<int>(codeList_->GetCount());
  int kept = 0;
  for (int k = 1; k <= pairs; ++k) {
    if (removedPair[static_cast<std::size_t>(k)]) continue;
    auto* pair = static_cast<unsigned char*>(codeList_->GetItemPtr(k));
    std::uint32_t index;
    std::memcpy(&index, pair + 4, 4);
    // An index past the items (a damaged list) drops by every removal, as
    // it would one by one.
    index -= index < removedBelow.size() ? removedBelow[index] : pairsRemoved;
    std::memcpy(pair + 4, &index, 4);
    ++kept;
    if (kept != k) std::memcpy(codeList_->GetItemPtr(kept), pair, kPairSize);
  }
  codeList_->RemoveAllItemsAfter(kept);
}

void LXArray::Compacte() const {
  if (pending_.empty()) return;
  std::vector<std::pair<int, std::vector<unsigned char>>> contents;
  contents.reserve(pending_.size());
  for (auto& [index, bytes] : pending_) contents.emplace_back(static_cast<int>(index), std::move(bytes));
  ForgetPending();
  // Laying the bytes in changes no record: the store only looks const.
  const_cast<LXArray*>(this)->ReplaceItems(contents);
}

// Each accessor lays the waiting rewrites in, then does what it always did.
unsigned LXArray::GetItemSize(int index) const {
  Compacte();
  return LVariableArray::GetItemSize(index);
}
void* LXArray::GetItemPtr(int index) const {
  Compacte();
  return LVariableArray::GetItemPtr(index);
}
unsigned LXArray::GrabItemSize(int index) const {
  Compacte();
  return LVariableArray::GrabItemSize(index);
}
std::uint64_t LXArray::GrabItemRangeSize(int first, int last) const {
  Compacte();
  return LVariableArray::GrabItemRangeSize(first, last);
}
bool LXArray::FetchItemAt(int index, void* out) const {
  Compacte();
  return LVariableArray::FetchItemAt(index, out);
}
bool LXArray::FetchItemAt(int index, void* out, unsigned& size) const {
  Compacte();
  return LVariableArray::FetchItemAt(index, out, size);
}
int LXArray::FetchIndexOf(const void* item, unsigned size) const {
  Compacte();
  return LVariableArray::FetchIndexOf(item, size);
}
void LXArray::PeekItem(int index, void* out) const {
  Compacte();
  LVariableArray::PeekItem(index, out);
}
void LXArray::PokeItem(int index, const void* data, unsigned size) {
  Compacte();
  LVariableArray::PokeItem(index, data, size);
}
int LXArray::FetchItemOf(const void* item, void* out) const {
  Compacte();
  return LVariableArray::FetchItemOf(item, out);
}
int LXArray::AddItem(const void* item, unsigned size) {
  Compacte();
  return LVariableArray::AddItem(item, size);
}
int LXArray::InsertItemsAt(unsigned n, int index, const void* item, unsigned size) {
  Compacte();
  return LVariableArray::InsertItemsAt(n, index, item, size);
}
int LXArray::RemoveItemsAt(unsigned n, int index) {
  Compacte();
  return LVariableArray::RemoveItemsAt(n, index);
}
int LXArray::AssignItemsAt(unsigned n, int index, const void* item, unsigned size) {
  Compacte();
  return LVariableArray::AssignItemsAt(n, index, item, size);
}
void LXArray::SwapItems(int a, int b) {
  Compacte();
  LVariableArray::SwapItems(a, b);
}
void LXArray::MoveItem(int from, int to) {
  Compacte();
  LVariableArray::MoveItem(from, to);
}
int LXArray::Remove(const void* item, unsigned size) {
  Compacte();
  return LVariableArray::Remove(item, size);
}
void LXArray::Flush() {
  Compacte();
  LVariableArray::Flush();
}
int LXArray::InsertItemExclusive(const void* item, unsigned size) {
  Compacte();
  return LVariableArray::InsertItemExclusive(item, size);
}
int LXArray::InsertItemExclusiveEx(const void* item, unsigned size) {
  Compacte();
  return LVariableArray::InsertItemExclusiveEx(item, size);
}
void LXArray::Sort() {
  Compacte();
  LVariableArray::Sort();
}
int LXArray::FetchIndexOfKey(const void* key) const {
  Compacte();
  return LVariableArray::FetchIndexOfKey(key);
}
int LXArray::FetchInsertIndexOf(const void* item, unsigned size) const {
  Compacte();
  return LVariableArray::FetchInsertIndexOf(item, size);
}
int LXArray::FetchInsertIndexOfKey(const void* key) const {
  Compacte();
  return LVariableArray::FetchInsertIndexOfKey(key);
}
int LXArray::FirstThat(const void* item, unsigned size) const {
  Compacte();
  return LVariableArray::FirstThat(item, size);
}
int LXArray::LastThat(const void* item, unsigned size) const {
  Compacte();
  return LVariableArray::LastThat(item, size);
}
int LXArray::HowMany(const void* item, unsigned size) const {
  Compacte();
  return LVariableArray::HowMany(item, size);
}
int LXArray::LoadOnList(const void* item, LArray* list, bool fill, std::int32_t size) const {
  Compacte();
  return LVariableArray::LoadOnList(item, list, fill, size);
}
void LXArray::AdjustAllocation(unsigned moreItems, unsigned moreBytes) {
  Compacte();
  LVariableArray::AdjustAllocation(moreItems, moreBytes);
}
std::uint64_t LXArray::GetMemoryUsedSize() const {
  Compacte();
  return LVariableArray::GetMemoryUsedSize();
}
std::uint64_t LXArray::GetSerializedDataSize() const {
  Compacte();
  return LVariableArray::GetSerializedDataSize();
}
bool LXArray::EcritDans(FileHandle* file) const {
  Compacte();
  return LVariableArray::EcritDans(file);
}
bool LXArray::LitDans(FileHandle* file) {
  ForgetPending();
  return LVariableArray::LitDans(file);
}

}  // namespace genvora
