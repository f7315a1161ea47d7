// Open file handles: the "open platform file handle" that containers, headers
// and tables read from and write into, sequentially at the handle's position.
//
// Invariants:
//  1. Read and Write transfer exactly the count asked or report failure; a
//     short transfer is a failure, never a partial success.
//  2. Size() and Remaining() let a reader check a counter read from the file
//     against the bytes that are really there before it allocates.
//  3. The handle's owner closes it; readers and writers never do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace genvora {

enum class SeekOrigin { Begin, Current, End };

// Fault injection for the tests of crashes, write errors and vanishing
// files. Every file operation a save makes, and every opening of a file to
// read, is counted, process-wide; an armed fault makes the Nth call of one
// kind fail (errno EIO, nothing done), kill the process with SIGKILL just
// before it runs, or delete the file it names just before it runs (as
// another program would between two steps). Unarmed, it only counts.
struct FileFaults {
  enum class Op { Create, Write, Sync, Rename, SyncFolder, OpenToRead };
  enum class Action { Fail, Kill, Vanish };
  static void Arm(Op op, int n, Action action);
  // Forgets the fault and sets every count back to 0.
  static void Reset();
  static int Calls(Op op);
  // Counts one call of `op` on `path`; true when it must fail.
  static bool Hit(Op op, const char* path = nullptr);
};

// rename(2) over `to`, counted by FileFaults.
bool RenameFile(const std::string& from, const std::string& to);
// Makes a rename in the folder of `path` durable (fsync of the folder).
void SyncFolderOf(const std::string& path);

class FileHandle {
 public:
  virtual ~FileHandle() = default;
  virtual bool Read(void* buffer, std::size_t count) = 0;
  virtual bool Write(const void* buffer, std::size_t count) = 0;
  virtual bool Seek(std::int64_t offset, SeekOrigin origin = SeekOrigin::Begin) = 0;
  virtual std::int64_t Position() const = 0;
  virtual std::int64_t Size() const = 0;
  // Pushes written bytes to the file; Sync also to the disk (fsync).
  virtual bool Flush() { return true; }
  virtual bool Sync() { return Flush(); }

  std::int64_t Remaining() const {
    std::int64_t left = Size() - Position();
    return left > 0 ? left : 0;
  }
};

enum class FileMode {
  Read,       // existing file, read only (shared read)
  ReadWrite,  // existing file
  Create,     // create or truncate, read and write
};

// A file of the file system, buffered in both directions so that the many
// small reads and writes of container blocks cost few system calls, while a
// large read goes straight into the caller's buffer.
class PlatformFile : public FileHandle {
 public:
  // Opens `path`; null when it cannot be opened (errno tells why).
  static std::unique_ptr<PlatformFile> Open(const std::string& path, FileMode mode);
  ~PlatformFile() override;
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;

  bool Read(void* buffer, std::size_t count) override;
  bool Write(const void* buffer, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin = SeekOrigin::Begin) override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Size() const override;
  bool Flush() override;
  bool Sync() override;
  // Flushes and closes; false when a pending write failed.
  bool Close();
  const std::string& Path() const { return path_; }

 private:
  PlatformFile(int fd, std::string path);
  bool DropReadBuffer();

  static constexpr std::size_t kBufferSize = 64 * 1024;
  int fd_;
  std::string path_;
  std::int64_t position_ = 0;  // logical position seen by the caller
  std::int64_t size_ = 0;      // logical size, pending writes included
  std::vector<unsigned char> buffer_;
  // Read buffer: bytes [readPos_, readEnd_) of buffer_ are the file's bytes
  // from position_ on. Write buffer: writeLen_ bytes to write at writeStart_.
  std::size_t readPos_ = 0;
  std::size_t readEnd_ = 0;
  std::int64_t writeStart_ = 0;
  std::size_t writeLen_ = 0;
  bool writeFailed_ = false;
};

// A file held in memory, for tests: optionally the Nth read or write call
// (1-based, counted from construction) fails.
class MemoryFile : public FileHandle {
 public:
  MemoryFile() = default;
  explicit MemoryFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

  bool Read(void* buffer, std::size_t count) override;
  bool Write(const void* buffer, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin = SeekOrigin::Begin) override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }

  void FailReadNumber(int n) { failRead_ = n; }
  void FailWriteNumber(int n) { failWrite_ = n; }
  int ReadCalls() const { return reads_; }
  int WriteCalls() const { return writes_; }

  const std::vector<unsigned char>& Bytes() const { return bytes_; }
  std::vector<unsigned char>& Bytes() { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  std::size_t position_ = 0;
  int reads_ = 0, writes_ = 0;
  int failRead_ = 0, failWrite_ = 0;
};

}  // namespace genvora
