// Iterator bookkeeping across insertions, removals and the array's death.
#include "containers/LArrayIterator.h"

#include <cstring>

namespace genvora {

LArrayIterator::LArrayIterator(const LArray& array, int position) : array_(&array) {
  array_->AttachIterator(this);
  ResetTo(position);
}

LArrayIterator::~LArrayIterator() {
  if (!Dead()) array_->DetachIterator(this);
}

void LArrayIterator::ResetTo(int position) {
  if (Dead()) return;
  int count = static_cast<int>(array_->GetCount());
  current_ = position >= 0 && position <= count ? position : kAfterLast;
  ComputeNext();
}

void LArrayIterator::ComputeNext() {
  if (Dead()) return;
  if (current_ == kAfterLast) {
    next_index_ = kAfterLast;
    return;
  }
  int count = static_cast<int>(array_->GetCount());
  next_index_ = current_ + 1 > count ? kAfterLast : current_ + 1;
}

void LArrayIterator::StepForward() {
  if (Dead()) return;
  current_ = next_index_;
  ComputeNext();
}

void LArrayIterator::StepBack() {
  if (Dead()) return;
  int count = static_cast<int>(array_->GetCount());
  if (current_ == kRemoved)
    current_ = next_index_ == kAfterLast ? count : next_index_ - 1;
  else if (current_ == kAfterLast)
    current_ = count;
  else if (current_ > 0)
    --current_;
  ComputeNext();
}

bool LArrayIterator::Current(void* out) {
  if (Dead()) return false;
  return array_->FetchItemAt(current_ > 0 ? current_ : 0, out);
}

bool LArrayIterator::Current(void* out, unsigned& size) {
  if (Dead()) return false;
  return array_->FetchItemAt(current_ > 0 ? current_ : 0, out, size);
}

bool LArrayIterator::Next(void* out) {
  StepForward();
  return Current(out);
}

bool LArrayIterator::Next(void* out, unsigned& size) {
  StepForward();
  return Current(out, size);
}

bool LArrayIterator::Previous(void* out) {
  StepBack();
  return Current(out);
}

bool LArrayIterator::Previous(void* out, unsigned& size) {
  StepBack();
  return Current(out, size);
}

void* LArrayIterator::PtrToCurrent() {
  unsigned size = 0;
  return PtrToCurrent(size);
}

void* LArrayIterator::PtrToCurrent(unsigned& size) {
  size = 0;
  if (Dead() || current_ < 1 || current_ > static_cast<int>(array_->GetCount())) return nullptr;
  size = array_->GetItemSize(current_);
  return array_->GetItemPtr(current_);
}

void* LArrayIterator::PtrToNext() {
  StepForward();
  return PtrToCurrent();
}

void* LArrayIterator::PtrToNext(unsigned& size) {
  StepForward();
  return PtrToCurrent(size);
}

void* LArrayIterator::PtrToPrevious() {
  StepBack();
  return PtrToCurrent();
}

void* LArrayIterator::PtrToPrevious(unsigned& size) {
  StepBack();
  return PtrToCurrent(size);
}

void LArrayIterator::ArrayDied() {
  current_ = kArrayDied;
  next_index_ = kArrayDied;
  next_ = nullptr;
}

void LArrayIterator::ItemsInserted(unsigned n, int at) {
  if (Dead()) return;
  if (current_ == kRemoved) {
    if (next_index_ != kAfterLast && at <= next_index_) next_index_ += static_cast<int>(n);
    return;
  }
  if (current_ > 0 && at <= current_) current_ += static_cast<int>(n);
  ComputeNext();
}

void LArrayIterator::ItemsRemoved(unsigned n, int at) {
  if (Dead()) return;
  const int removed = static_cast<int>(n);
  const int count = static_cast<int>(array_->GetCount());
  if (current_ == kRemoved) {
    // The item to continue with may itself move or go: follow it, so that a
    // second removal during the same walk neither skips nor repeats items.
    if (next_index_ != kAfterLast && at <= next_index_) {
      next_index_ = at + removed <= next_index_ ? next_index_ - removed : at;
      if (next_index_ > count) next_index_ = kAfterLast;
    }
    return;
  }
  if (current_ <= 0 || at > current_) {
    ComputeNext();
    return;
  }
  if (at + removed <= current_) {
    current_ -= removed;
    ComputeNext();
    return;
  }
  // The current item went: Next continues with the item that followed the
  // removed range.
  current_ = kRemoved;
  next_index_ = at > count ? kAfterLast : at;
}

// ---------------------------------------------------------------- fast iterator

LFastArrayIterator::LFastArrayIterator(const LArray& array, int position) : LArrayIterator(array, position) {
  array.Lock();
  itemSize_ = array.GetCount() != 0 ? array.GetItemSize(1) : array.GetItemSize(0);
  ResetTo(position);
}

LFastArrayIterator::~LFastArrayIterator() {
  if (!Dead()) array_->Unlock();
}

void LFastArrayIterator::ResetTo(int position) {
  if (Dead()) return;
  int count = static_cast<int>(array_->GetCount());
  position_ = position < 0 ? 0 : (position > count + 1 ? count + 1 : position);
  item_ = position_ >= 1 && position_ <= count ? static_cast<const unsigned char*>(array_->GetItemPtr(position_))
                                               : nullptr;
}

bool LFastArrayIterator::Current(void* out, unsigned size) {
  if (Dead() || item_ == nullptr) return false;
  unsigned itemBytes = array_->HasFixedItems() ? itemSize_ : array_->GetItemSize(position_);
  unsigned bytes = size == 0 || size > itemBytes ? itemBytes : size;
  std::memcpy(out, item_, bytes);
  return true;
}

bool LFastArrayIterator::Next(void* out, unsigned size) {
  if (Dead()) return false;
  int count = static_cast<int>(array_->GetCount());
  if (position_ >= 0 && position_ <= count) {
    ++position_;
    if (position_ > count)
      item_ = nullptr;
    else
      item_ = item_ != nullptr && array_->HasFixedItems()
                  ? item_ + itemSize_
                  : static_cast<const unsigned char*>(array_->GetItemPtr(position_));
  }
  return Current(out, size);
}

bool LFastArrayIterator::Previous(void* out, unsigned size) {
  if (Dead()) return false;
  int count = static_cast<int>(array_->GetCount());
  if (position_ >= 1 && position_ <= count + 1) {
    --position_;
    if (position_ < 1)
      item_ = nullptr;
    else
      item_ = item_ != nullptr && array_->HasFixedItems()
                  ? item_ - itemSize_
                  : static_cast<const unsigned char*>(array_->GetItemPtr(position_));
  }
  return Current(out, size);
}

}  // namespace genvora
