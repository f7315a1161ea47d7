// Bounds-checked little-endian reading and writing of byte blocks.
//
// Every read of bytes that come from a file goes through ByteReader. It knows
// where the block ends and checks each read; on the first failure it stops,
// keeps the offset where it failed and a short reason, and every later read
// fails too, so a decoder may read a whole group and test once.
//
// Invariants:
//  1. A failed read leaves its output untouched.
//  2. AtEnd() at a group boundary is legal (later groups take defaults);
//     bytes that end inside a field are damage ("bytes end inside a field").
//  3. A count read from the block is checked with FitsCount() against the
//     bytes remaining before anything is allocated for it.
// No dependency beyond the standard library.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace genvora {

// Reads and writes copy the bytes as they lie in memory: the engine builds
// only for little-endian machines.
static_assert(std::endian::native == std::endian::little, "the byte cursor copies little-endian values as they are");

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  explicit ByteReader(std::string_view bytes) : ByteReader(bytes.data(), bytes.size()) {}

  bool Ok() const { return reason_ == nullptr; }
  // Offset of the next byte to read (or where the first failure happened).
  std::size_t Offset() const { return offset_; }
  std::size_t Size() const { return size_; }
  std::size_t Remaining() const { return size_ - offset_; }
  bool AtEnd() const { return offset_ >= size_; }
  // Why the first failure happened; null while Ok().
  const char* Reason() const { return reason_; }

  // Marks the block damaged at the current offset; returns false.
  bool Fail(const char* reason) {
    if (reason_ == nullptr) reason_ = reason;
    return false;
  }

  // Fixed-size little-endian values (integers, enums stored as integers,
  // IEEE doubles).
  template <typename T>
  bool Read(T& out) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!Ok()) return false;
    if (Remaining() < sizeof(T)) return Fail("bytes end inside a field");
    std::memcpy(&out, data_ + offset_, sizeof(T));
    offset_ += sizeof(T);
    return true;
  }
  bool U8(std::uint8_t& v) { return Read(v); }
  bool U16(std::uint16_t& v) { return Read(v); }
  bool U32(std::uint32_t& v) { return Read(v); }
  bool I32(std::int32_t& v) { return Read(v); }
  bool F64(double& v) { return Read(v); }
  bool Bool(bool& v) {
    std::uint8_t b = 0;
    if (!U8(b)) return false;
    v = b != 0;
    return true;
  }

  bool Bytes(void* out, std::size_t count) {
    if (!Ok()) return false;
    if (Remaining() < count) return Fail("bytes end inside a field");
    if (count != 0) std::memcpy(out, data_ + offset_, count);
    offset_ += count;
    return true;
  }

  // A view of the next `count` bytes, which it skips.
  bool View(std::string_view& out, std::size_t count) {
    if (!Ok()) return false;
    if (Remaining() < count) return Fail("count exceeds block");
    out = std::string_view(reinterpret_cast<const char*>(data_ + offset_), count);
    offset_ += count;
    return true;
  }

  bool Skip(std::size_t count) {
    if (!Ok()) return false;
    if (Remaining() < count) return Fail("bytes end inside a field");
    offset_ += count;
    return true;
  }

  // A NUL-terminated text; the NUL is consumed and not kept.
  bool CString(std::string& out) {
    if (!Ok()) return false;
    const void* nul = Remaining() != 0 ? std::memchr(data_ + offset_, 0, Remaining()) : nullptr;
    if (nul == nullptr) return Fail("text without NUL");
    auto length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - (data_ + offset_));
    out.assign(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length + 1;
    return true;
  }

  // True when `count` items of `itemSize` bytes can still be read; a count
  // read from the block is never trusted further.
  bool FitsCount(std::uint64_t count, std::size_t itemSize) {
    if (!Ok()) return false;
    if (itemSize != 0 && count > Remaining() / itemSize) return Fail("count exceeds block");
    return true;
  }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t offset_ = 0;
  const char* reason_ = nullptr;
};

// Appends little-endian values to a growing byte string.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}

  template <typename T>
  void Write(const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    out_.append(reinterpret_cast<const char*>(&v), sizeof(T));
  }
  void U8(std::uint8_t v) { Write(v); }
  void U16(std::uint16_t v) { Write(v); }
  void U32(std::uint32_t v) { Write(v); }
  void I32(std::int32_t v) { Write(v); }
  void F64(double v) { Write(v); }
  void Bool(bool v) { U8(v ? 1 : 0); }
  void Bytes(const void* data, std::size_t count) { out_.append(static_cast<const char*>(data), count); }
  // The text and its NUL; a text holding a NUL is cut there, as the reader
  // would cut it.
  void CString(std::string_view text) {
    auto nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    out_.append(text.data(), text.size());
    out_.push_back('\0');
  }
  std::size_t Size() const { return out_.size(); }

 private:
  std::string& out_;
};

}  // namespace genvora
