// TV5Sosa: an ancestor (Sosa) number of any size the stored form can hold,
// together with the person it belongs to and an occurrence counter.
//
// The de cujus is 1, the father of n is 2n and the mother 2n + 1, so a number
// of generation g (its count of binary digits) needs g bits: sixty
// generations of a noble line are already beyond 64 bits. The number is kept
// in its stored form, so that a record goes to and from a table unchanged.
//
// Stored record TV5SosaData, 36 bytes (the item of the Sosa table), integers
// little-endian like every item of the engine's arrays:
//
// | offset | size | field                                                    |
// |--------|------|----------------------------------------------------------|
// | 0      | 4    | CodeID of the person                                     |
// | 4      | 4    | occurrence counter                                       |
// | 8      | 26   | the number, unsigned, big-endian (most significant first) |
// | 34     | 2    | zero                                                     |
//
// Invariants:
//  1. Big-endian digits of one fixed width: comparing the 26 bytes as unsigned
//     bytes orders the numbers, which is what sorts the Sosa table.
//  2. A number never wraps: an operation whose result needs more than 208 bits
//     is refused (answers false) and leaves its destination unchanged, so an
//     ancestor beyond generation 208 is simply not numbered.
//  3. The two bytes after the number are zero in every record this class
//     writes; PokeData clears them on a record read from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Types.h"

namespace genvora {

struct TV5SosaData {
  // On-disk sizes; they never change.
  static constexpr std::size_t kNumberBytes = 28;  // the number and its two zero bytes
  static constexpr std::size_t kKeyBytes = 26;     // the ordering key: the number itself
  static constexpr std::size_t kOffsetNumber = 8;

  std::uint32_t codeID = 0;
  std::uint32_t occurrences = 0;
  unsigned char number[kNumberBytes] = {};
};
static_assert(sizeof(TV5SosaData) == 36, "the Sosa record is 36 bytes in every table");
static_assert(offsetof(TV5SosaData, number) == TV5SosaData::kOffsetNumber);

class TV5Sosa {
 public:
  static constexpr unsigned kMaxBits = TV5SosaData::kKeyBytes * 8;  // 208

  TV5Sosa() = default;  // number 0, no person
  explicit TV5Sosa(std::uint64_t value) { SetValue(value); }

  // --- the person and the counter, untouched by the arithmetic
  CodeID GetCodeID() const { return data_.codeID; }
  void SetCodeID(CodeID code) { data_.codeID = code; }
  std::uint32_t GetOccurrences() const { return data_.occurrences; }
  void SetOccurrences(std::uint32_t count) { data_.occurrences = count; }

  // Back to number 0, no person, counter 0.
  void RAZ() { data_ = TV5SosaData{}; }
  void SetValue(std::uint64_t value);

  // Decimal digits only (leading zeros allowed). False for an empty text, any
  // other character or a value beyond 208 bits; the number is then unchanged.
  bool SetText(std::string_view text);
  // Exact decimal text; "0" for zero.
  AnsiString GetText() const;

  // dest's number := 2 x this (+ 1). dest's person and counter stay as the
  // caller set them. False, dest unchanged, when the result needs more than
  // 208 bits. dest may be this object.
  bool Double(TV5Sosa& dest) const;
  bool DoublePlusUn(TV5Sosa& dest) const;
  // Halves, dropping the remainder.
  void Moitie();
  bool Odd() const { return (data_.number[TV5SosaData::kKeyBytes - 1] & 1U) != 0; }
  bool IsZero() const;
  // Count of binary digits: 1 -> 1, 2..3 -> 2, 4..7 -> 3; 0 for zero. This is
  // the generation of the ancestor the number designates, the de cujus being
  // generation 1.
  unsigned GetGeneration() const;
  // Binary digit `bit` (0 = least significant); false beyond the width.
  bool Bit(unsigned bit) const;

  // Numeric order of the numbers alone: negative, 0 or positive.
  int Compare(const TV5Sosa& other) const { return CompareKeys(data_.number, other.data_.number); }
  static int CompareKeys(const unsigned char* keyA, const unsigned char* keyB);

  // Load a stored record / the record to store.
  void PokeData(const TV5SosaData& data);
  const TV5SosaData& GetData() const { return data_; }

 private:
  // Shifts the number left by one bit into dest, ORing `lowBit`.
  bool ShiftLeftInto(TV5Sosa& dest, unsigned lowBit) const;

  TV5SosaData data_;
};

}  // namespace genvora
