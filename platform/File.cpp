#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace genvora {

namespace {

// Atomic: files may be written from more than one thread (the exports).
constexpr int kOps = 6;
std::atomic<int> faultCalls[kOps] = {};
std::atomic<int> faultAt{0};
std::atomic<FileFaults::Op> faultOp{FileFaults::Op::Create};
std::atomic<FileFaults::Action> faultAction{FileFaults::Action::Fail};

// pwrite until done, through the fault counter; false with errno set.
bool WriteAll(int fd, const unsigned char* data, std::size_t count, std::int64_t offset) {
  if (FileFaults::Hit(FileFaults::Op::Write)) return false;
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fd, data + done, count - done, offset + static_cast<std::int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void FileFaults::Arm(Op op, int n, Action action) {
  Reset();
  faultOp = op;
  faultAt = n;
  faultAction = action;
}

void FileFaults::Reset() {
  faultAt = 0;
  for (std::atomic<int>& c : faultCalls) c = 0;
}

int FileFaults::Calls(Op op) { return faultCalls[static_cast<int>(op)]; }

bool FileFaults::Hit(Op op, const char* path) {
  const int n = ++faultCalls[static_cast<int>(op)];
  if (faultAt == 0 || op != faultOp || n != faultAt) return false;
  if (faultAction == Action::Kill) std::raise(SIGKILL);
  if (faultAction == Action::Vanish) {
    if (path != nullptr) ::unlink(path);
    return false;
  }
  errno = EIO;
  return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (FileFaults::Hit(FileFaults::Op::Rename)) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void SyncFolderOf(const std::string& path) {
  if (FileFaults::Hit(FileFaults::Op::SyncFolder)) return;
  const std::string dir = std::filesystem::path(path).parent_path().string();
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::unique_ptr<PlatformFile> PlatformFile::Open(const std::string& path, FileMode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Read: flags |= O_RDONLY; break;
    case FileMode::ReadWrite: flags |= O_RDWR; break;
    case FileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  if (mode == FileMode::Create && FileFaults::Hit(FileFaults::Op::Create, path.c_str())) return nullptr;
  if (mode == FileMode::Read && FileFaults::Hit(FileFaults::Op::OpenToRead, path.c_str())) return nullptr;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  auto file = std::unique_ptr<PlatformFile>(new PlatformFile(fd, path));
  file->size_ = st.st_size;
  return file;
}

PlatformFile::PlatformFile(int fd, std::string path) : fd_(fd), path_(std::move(path)), buffer_(kBufferSize) {}

PlatformFile::~PlatformFile() { Close(); }

bool PlatformFile::Close() {
  if (fd_ < 0) return !writeFailed_;
  bool ok = Flush();
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  return ok;
}

std::int64_t PlatformFile::Size() const { return size_; }

// Forgets read-ahead bytes; the kernel position is brought back to position_.
bool PlatformFile::DropReadBuffer() {
  if (readPos_ == readEnd_) {
    readPos_ = readEnd_ = 0;
    return true;
  }
  readPos_ = readEnd_ = 0;
  return ::lseek(fd_, position_, SEEK_SET) == position_;
}

bool PlatformFile::Flush() {
  if (fd_ < 0) return false;
  if (writeLen_ == 0) return !writeFailed_;
  if (!WriteAll(fd_, buffer_.data(), writeLen_, writeStart_)) {
    writeFailed_ = true;
    writeLen_ = 0;
    return false;
  }
  writeLen_ = 0;
  return ::lseek(fd_, position_, SEEK_SET) == position_ && !writeFailed_;
}

bool PlatformFile::Sync() {
  if (!Flush()) return false;
  if (FileFaults::Hit(FileFaults::Op::Sync)) return false;
  return ::fsync(fd_) == 0;
}

bool PlatformFile::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return false;
  if (writeLen_ != 0 && !Flush()) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  // Bytes already read ahead.
  std::size_t fromBuffer = std::min(count, readEnd_ - readPos_);
  std::memcpy(out, buffer_.data() + readPos_, fromBuffer);
  readPos_ += fromBuffer;
  position_ += static_cast<std::int64_t>(fromBuffer);
  out += fromBuffer;
  count -= fromBuffer;
  if (count == 0) return true;
  readPos_ = readEnd_ = 0;
  if (count >= kBufferSize) {
    // Large reads go straight to the caller's memory.
    while (count > 0) {
      ssize_t n = ::read(fd_, out, count);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      count -= static_cast<std::size_t>(n);
      position_ += n;
    }
    return true;
  }
  while (count > 0) {
    ssize_t n = ::read(fd_, buffer_.data(), kBufferSize);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    std::size_t take = std::min(count, static_cast<std::size_t>(n));
    std::memcpy(out, buffer_.data(), take);
    out += take;
    count -= take;
    position_ += static_cast<std::int64_t>(take);
    readPos_ = take;
    readEnd_ = static_cast<std::size_t>(n);
  }
  return true;
}

bool PlatformFile::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0 || writeFailed_) return false;
  if (!DropReadBuffer()) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  if (writeLen_ != 0 && (writeStart_ + static_cast<std::int64_t>(writeLen_) != position_ ||
                         writeLen_ + count > kBufferSize)) {
    if (!Flush()) return false;
  }
  if (count >= kBufferSize) {
    if (!WriteAll(fd_, in, count, position_)) {
      writeFailed_ = true;
      return false;
    }
  } else {
    if (writeLen_ == 0) writeStart_ = position_;
    std::memcpy(buffer_.data() + writeLen_, in, count);
    writeLen_ += count;
  }
  position_ += static_cast<std::int64_t>(count);
  size_ = std::max(size_, position_);
  if (count >= kBufferSize) return ::lseek(fd_, position_, SEEK_SET) == position_;
  return true;
}

bool PlatformFile::Seek(std::int64_t offset, SeekOrigin origin) {
  if (fd_ < 0) return false;
  std::int64_t target = offset;
  if (origin == SeekOrigin::Current) target = position_ + offset;
  if (origin == SeekOrigin::End) target = size_ + offset;
  if (target < 0) return false;
  if (writeLen_ != 0 && !Flush()) return false;
  // A seek inside the read-ahead keeps it.
  std::int64_t bufferStart = position_ - static_cast<std::int64_t>(readPos_);
  if (readEnd_ != 0 && target >= bufferStart && target <= bufferStart + static_cast<std::int64_t>(readEnd_)) {
    readPos_ = static_cast<std::size_t>(target - bufferStart);
    position_ = target;
    return true;
  }
  readPos_ = readEnd_ = 0;
  if (::lseek(fd_, target, SEEK_SET) != target) return false;
  position_ = target;
  return true;
}

bool MemoryFile::Read(void* buffer, std::size_t count) {
  ++reads_;
  if (reads_ == failRead_) return false;
  if (position_ > bytes_.size() || count > bytes_.size() - position_) {
    position_ = bytes_.size();
    return false;
  }
  if (count != 0) std::memcpy(buffer, bytes_.data() + position_, count);
  position_ += count;
  return true;
}

bool MemoryFile::Write(const void* buffer, std::size_t count) {
  ++writes_;
  if (writes_ == failWrite_) return false;
  if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
  if (count != 0) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ += count;
  return true;
}

bool MemoryFile::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t target = offset;
  if (origin == SeekOrigin::Current) target = static_cast<std::int64_t>(position_) + offset;
  if (origin == SeekOrigin::End) target = static_cast<std::int64_t>(bytes_.size()) + offset;
  if (target < 0) return false;
  position_ = static_cast<std::size_t>(target);
  return true;
}

}  // namespace genvora
