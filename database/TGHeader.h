// The file header of a database: the identity card at the very start of the
// file.
//
// Two generations lie on disk:
//  - chunked: a "GENVORA\0" chunk header (Version 110000, DataSize 2380),
//    block A (2380 bytes), then block B (249 bytes). This is what we write.
//  - legacy: block A alone at offset 0, no chunk header, no block B; its
//    DatabaseVersion comes from the file's extension. Read, never written.
//
// Block A, integers little-endian, texts NUL-terminated Windows-1252:
//
//   offset | size | field
//   -------+------+-------------------------------------------------------------
//    0x000 |    4 | Signature            C0 DE CA FE
//    0x004 |    4 | (zero)
//    0x008 |   36 | ProgramText          "Genvora 15"
//    0x02C |    2 | VerificationState    4 = no verification needed
//    0x02E |    2 | (zero)
//    0x030 |    4 | NombreIndividus      individuals at the last save
//    0x034 |    4 | MediaLevel           12 for a new database
//    0x038 |    4 | NumeroEnregistrement save counter
//    0x03C |    4 | DatabaseVersion      300 in every header we write
//    0x040 |    8 | (not interpreted)
//    0x048 |    4 | NumeroFichier        tick count at the file's creation
//    0x04C |    4 | LastCodeID           last record identifier handed out
//    0x050 |    4 | DeCujus              root individual, 0 for none
//    0x054 |  328 | (not interpreted)
//    0x19C |  640 | UserFields 0 to 9    ten 64-byte slots
//    0x41C | 1296 | (not interpreted)
//    0x92C |   32 | VersionText          "300"
//
// Block B:
//
//   offset | size | field
//   -------+------+-------------------------------------------------------------
//    0x000 |  192 | UserFields 10 to 12  three 64-byte slots
//    0x0C0 |   37 | FileGUID             36 upper-case characters and a NUL
//    0x0E5 |   20 | (not interpreted)
//
// A user-field slot holds the caption in bytes 0 to 31 and the GEDCOM tag in
// bytes 32 to 63, each at most 31 characters and a NUL.
//
// Invariants:
//  1. The two blocks are kept exactly as they lie on disk: ranges we do not
//     interpret are written back as they were read.
//  2. Every field is read from the blocks through the bounds-checked cursor;
//     a text field without its NUL ends at the field's end.
//  3. LitDans never raises; a refusal is a false result with a reason.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/Types.h"

namespace genvora {

class TGHeader {
 public:
  // On-disk sizes and offsets: these never change.
  static constexpr std::size_t kBlockASize = 0x94C;  // 2380
  static constexpr std::size_t kBlockBSize = 0xF9;   // 249
  static constexpr std::size_t kOffSignature = 0x000;
  static constexpr std::size_t kOffProgramText = 0x008;
  static constexpr std::size_t kProgramTextSize = 36;
  static constexpr std::size_t kOffVerificationState = 0x02C;
  static constexpr std::size_t kOffNombreIndividus = 0x030;
  static constexpr std::size_t kOffMediaLevel = 0x034;
  static constexpr std::size_t kOffNumeroEnregistrement = 0x038;
  static constexpr std::size_t kOffDatabaseVersion = 0x03C;
  static constexpr std::size_t kOffNumeroFichier = 0x048;
  static constexpr std::size_t kOffLastCodeID = 0x04C;
  static constexpr std::size_t kOffDeCujus = 0x050;
  static constexpr std::size_t kOffUserFieldsA = 0x19C;
  static constexpr std::size_t kOffVersionText = 0x92C;
  static constexpr std::size_t kVersionTextSize = 32;
  static constexpr std::size_t kOffUserFieldsB = 0x000;
  static constexpr std::size_t kOffFileGUID = 0x0C0;
  static constexpr std::size_t kFileGUIDSize = 37;
  static constexpr std::size_t kUserFieldSlotSize = 64;
  static constexpr std::size_t kUserFieldHalfSize = 32;
  static constexpr int kUserFieldCount = 13;
  static constexpr int kUserFieldsInBlockA = 10;
  static constexpr unsigned char kSignature[4] = {0xC0, 0xDE, 0xCA, 0xFE};
  static constexpr std::int32_t kCurrentDatabaseVersion = 300;
  // A chunked header of this version was never a released format.
  static constexpr std::int32_t kRefusedDatabaseVersion = 200;
  static constexpr std::uint16_t kVerificationNotNeeded = 4;
  static constexpr std::uint16_t kVerificationRequested = 2;
  static constexpr std::int32_t kMediaLevelCurrent = 12;

  TGHeader() { zeroMemory(); }

  void zeroMemory();
  void InitNumeroFichierAndCounters();
  void InitGUID();

  bool EcritDans(FileHandle& file);
  // `upperCaseExtension` is the file's extension with its dot (".GV9"); it
  // decides the DatabaseVersion of a legacy header. The case is not
  // significant.
  bool LitDans(FileHandle& file, const AnsiString& upperCaseExtension);

  std::int32_t GetDatabaseVersion() const { return GetI32A(kOffDatabaseVersion); }
  void SetNombreIndividus(std::int32_t count) { SetI32A(kOffNombreIndividus, count); }
  std::int32_t GetNombreIndividus() const { return GetI32A(kOffNombreIndividus); }
  void IncrementNumeroEnregistrement() {
    SetI32A(kOffNumeroEnregistrement,
            static_cast<std::int32_t>(static_cast<std::uint32_t>(GetNumeroEnregistrement()) + 1u));
  }
  std::int32_t GetNumeroEnregistrement() const { return GetI32A(kOffNumeroEnregistrement); }
  std::int32_t GetMediaLevel() const { return GetI32A(kOffMediaLevel); }
  void SetMediaLevel(std::int32_t level) { SetI32A(kOffMediaLevel, level); }
  std::uint32_t GetNumeroFichier() const { return GetU32A(kOffNumeroFichier); }
  std::uint32_t GetLastCodeID() const { return GetU32A(kOffLastCodeID); }
  void SetLastCodeID(std::uint32_t id) { SetU32A(kOffLastCodeID, id); }
  CodeID GetDeCujus() const { return GetU32A(kOffDeCujus); }
  void SetDeCujus(CodeID id) { SetU32A(kOffDeCujus, id); }
  std::uint16_t GetVerificationState() const;

  bool FichierAVerifier() const { return GetVerificationState() != kVerificationNotNeeded; }
  void DemanderVerificationFichier(bool request);

  AnsiString GetProgramText() const { return TextAt(blockA_.data(), kOffProgramText, kProgramTextSize); }
  AnsiString GetVersionText() const { return TextAt(blockA_.data(), kOffVersionText, kVersionTextSize); }
  AnsiString GetFileGUID() const { return TextAt(blockB_.data(), kOffFileGUID, kFileGUIDSize); }

  AnsiString GetUserFieldCaption(int i) const;
  AnsiString GetUserFieldTagGedcom(int i) const;
  void SetUserFieldCaption(int i, const AnsiString& text);
  void SetUserFieldTagGedcom(int i, const AnsiString& text);

  // Media are always kept as linked files, never embedded.
  bool MediasIntegres() const { return false; }
  bool MediasLies() const { return true; }

  // What the last LitDans found: whether the file had no chunk header, and
  // whether block A matched the DataCRC of its chunk (which is not a reason
  // to refuse the file: the file controller repairs such files).
  bool IsLegacy() const { return legacy_; }
  bool DataCRCMatches() const { return dataCrcMatches_; }
  // Whether the last LitDans found a whole block A (a header refused for
  // its version still has one).
  bool BlockARead() const { return blockARead_; }
  // Why the last LitDans answered false; empty after a success.
  const std::string& LastReason() const { return reason_; }

  const std::array<unsigned char, kBlockASize>& BlockA() const { return blockA_; }
  const std::array<unsigned char, kBlockBSize>& BlockB() const { return blockB_; }

 private:
  std::uint32_t GetU32A(std::size_t offset) const;
  std::int32_t GetI32A(std::size_t offset) const { return static_cast<std::int32_t>(GetU32A(offset)); }
  void SetU32A(std::size_t offset, std::uint32_t value);
  void SetI32A(std::size_t offset, std::int32_t value) { SetU32A(offset, static_cast<std::uint32_t>(value)); }
  static AnsiString TextAt(const unsigned char* block, std::size_t offset, std::size_t size);
  static void SetText(unsigned char* block, std::size_t offset, std::size_t size, const AnsiString& text);
  unsigned char* SlotHalf(int i, bool tag);
  const unsigned char* SlotHalf(int i, bool tag) const;
  bool Refuse(std::string reason) {
    reason_ = std::move(reason);
    return false;
  }

  std::array<unsigned char, kBlockASize> blockA_{};
  std::array<unsigned char, kBlockBSize> blockB_{};
  bool legacy_ = false;
  bool dataCrcMatches_ = true;
  bool blockARead_ = false;
  std::string reason_;
};

// DatabaseVersion of a legacy header read under `extension` (".GV5" to
// ".G12", any case); 0 for any other extension.
std::int32_t LegacyDatabaseVersionOfExtension(const AnsiString& extension);

}  // namespace genvora
