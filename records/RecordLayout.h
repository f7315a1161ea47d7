// The walkers that run a record's one description of its bytes.
//
// Each record states its layout once, as a static member template of its
// fields struct:
//
//   template <class W, class F> static void Layout(W& w, F& f);
//
// run with F = const Fields by the size counter and the writer, and with
// F = Fields by the reader. The description names every field in stored
// order and opens each group a later version added with
// `if (!w.Group()) return;`. A step means the same thing to every walker:
//
//   step                     | size counter     | writer             | reader
//   -------------------------+------------------+--------------------+---------------------------
//   U8 U16 U32 I32 I64 F64   | the value's width| little-endian value| bounds-checked value
//   Bool                     | 1                | 0 or 1             | any nonzero byte is true
//   Text(t), Text(t, max)    | bytes to NUL, +1 | bytes, NUL; at most| bytes to the NUL, kept to
//                            |                  | `max` bytes        | `max` bytes
//   Date(block), (block, fix)| 32               | the block, `fix`ed | the block, then `fix`ed
//   Blob(bytes, count, why)  | bytes.size()     | the bytes          | `count` bytes, checked
//                            |                  |                    | first (`why` if negative)
//   Check(pred, why)         | -                | -                  | damage `why` unless pred()
//   Group()                  | true             | true               | true while bytes remain
//
// A Blob's count is a field of its own, stated where it is stored: the
// description keeps it in a local set from the bytes' size, which the writer
// stores and the reader overwrites with the stored value.
//
// Invariants:
//  1. The size counter counts exactly the bytes the writer appends, for any
//     value of the fields: both take every step of the same description.
//  2. The writer and the size counter take every group.
//  3. The reader opens a group only while bytes remain at its boundary;
//     once one is absent, every later group is too and keeps its defaults.
//     Bytes that end inside a group are damage (the cursor's rule).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dates/TGDate.h"
#include "records/TGRoot.h"
#include "platform/ByteCursor.h"

namespace genvora {

// Adjusts a date block on its way to or from the bytes.
using DateFix = void (*)(TGDate::dateT& block);

class LayoutSizer {
 public:
  void U8(std::uint8_t) { size_ += 1; }
  void U16(std::uint16_t) { size_ += 2; }
  void U32(std::uint32_t) { size_ += 4; }
  void I32(std::int32_t) { size_ += 4; }
  void I64(std::int64_t) { size_ += 8; }
  void F64(double) { size_ += 8; }
  void Bool(bool) { size_ += 1; }
  void Text(std::string_view text, std::size_t max = std::string_view::npos) {
    size_ += TGRoot::TextSize(text.substr(0, max));
  }
  void Date(const TGDate::dateT&, DateFix = nullptr) { size_ += TGDate::kBlockSize; }
  void Blob(const std::string& bytes, std::int64_t, const char*) { size_ += bytes.size(); }
  template <class Pred>
  void Check(Pred&&, const char*) {}
  bool Group() { return true; }

  std::uint64_t Size() const { return size_; }

 private:
  std::uint64_t size_ = 0;
};

class LayoutWriter {
 public:
  explicit LayoutWriter(ByteWriter& writer) : w_(writer) {}

  void U8(std::uint8_t v) { w_.U8(v); }
  void U16(std::uint16_t v) { w_.U16(v); }
  void U32(std::uint32_t v) { w_.U32(v); }
  void I32(std::int32_t v) { w_.I32(v); }
  void I64(std::int64_t v) { w_.Write(v); }
  void F64(double v) { w_.F64(v); }
  void Bool(bool v) { w_.Bool(v); }
  void Text(std::string_view text, std::size_t max = std::string_view::npos) { w_.CString(text.substr(0, max)); }
  void Date(const TGDate::dateT& block, DateFix fix = nullptr) {
    TGDate::dateT stored = block;
    if (fix != nullptr) fix(stored);
    TGDate::EcritDans(w_, stored);
  }
  void Blob(const std::string& bytes, std::int64_t, const char*) { w_.Bytes(bytes.data(), bytes.size()); }
  template <class Pred>
  void Check(Pred&&, const char*) {}
  bool Group() { return true; }

 private:
  ByteWriter& w_;
};

class LayoutReader {
 public:
  explicit LayoutReader(ByteReader& reader) : r_(reader) {}

  void U8(std::uint8_t& v) { r_.U8(v); }
  void U16(std::uint16_t& v) { r_.U16(v); }
  void U32(std::uint32_t& v) { r_.U32(v); }
  void I32(std::int32_t& v) { r_.I32(v); }
  void I64(std::int64_t& v) { r_.Read(v); }
  void F64(double& v) { r_.F64(v); }
  void Bool(bool& v) { r_.Bool(v); }
  // A text longer than `max` (damage, or a hand-edited file) keeps its
  // first `max` bytes: the field holds no more.
  void Text(AnsiString& text, std::size_t max = std::string_view::npos) {
    if (r_.CString(text) && text.size() > max) text.resize(max);
  }
  void Date(TGDate::dateT& block, DateFix fix = nullptr) {
    if (TGDate::LitDans(r_, block) && fix != nullptr) fix(block);
  }
  // The count was read from the block: it is checked against the bytes
  // left before anything is copied.
  void Blob(std::string& bytes, std::int64_t count, const char* negativeReason) {
    if (!r_.Ok()) return;
    if (count < 0) {
      r_.Fail(negativeReason);
      return;
    }
    std::string_view view;
    if (r_.FitsCount(static_cast<std::uint64_t>(count), 1) && r_.View(view, static_cast<std::size_t>(count))) {
      bytes.assign(view);
    }
  }
  template <class Pred>
  void Check(Pred&& pred, const char* reason) {
    if (r_.Ok() && !pred()) r_.Fail(reason);
  }
  bool Group() {
    if (absent_ || !TGRoot::GroupPresent(r_)) {
      absent_ = true;
      return false;
    }
    ++groups_;
    return true;
  }

  // The groups read: 1 for the base fields alone.
  int Groups() const { return groups_; }

 private:
  ByteReader& r_;
  bool absent_ = false;
  int groups_ = 1;
};

// The exact count of bytes the description of `fields` writes.
template <class Fields>
std::uint32_t LayoutSize(const Fields& fields) {
  LayoutSizer sizer;
  Fields::Layout(sizer, fields);
  return static_cast<std::uint32_t>(sizer.Size());
}

template <class Fields>
void LayoutWrite(ByteWriter& writer, const Fields& fields) {
  LayoutWriter walker(writer);
  Fields::Layout(walker, fields);
}

// Reads `fields` (fresh, every field at its default); answers the count of
// groups read, the base fields included. Damage is left in the reader.
template <class Fields>
int LayoutRead(ByteReader& reader, Fields& fields) {
  LayoutReader walker(reader);
  Fields::Layout(walker, fields);
  return walker.Groups();
}

}  // namespace genvora
