// Iterators over an LArray that stay valid while the array changes.
//
// An LArrayIterator sits in its array's chain of iterators; the array tells it
// of every insertion and removal and of its own death, so a walk survives
// changes made during it (a removal of the current item makes the next step
// land on the item that followed it).
//
// Indices: besides 0 (before the first item) and valid indices, the current
// index takes three marker values:
//   kAfterLast (-2)   past the last item;
//   kRemoved (-4)     the current item was removed; the next index still
//                     names the item that followed it;
//   kArrayDied (-6)   the array was destroyed; every call answers false or
//                     null and the iterator no longer touches the array.
// The next index is a valid index or kAfterLast.
#pragma once

#include "containers/LArray.h"

namespace genvora {

class LArrayIterator {
 public:
  static constexpr int kAfterLast = -2;
  static constexpr int kRemoved = -4;
  static constexpr int kArrayDied = -6;

  LArrayIterator(const LArray& array, int position);
  ~LArrayIterator();
  LArrayIterator(const LArrayIterator&) = delete;
  LArrayIterator& operator=(const LArrayIterator&) = delete;

  // 0: before the first item; 1..count: on that item; anything else: after
  // the last item.
  void ResetTo(int position);

  bool Current(void* out);
  bool Current(void* out, unsigned& size);
  bool Next(void* out);
  bool Next(void* out, unsigned& size);
  bool Previous(void* out);
  bool Previous(void* out, unsigned& size);
  void* PtrToCurrent();
  void* PtrToCurrent(unsigned& size);
  void* PtrToNext();
  void* PtrToNext(unsigned& size);
  void* PtrToPrevious();
  void* PtrToPrevious(unsigned& size);

  int CurrentIndex() const { return current_; }
  int NextIndex() const { return next_index_; }
  const LArray* Array() const { return current_ == kArrayDied ? nullptr : array_; }

  // Called by the array.
  void ArrayDied();
  void ItemsInserted(unsigned n, int at);
  void ItemsRemoved(unsigned n, int at);

 protected:
  void ComputeNext();
  void StepForward();
  void StepBack();
  bool Dead() const { return current_ == kArrayDied; }

  LArrayIterator* next_ = nullptr;  // the array's chain
  const LArray* array_;
  int current_ = 0;
  int next_index_ = 0;

  friend class LArray;
};

// Walks a fixed array by address, without a call per item. The array stays
// locked for the iterator's whole life, so the block cannot move under it.
class LFastArrayIterator : public LArrayIterator {
 public:
  LFastArrayIterator(const LArray& array, int position);
  virtual ~LFastArrayIterator();

  void ResetTo(int position);
  // A size of 0 means the recorded item size; a larger size is cut to it.
  bool Current(void* out, unsigned size = 0);
  bool Next(void* out, unsigned size = 0);
  bool Previous(void* out, unsigned size = 0);
  int Position() const { return position_; }

 private:
  const unsigned char* item_ = nullptr;
  unsigned itemSize_ = 0;
  int position_ = 0;
};

}  // namespace genvora
