#include "export/BackgroundWrite.h"

namespace genvora {

BackgroundWrite::BackgroundWrite(std::FILE* file, std::size_t chunk) : file_(file), chunk_(chunk) {
  current_.reserve(chunk_ + 256);
  thread_ = std::thread([this] { Run(); });
}

BackgroundWrite::~BackgroundWrite() { Finish(); }

void BackgroundWrite::Hand() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.size() < kWaiting || failed_; });
  if (failed_) {
    current_.clear();
    return;
  }
  waiting_.push_back(std::move(current_));
  if (!spare_.empty()) {
    current_ = std::move(spare_.back());
    spare_.pop_back();
  } else {
    current_ = std::string();
    current_.reserve(chunk_ + 256);
  }
  current_.clear();
  changed_.notify_all();
}

void BackgroundWrite::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !waiting_.empty() || closing_; });
    if (waiting_.empty()) break;
    std::string bytes = std::move(waiting_.front());
    waiting_.pop_front();
    const bool skip = failed_;
    lock.unlock();
    const bool ok = skip || std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    lock.lock();
    if (!ok) failed_ = true;
    spare_.push_back(std::move(bytes));
    changed_.notify_all();
  }
}

bool BackgroundWrite::Finish() {
  if (!finished_) {
    if (!current_.empty()) Hand();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    finished_ = true;
    if (!failed_ && std::fflush(file_) != 0) failed_ = true;
  }
  return !failed_;
}

}  // namespace genvora
