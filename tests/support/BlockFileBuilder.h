// Lays a database file out block by block from the layouts set out below,
// without the engine's writers: a fixture that our reader must accept for
// what it is, not for what our writer happens to produce.
//
// All integers are little-endian. A database file is:
//
//   header      legacy: block A alone (2380 bytes);
//               current: a 32-byte "GENVORA\0" chunk header, block A, then
//               block B (249 bytes)
//   tables      one container block after another, no framing, in the order
//               of the table sequence; after the redaction table, the 4-byte
//               extension level and the sections it admits
//
// A container block (the same for every array, attached or not):
//
//   offset | size      | field
//   -------+-----------+------------------------------------------------
//   0      | 4         | signature C0 DE CA FE
//   4      | 40        | class name, NUL-padded
//   44     | 12        | item size, "%011lu" and a NUL
//   56     | 12        | count, same form
//   68     | 12        | data size in bytes, same form
//   80     | data size | the items
//   then, only when the data size is not 0, each attached array's own
//   block in slot order; a variable array (a store) then ends with its
//   offsets block "<name>-ItemSize" (item size 4, count + 1 entries), only
//   when its count is not 0.
//
// A store's slot 0 is its code list "<name>-IDList": 8-byte pairs {record
// code, 1-based item index}, sorted by code.
//
// The builder also walks a file back block by block (WalkBlocks), reading
// nothing but the block headers, to list the names a file holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace genvora::testing {

class BlockFileBuilder {
 public:
  // On-disk constants of the layouts above.
  static constexpr unsigned char kSignature[4] = {0xC0, 0xDE, 0xCA, 0xFE};
  static constexpr std::size_t kBlockHeader = 4 + 40 + 3 * 12;
  static constexpr std::size_t kBlockA = 2380;
  static constexpr std::size_t kBlockB = 249;
  static constexpr std::size_t kChunkHeader = 32;

  // The fields of block A (and B) that a fixture sets; every other byte 0.
  struct Header {
    std::int32_t databaseVersion = 300;   // 0x03C
    std::uint32_t lastCodeID = 0;         // 0x04C
    std::uint32_t deCujus = 0;            // 0x050
    std::int32_t nombreIndividus = 0;     // 0x030
    std::uint32_t numeroFichier = 0x2468;  // 0x048: not 0, or the reader gives a new one
  };

  // A stored record: its code and its encoded bytes.
  struct Record {
    std::uint32_t code;
    std::string bytes;
  };
  using Words = std::vector<std::uint32_t>;
  // Writes a store's or an array's attached blocks after its code list.
  using Attached = std::function<void()>;

  // --- plain bytes
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U16(std::uint16_t v) {
    for (int i = 0; i < 2; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void Text(const std::string& s, std::size_t field) {  // NUL-padded to `field`
    std::string t = s.substr(0, field);
    Raw(t.data(), t.size());
    Zeros(field - t.size());
  }
  void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  std::size_t Offset() const { return bytes_.size(); }
  const std::vector<unsigned char>& Bytes() const { return bytes_; }
  // Every block laid, top-level or attached, with its offset.
  const std::vector<std::pair<std::string, std::size_t>>& Laid() const { return laid_; }

  // --- headers

  // Block A, 2380 bytes.
  void BlockA(const Header& h) {
    const std::size_t a = Offset();
    Raw(kSignature, 4);                    // 0x000 Signature
    Zeros(4);                              // 0x004
    Text("Genvora 15", 36);                // 0x008 ProgramText
    U16(4);                                // 0x02C VerificationState: nothing to verify
    Zeros(2);                              // 0x02E
    U32(static_cast<std::uint32_t>(h.nombreIndividus));  // 0x030 NombreIndividus
    U32(12);                               // 0x034 MediaLevel
    U32(3);                                // 0x038 NumeroEnregistrement
    U32(static_cast<std::uint32_t>(h.databaseVersion));  // 0x03C DatabaseVersion
    Zeros(8);                              // 0x040
    U32(h.numeroFichier);                  // 0x048 NumeroFichier
    U32(h.lastCodeID);                     // 0x04C LastCodeID
    U32(h.deCujus);                        // 0x050 DeCujus
    Zeros(0x92C - 0x054);                  // 0x054 .. 0x92B: not interpreted, user fields empty
    Text(std::to_string(h.databaseVersion), 32);  // 0x92C VersionText
    Check(Offset() - a == kBlockA);
  }

  // The legacy header: block A alone.
  void LegacyHeader(const Header& h) {
    laid_.push_back({"header", Offset()});
    BlockA(h);
  }

  // The current header: chunk header, block A, block B.
  void ChunkedHeader(const Header& h) {
    laid_.push_back({"header", Offset()});
    BlockFileBuilder a;
    a.BlockA(h);
    const std::size_t chunk = Offset();
    Raw("GENVORA\0", 8);                   //  0 Identifier
    U32(static_cast<std::uint32_t>(kBlockA)); U32(0);  //  8 DataSize, 64-bit
    U32(110000);                           // 16 Version
    U32(1);                                // 20 Reserved
    U32(Crc32(a.Bytes().data(), kBlockA));  // 24 DataCRC
    U32(Crc32(bytes_.data() + chunk, 28));  // 28 HeaderCRC, over bytes 0..27
    Raw(a.Bytes().data(), kBlockA);
    const std::size_t b = Offset();
    Zeros(0xC0);                           // B 0x000 user fields 10 to 12, empty
    Text("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", 37);  // B 0x0C0 FileGUID
    Zeros(20);                             // B 0x0E5
    Check(Offset() - b == kBlockB);
  }

  void Level(std::int32_t level) {
    laid_.push_back({"level", Offset()});
    U32(static_cast<std::uint32_t>(level));
  }

  // --- blocks

  // The 80-byte block header.
  void BlockHeader(const std::string& name, std::uint32_t itemSize, std::uint32_t count, std::uint32_t dataSize) {
    laid_.push_back({name, Offset()});
    Raw(kSignature, 4);  // 0 signature
    Text(name, 40);      // 4 class name
    for (std::uint32_t v : {itemSize, count, dataSize}) {  // 44, 56, 68 counters
      char digits[13];
      std::snprintf(digits, sizeof digits, "%011lu", static_cast<unsigned long>(v));
      Raw(digits, 12);  // eleven digits and the NUL
    }
  }

  // A fixed-size array of 32-bit words: `itemWords` words an item.
  void Fixed(const std::string& name, std::size_t itemWords, const std::vector<Words>& items,
             const Attached& attached = {}) {
    BlockHeader(name, static_cast<std::uint32_t>(itemWords * 4), static_cast<std::uint32_t>(items.size()),
                static_cast<std::uint32_t>(items.size() * itemWords * 4));
    for (const Words& item : items) {
      Check(item.size() == itemWords);
      for (std::uint32_t w : item) U32(w);
    }
    if (!items.empty() && attached) attached();
  }

  // A fixed-size array of raw items of `itemSize` bytes (the Sosa records).
  void FixedRaw(const std::string& name, std::size_t itemSize, const std::vector<std::string>& items) {
    BlockHeader(name, static_cast<std::uint32_t>(itemSize), static_cast<std::uint32_t>(items.size()),
                static_cast<std::uint32_t>(items.size() * itemSize));
    for (const std::string& item : items) {
      Check(item.size() == itemSize);
      Raw(item.data(), item.size());
    }
  }

  // A variable array: items back to back, then (count not 0) its offsets
  // block. `itemSizeField` is 0 for an array built in memory, 4 for one that
  // was read before; readers take either.
  void Variable(const std::string& name, const std::vector<std::string>& items, std::uint32_t itemSizeField,
                const Attached& attached = {}) {
    std::uint32_t dataSize = 0;
    for (const std::string& item : items) dataSize += static_cast<std::uint32_t>(item.size());
    BlockHeader(name, itemSizeField, static_cast<std::uint32_t>(items.size()), dataSize);
    for (const std::string& item : items) Raw(item.data(), item.size());
    if (dataSize != 0 && attached) attached();
    if (items.empty()) return;
    const auto entries = static_cast<std::uint32_t>(items.size() + 1);
    BlockHeader(name + "-ItemSize", 4, entries, entries * 4);
    std::uint32_t end = 0;
    U32(0);  // entry 0
    for (const std::string& item : items) U32(end += static_cast<std::uint32_t>(item.size()));
  }

  // A store: its records in item order, its code list in slot 0, then the
  // other attached blocks (slots 1 to 9), then its offsets block. The code
  // list takes the name the store had when it was created (`createdAs`,
  // when the owner renamed the store afterwards).
  void Store(const std::string& name, const std::vector<Record>& records, std::uint32_t itemSizeField,
             const Attached& attached = {}, const std::string& createdAs = {}) {
    std::vector<std::string> items;
    std::vector<Words> pairs;
    for (std::size_t i = 0; i < records.size(); ++i) {
      items.push_back(records[i].bytes);
      pairs.push_back({records[i].code, static_cast<std::uint32_t>(i + 1)});
    }
    std::sort(pairs.begin(), pairs.end());
    Variable(name, items, itemSizeField, [&] {
      Fixed((createdAs.empty() ? name : createdAs) + "-IDList", 2, pairs);  // slot 0
      if (attached) attached();
    });
  }

  // Names of the blocks of a database file, each with its offset, in file
  // order, attached and offsets blocks included; the extension level shows
  // as "level". False, with the offset, when a block cannot be walked.
  static bool WalkBlocks(const std::vector<unsigned char>& file, std::vector<std::pair<std::string, std::size_t>>& out,
                         std::string& error) {
    std::size_t at = std::memcmp(file.data(), "GENVORA\0", 8) == 0 ? kChunkHeader + kBlockA + kBlockB : kBlockA;
    bool levelSeen = false;
    while (at < file.size()) {
      if (file.size() - at < 4) return Fail(error, "bytes left over", at);
      if (std::memcmp(file.data() + at, kSignature, 4) != 0) {
        // The one 4-byte integer between blocks: the extension level.
        if (levelSeen) return Fail(error, "no signature", at);
        levelSeen = true;
        out.push_back({"level", at});
        at += 4;
        continue;
      }
      if (file.size() - at < kBlockHeader) return Fail(error, "block header cut short", at);
      const char* name = reinterpret_cast<const char*>(file.data() + at + 4);
      out.push_back({std::string(name, strnlen(name, 40)), at});
      std::uint64_t counters[3];
      for (int k = 0; k < 3; ++k) {
        counters[k] = 0;
        for (int d = 0; d < 11; ++d) {
          const char c = static_cast<char>(file[at + 44 + 12 * k + d]);
          if (c < '0' || c > '9') return Fail(error, "counter", at);
          counters[k] = counters[k] * 10 + static_cast<unsigned>(c - '0');
        }
      }
      const std::uint64_t data = counters[2] != 0 ? counters[2] : counters[0] * counters[1];
      if (data > file.size() - at - kBlockHeader) return Fail(error, "data beyond the file", at);
      at += kBlockHeader + static_cast<std::size_t>(data);
    }
    return true;
  }

  // CRC-32, reflected polynomial 0xEDB88320, preset and final xor all ones.
  static std::uint32_t Crc32(const unsigned char* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
      crc ^= p[i];
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
  }

 private:
  static bool Fail(std::string& error, const char* what, std::size_t at) {
    error = std::string(what) + " at offset " + std::to_string(at);
    return false;
  }
  // A fixture that breaks its own layout is a fault of the test.
  static void Check(bool ok) {
    if (!ok) throw std::logic_error("BlockFileBuilder: item does not fit its layout");
  }

  std::vector<unsigned char> bytes_;
  std::vector<std::pair<std::string, std::size_t>> laid_;
};

}  // namespace genvora::testing
