// Shared upkeep of the sorted index arrays of the tables.
//
// Invariants:
//  1. Within a run of items that the index's comparator finds equal, items
//     stay in the order they were added (InsertInRun puts a new item after
//     the run), so a rebuild that stable-sorts the entries of the stored
//     records in store order gives the very array that adding them one by
//     one gives.
//  2. StableSortGuarded never reads outside its vector, whatever the
//     comparator answers: orders taken from a damaged file need not be
//     transitive.
//  3. A progress loop reports at most about a hundred times and pumps the
//     host's messages every few thousand steps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "containers/LArray.h"
#include "containers/LComparator.h"
#include "platform/System.h"
#include "platform/Types.h"

namespace genvora {

// The next code of the shared number space; the database hands them out.
class ICodeAllocator {
 public:
  virtual ~ICodeAllocator() = default;
  virtual CodeID GetNextID() = 0;
};

// Reads the little-endian 32-bit word `word` (0-based) of an index item.
inline std::uint32_t ItemWord(const void* item, int word) {
  std::uint32_t value;
  std::memcpy(&value, static_cast<const unsigned char*>(item) + 4 * word, 4);
  return value;
}

// 1-based position after the run of items equal to `item`.
int UpperBoundOf(const LArray& array, const void* item);
// 1-based position of the first item not ordered before `item`.
int LowerBoundOf(const LArray& array, const void* item);
// First item whose first word, compared as the LLongComparator does, is not
// below `key`; count + 1 when none.
int LowerBoundFirstWord(const LArray& array, std::uint32_t key);

// Inserts `item` after its run; the array stays sorted. Answers its index.
int InsertInRun(LArray& array, const void* item);
// Removes the first item whose bytes equal `item`: found in its run, or by
// a scan when the index is out of order. False when absent.
bool RemoveExact(LArray& array, const void* item);
// Index of the first item whose bytes equal `item`, 0 when absent.
int FindExact(const LArray& array, const void* item);
// The item at `from` becomes `item`, at the place InsertInRun gives `item`
// once the item at `from` is gone: the very array that RemoveItemsAt(1,
// from) then InsertInRun(item) leave, with only the items between the two
// places moving. Answers the new index.
int MoveInRun(LArray& array, int from, const void* item);

// Removes the items of a fixed array whose 1-based index is flagged, in one
// pass; the others keep their order. Answers how many went.
unsigned RemoveFlagged(LArray& array, const std::vector<bool>& flagged);

// Replaces the items of a fixed array by `count` items of `items`, already
// in order, in one pass.
void BulkLoad(LArray& array, const void* items, std::size_t count);

// Room for `count` items in a vector that is then filled without growing:
// a large one is backed by huge pages where the system offers them, which
// spares it a fault per page on first use (nothing else changes).
template <typename T>
void ReserveLarge(std::vector<T>& values, std::size_t count) {
  values.reserve(count);
  AdviseLargeBlock(values.data(), values.capacity() * sizeof(T));
}

// Calls `work(begin, end)` on consecutive ranges that cover [0, count), one
// per core, each on a thread of its own (the first on the caller's); one
// range on the caller's thread alone when the count is below `least` per
// core. For work that only reads what every range shares: a store decoded
// record by record into slots of its own.
template <typename Work>
void ForEachRange(std::size_t count, std::size_t least, Work work) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t parts = std::min<std::size_t>({cores, 8, least == 0 ? cores : count / least});
  if (parts <= 1) {
    work(std::size_t{0}, count);
    return;
  }
  std::vector<std::thread> threads;
  std::vector<std::exception_ptr> failures(parts);
  const auto run = [&](std::size_t part) {
    try {
      work(count * part / parts, count * (part + 1) / parts);
    } catch (...) {
      failures[part] = std::current_exception();
    }
  };
  for (std::size_t part = 1; part < parts; ++part) threads.emplace_back(run, part);
  run(0);
  for (std::thread& t : threads) t.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

// Work that runs on a second thread while the caller goes on, when it is
// `large` and the machine has a second core; else at once, on the caller's.
// Wait() joins it and raises what it raised; the destructor only joins, so
// that a caller leaving by an exception never leaves the thread running.
class WorkBeside {
 public:
  template <typename Work>
  WorkBeside(bool large, Work work) {
    if (!large || std::thread::hardware_concurrency() < 2) {
      work();
      return;
    }
    thread_ = std::thread([this, work]() mutable {
      try {
        work();
      } catch (...) {
        failure_ = std::current_exception();
      }
    });
  }
  ~WorkBeside() {
    if (thread_.joinable()) thread_.join();
  }
  WorkBeside(const WorkBeside&) = delete;
  WorkBeside& operator=(const WorkBeside&) = delete;
  void Wait() {
    if (thread_.joinable()) thread_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  std::thread thread_;
  std::exception_ptr failure_;
};

// Stable merge sort that stays within its vector whatever `less` answers.
template <typename T, typename Less>
void StableSortGuarded(std::vector<T>& values, Less less) {
  const std::size_t n = values.size();
  if (n < 2) return;
  std::vector<T> buffer(n);
  std::vector<T>* from = &values;
  std::vector<T>* to = &buffer;
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t left = 0; left < n; left += 2 * width) {
      const std::size_t mid = left + width < n ? left + width : n;
      const std::size_t right = left + 2 * width < n ? left + 2 * width : n;
      std::size_t i = left, j = mid, k = left;
      while (i < mid && j < right) (*to)[k++] = less((*from)[j], (*from)[i]) ? (*from)[j++] : (*from)[i++];
      while (i < mid) (*to)[k++] = (*from)[i++];
      while (j < right) (*to)[k++] = (*from)[j++];
    }
    std::swap(from, to);
  }
  if (from != &values) values.swap(*from);
}

// Stable sort by an unsigned 64-bit key (`key(value)`), 16 bits a pass from
// the lowest: the order of std::stable_sort by that key, in a few passes
// over the vector instead of comparisons. A pass in which every key has the
// same digit is skipped.
template <typename T, typename Key>
void StableRadixSort(std::vector<T>& values, Key key) {
  const std::size_t n = values.size();
  if (n < 2) return;
  std::vector<T> buffer;
  ReserveLarge(buffer, n);
  buffer.resize(n);
  std::vector<std::size_t> start(65537);
  for (int shift = 0; shift < 64; shift += 16) {
    std::fill(start.begin(), start.end(), 0);
    for (const T& v : values) ++start[((static_cast<std::uint64_t>(key(v)) >> shift) & 0xFFFF) + 1];
    bool oneDigit = false;
    for (std::size_t d = 1; d <= 65536 && !oneDigit; ++d) oneDigit = start[d] == n;
    if (oneDigit) continue;
    for (std::size_t d = 1; d <= 65536; ++d) start[d] += start[d - 1];
    for (const T& v : values) buffer[start[(static_cast<std::uint64_t>(key(v)) >> shift) & 0xFFFF]++] = v;
    values.swap(buffer);
  }
}

// Progress of a long loop through the host: Step(done) reports now and then
// and lets the host handle its events.
class ProgressTicker {
 public:
  ProgressTicker(AnsiString what, std::int64_t total);
  void Step(std::int64_t done) {
    if (done >= nextReport_ || (done & kPumpMask) == 0) Report(done);
  }
  void Done();

 private:
  static constexpr std::int64_t kPumpMask = 4095;
  void Report(std::int64_t done);
  AnsiString what_;
  std::int64_t total_;
  std::int64_t stride_;
  std::int64_t nextReport_;
};

}  // namespace genvora
