// TV5Sosa: arithmetic on the 26-byte big-endian form, in place.
#include "platform/TV5Sosa.h"

#include <algorithm>
#include <cstring>

namespace genvora {

namespace {
constexpr std::size_t kKey = TV5SosaData::kKeyBytes;
}  // namespace

void TV5Sosa::SetValue(std::uint64_t value) {
  std::memset(data_.number, 0, sizeof data_.number);
  for (std::size_t i = 0; i < 8; ++i) data_.number[kKey - 1 - i] = static_cast<unsigned char>(value >> (8 * i));
}

bool TV5Sosa::SetText(std::string_view text) {
  if (text.empty()) return false;
  unsigned char number[TV5SosaData::kNumberBytes] = {};
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    // number := number x 10 + digit, from the least significant byte up; a
    // carry out of the top byte means the value needs more than 208 bits.
    unsigned carry = static_cast<unsigned>(c - '0');
    for (std::size_t i = kKey; i-- > 0;) {
      unsigned v = number[i] * 10U + carry;  // at most 255 x 10 + 9
      number[i] = static_cast<unsigned char>(v & 0xFFU);
      carry = v >> 8;
    }
    if (carry != 0) return false;
  }
  std::memcpy(data_.number, number, sizeof number);
  return true;
}

AnsiString TV5Sosa::GetText() const {
  // Repeated division by 10^9 of a copy; each pass yields nine digits.
  unsigned char work[kKey];
  std::memcpy(work, data_.number, kKey);
  constexpr std::uint32_t kChunk = 1000000000U;
  std::uint32_t chunks[8] = {};  // 2^208 < 10^63: at most 7 chunks
  int chunkCount = 0;
  bool nonZero = true;
  while (nonZero) {
    std::uint64_t remainder = 0;
    nonZero = false;
    for (std::size_t i = 0; i < kKey; ++i) {
      std::uint64_t v = (remainder << 8) | work[i];  // below 10^9 x 256
      work[i] = static_cast<unsigned char>(v / kChunk);
      remainder = v % kChunk;
      if (work[i] != 0) nonZero = true;
    }
    chunks[chunkCount++] = static_cast<std::uint32_t>(remainder);
  }
  AnsiString text = std::to_string(chunks[chunkCount - 1]);
  for (int i = chunkCount - 2; i >= 0; --i) {
    AnsiString part = std::to_string(chunks[i]);
    text.append(9 - part.size(), '0');
    text += part;
  }
  return text;
}

bool TV5Sosa::ShiftLeftInto(TV5Sosa& dest, unsigned lowBit) const {
  if ((data_.number[0] & 0x80U) != 0) return false;
  unsigned char number[kKey];
  for (std::size_t i = 0; i < kKey; ++i) {
    unsigned next = i + 1 < kKey ? (data_.number[i + 1] >> 7) : lowBit;
    number[i] = static_cast<unsigned char>(((data_.number[i] << 1) | next) & 0xFFU);
  }
  std::memcpy(dest.data_.number, number, kKey);
  dest.data_.number[kKey] = 0;
  dest.data_.number[kKey + 1] = 0;
  return true;
}

bool TV5Sosa::Double(TV5Sosa& dest) const { return ShiftLeftInto(dest, 0); }

bool TV5Sosa::DoublePlusUn(TV5Sosa& dest) const { return ShiftLeftInto(dest, 1); }

void TV5Sosa::Moitie() {
  for (std::size_t i = kKey; i-- > 0;) {
    unsigned high = i > 0 ? (data_.number[i - 1] & 1U) << 7 : 0;
    data_.number[i] = static_cast<unsigned char>((data_.number[i] >> 1) | high);
  }
}

bool TV5Sosa::IsZero() const {
  return std::all_of(data_.number, data_.number + kKey, [](unsigned char b) { return b == 0; });
}

unsigned TV5Sosa::GetGeneration() const {
  for (std::size_t i = 0; i < kKey; ++i) {
    unsigned b = data_.number[i];
    if (b == 0) continue;
    unsigned bits = 0;
    while (b != 0) {
      ++bits;
      b >>= 1;
    }
    return static_cast<unsigned>((kKey - 1 - i) * 8) + bits;
  }
  return 0;
}

bool TV5Sosa::Bit(unsigned bit) const {
  if (bit >= kMaxBits) return false;
  return ((data_.number[kKey - 1 - bit / 8] >> (bit % 8)) & 1U) != 0;
}

int TV5Sosa::CompareKeys(const unsigned char* keyA, const unsigned char* keyB) {
  return std::memcmp(keyA, keyB, kKey);
}

void TV5Sosa::PokeData(const TV5SosaData& data) {
  data_ = data;
  data_.number[kKey] = 0;
  data_.number[kKey + 1] = 0;
}

}  // namespace genvora
