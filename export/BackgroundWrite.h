// Bytes written to a file by a second thread, in chunks, while the caller
// goes on making the next ones: an export spends a good part of its time in
// the system's copy of its output, which then overlaps the walk instead of
// adding to it. The file receives exactly the bytes given, in order.
//
// At most a few chunks wait at once, so memory stays bounded whatever the
// output's size. A write that fails stops the writing; the caller learns it
// from Failed() on the way and from Finish() for certain.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace genvora {

class BackgroundWrite {
 public:
  // `file` stays the caller's, to close after Finish().
  explicit BackgroundWrite(std::FILE* file, std::size_t chunk = std::size_t{1} << 20);
  ~BackgroundWrite();
  BackgroundWrite(const BackgroundWrite&) = delete;
  BackgroundWrite& operator=(const BackgroundWrite&) = delete;

  void Write(std::string_view bytes) {
    current_.append(bytes);
    if (current_.size() >= chunk_) Hand();
  }
  void Put(char c) {
    current_.push_back(c);
    if (current_.size() >= chunk_) Hand();
  }
  // A write has failed so far (later ones are dropped).
  bool Failed() const { return failed_.load(std::memory_order_relaxed); }
  // Hands the last bytes, waits until every chunk is written and flushed,
  // and answers whether all went through. Later calls answer the same.
  bool Finish();

 private:
  static constexpr std::size_t kWaiting = 4;
  void Hand();
  void Run();

  std::FILE* file_;
  std::size_t chunk_;
  std::string current_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> waiting_;
  std::vector<std::string> spare_;
  bool closing_ = false;
  std::atomic<bool> failed_{false};
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace genvora
