// Chunk framing of the chunked database generation, and the small generic
// text record stored as one chunk.
//
// A chunk is a self-checking 32-byte header followed by exactly DataSize
// bytes of data; chunks follow one another with no gap. Layout of the
// header, all integers little-endian:
//
//   offset | size | field
//   -------+------+-----------------------------------------------------------
//        0 |    8 | Identifier  eight ASCII bytes, compared as two 32-bit words
//        8 |    8 | DataSize    bytes of data after the header
//       16 |    4 | Version     format revision of the data
//       20 |    4 | Reserved    written as 1, never examined
//       24 |    4 | DataCRC     CRC-32 of the data, 0xFFFFFFFF when not computed
//       28 |    4 | HeaderCRC   CRC-32 of bytes 0 to 27
//
// Invariants:
//  1. A header that Read() accepts has a HeaderCRC matching its 28 bytes.
//  2. Reading at the end of the file fails but leaves a header whose
//     checksum matches, so that a walk over chunks ends without reporting
//     corruption.
//  3. A DataSize read from a file is never trusted for an allocation larger
//     than the bytes left in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/Types.h"

namespace genvora {

// An in-memory byte buffer, the data of one chunk.
using KelMemoryStream = std::string;

// Chunk identifiers as stored: eight bytes read as one little-endian word.
constexpr std::uint64_t ChunkId(const char (&name)[9]) {
  std::uint64_t id = 0;
  for (int i = 7; i >= 0; --i) id = (id << 8) | static_cast<unsigned char>(name[i]);
  return id;
}

// On-disk constants: these values never change.
inline constexpr std::uint64_t kChunkIdGenvora = ChunkId("GENVORA\0");
inline constexpr std::uint64_t kChunkIdGeneric = ChunkId("GENERICH");
inline constexpr std::uint64_t kChunkIdTaches = ChunkId("TACHES\0\0");
inline constexpr std::uint32_t kChunkVersion = 110000;
inline constexpr std::uint32_t kChunkCrcNotComputed = 0xFFFFFFFF;
inline constexpr std::uint32_t kChunkReserved = 1;

// CRC-32 of ISO-HDLC / IEEE 802.3 (zlib's); 0 for no bytes.
std::uint32_t GetCRC(const void* data, std::size_t length);

class KelChunkHeader {
 public:
  static constexpr std::size_t kSize = 8 + 8 + 4 + 4 + 4 + 4;
  // The checksum covers everything in front of it.
  static constexpr std::size_t kCheckedSize = kSize - 4;

  // The "accept any chunk" header every reader starts from.
  KelChunkHeader() = default;
  KelChunkHeader(std::uint64_t identifier, std::uint32_t version, std::uint64_t dataSize, std::uint32_t dataCRC,
                 std::uint32_t reserved);

  // HeaderCRC is left as it is.
  void Init(std::uint64_t identifier, std::uint32_t version, std::uint64_t dataSize, std::uint32_t dataCRC,
            std::uint32_t reserved);

  std::uint32_t ComputeHeaderCheksum() const;
  void UpdateHeaderCheckSum() { HeaderCRC = ComputeHeaderCheksum(); }
  bool IsHeaderCorrupted() const { return HeaderCRC != ComputeHeaderCheksum(); }

  // One header at the file's position; false at end of file, on a short
  // read or a wrong HeaderCRC.
  bool Read(FileHandle& file);
  bool Write(FileHandle& file);

  // A whole chunk whose data is `buffer`. A failed data write raises
  // EGenvoraError(G5vclstrings.ExceptionFichier).
  bool WriteMemoryStream(FileHandle& file, const KelMemoryStream& buffer, std::uint64_t identifier,
                         std::uint32_t version);
  // A whole chunk of `identifier` into `buffer`; false (buffer untouched) for
  // another identifier, a failed read, data the file does not hold or a
  // data checksum mismatch. The version is not checked.
  bool ReadMemoryStream(FileHandle& file, KelMemoryStream& buffer, std::uint64_t identifier, std::uint32_t version);

  // The 32 bytes as they lie on disk, and back (false when fewer than 32).
  void Encode(unsigned char (&out)[kSize]) const;
  bool Decode(const void* bytes, std::size_t size);

  std::uint32_t LowWord() const { return static_cast<std::uint32_t>(Identifier); }
  std::uint32_t HighWord() const { return static_cast<std::uint32_t>(Identifier >> 32); }
  bool Is(std::uint64_t identifier) const {
    return LowWord() == static_cast<std::uint32_t>(identifier) &&
           HighWord() == static_cast<std::uint32_t>(identifier >> 32);
  }

  std::uint64_t Identifier = ~std::uint64_t{0};
  std::uint64_t DataSize = 0;
  std::uint32_t Version = 0xFFFFFFFF;
  std::uint32_t Reserved = kChunkReserved;
  std::uint32_t DataCRC = kChunkCrcNotComputed;
  std::uint32_t HeaderCRC = 0;
};

// Two texts and an integer, stored as one "GENERICH" chunk whose data is a
// three-line text (CR LF after each line), Windows-1252, no byte-order mark.
class KELGenericHeader {
 public:
  AnsiString Text1;
  AnsiString Text2;
  std::int32_t Value = 0;

  bool Write(FileHandle& file) const;
  // False unless the chunk holds exactly three lines and the third is a
  // decimal integer; the fields change only on success.
  bool Read(FileHandle& file);
};

}  // namespace genvora
