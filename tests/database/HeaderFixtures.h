// Byte fixtures of file headers, one field per line with its offset.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "database/KelChunkHeader.h"

namespace genvora::fixtures {

inline void Put(std::vector<unsigned char>& bytes, std::size_t offset, std::initializer_list<unsigned char> values) {
  std::size_t i = offset;
  for (unsigned char v : values) bytes[i++] = v;
}

// A legacy header: block A alone, 2380 bytes, as an older release left it.
inline std::vector<unsigned char> LegacyBlockA() {
  std::vector<unsigned char> a(2380, 0);
  Put(a, 0x000, {0xC0, 0xDE, 0xCA, 0xFE});                  // 0x000 Signature
  Put(a, 0x008, {'G', 'e', 'n', 'v', 'o', 'r', 'a', ' ', '9'});  // 0x008 ProgramText "Genvora 9"
  Put(a, 0x02C, {0x04, 0x00});                              // 0x02C VerificationState 4
  Put(a, 0x030, {0x2A, 0x00, 0x00, 0x00});                  // 0x030 NombreIndividus 42
  Put(a, 0x034, {0x01, 0x00, 0x00, 0x00});                  // 0x034 MediaLevel 1
  Put(a, 0x038, {0x11, 0x00, 0x00, 0x00});                  // 0x038 NumeroEnregistrement 17
  Put(a, 0x03C, {0x00, 0x00, 0x00, 0x00});                  // 0x03C DatabaseVersion (taken from the extension)
  Put(a, 0x048, {0x78, 0x56, 0x34, 0x12});                  // 0x048 NumeroFichier 0x12345678
  Put(a, 0x04C, {0xE8, 0x03, 0x00, 0x00});                  // 0x04C LastCodeID 1000
  Put(a, 0x050, {0x05, 0x00, 0x00, 0x00});                  // 0x050 DeCujus 5
  Put(a, 0x19C, {'M', 0xE9, 't', 'i', 'e', 'r'});           // 0x19C user field 0 caption "Métier"
  Put(a, 0x1BC, {'_', 'O', 'C', 'C', 'U'});                 // 0x1BC user field 0 GEDCOM tag
  Put(a, 0x92C, {'9'});                                     // 0x92C VersionText "9"
  return a;
}

// A chunked header: the "GENVORA\0" chunk header, block A, block B, with
// DatabaseVersion `version`. The checksums are computed, as the writer does.
inline std::vector<unsigned char> ChunkedHeader(std::uint32_t version) {
  std::vector<unsigned char> a = LegacyBlockA();
  std::memcpy(&a[0x03C], &version, 4);  // 0x03C DatabaseVersion
  std::vector<unsigned char> f(32, 0);
  Put(f, 0, {'G', 'E', 'N', 'V', 'O', 'R', 'A', 0x00});      //  0 Identifier
  Put(f, 8, {0x4C, 0x09, 0, 0, 0, 0, 0, 0});                 //  8 DataSize 2380
  Put(f, 16, {0xB0, 0xAD, 0x01, 0x00});                      // 16 Version 110000
  Put(f, 20, {0x01, 0x00, 0x00, 0x00});                      // 20 Reserved 1
  std::uint32_t dataCrc = GetCRC(a.data(), a.size());
  std::memcpy(&f[24], &dataCrc, 4);                          // 24 DataCRC
  std::uint32_t headerCrc = GetCRC(f.data(), 28);
  std::memcpy(&f[28], &headerCrc, 4);                        // 28 HeaderCRC
  f.insert(f.end(), a.begin(), a.end());
  std::vector<unsigned char> b(249, 0);
  const char guid[] = "0123ABCD-4567-89EF-0123-456789ABCDEF";
  std::memcpy(&b[0x0C0], guid, 36);                          // B 0x0C0 FileGUID
  Put(b, 0x000, {'N', 'o', 't', 'e', ' ', '1', '0'});        // B 0x000 user field 10 caption
  f.insert(f.end(), b.begin(), b.end());
  return f;
}

// Puts the header checksum right after a change of bytes 0 to 27, so that a
// test reaches the checks that come after it.
inline void FixHeaderCrc(std::vector<unsigned char>& f) {
  std::uint32_t headerCrc = GetCRC(f.data(), 28);
  std::memcpy(&f[28], &headerCrc, 4);
}

}  // namespace genvora::fixtures
