#include "database/TGHeader.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "database/KelChunkHeader.h"
#include "platform/ByteCursor.h"
#include "platform/System.h"

namespace genvora {

namespace {

constexpr const char* kProgramText = "Genvora 15";
constexpr const char* kVersionText = "300";

struct LegacyExtension {
  const char* extension;
  std::int32_t version;
};
// On-disk meaning of the legacy extensions: these never change.
constexpr LegacyExtension kLegacyExtensions[] = {
    {".GV5", 5}, {".GV7", 7}, {".GV8", 8}, {".GV9", 9}, {".G10", 10}, {".G11", 11}, {".G12", 12},
};

AnsiString AsciiUpper(AnsiString text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Reads up to `count` bytes at the file's position: the blocks of a header
// are read as far as the file holds them and judged afterwards.
std::vector<unsigned char> ReadUpTo(FileHandle& file, std::size_t count) {
  auto available = static_cast<std::size_t>(std::min<std::int64_t>(file.Remaining(), static_cast<std::int64_t>(count)));
  std::vector<unsigned char> bytes(available);
  if (available != 0 && !file.Read(bytes.data(), available)) bytes.clear();
  return bytes;
}

}  // namespace

std::int32_t LegacyDatabaseVersionOfExtension(const AnsiString& extension) {
  AnsiString upper = AsciiUpper(extension);
  for (const auto& e : kLegacyExtensions)
    if (upper == e.extension) return e.version;
  return 0;
}

void TGHeader::zeroMemory() {
  blockA_.fill(0);
  blockB_.fill(0);
  std::memcpy(blockA_.data() + kOffSignature, kSignature, sizeof kSignature);
  SetText(blockA_.data(), kOffProgramText, kProgramTextSize, kProgramText);
  SetText(blockA_.data(), kOffVersionText, kVersionTextSize, kVersionText);
  SetI32A(kOffDatabaseVersion, kCurrentDatabaseVersion);
}

void TGHeader::InitNumeroFichierAndCounters() {
  SetI32A(kOffNumeroEnregistrement, 1);
  SetI32A(kOffNombreIndividus, 0);
  SetI32A(kOffMediaLevel, kMediaLevelCurrent);
  SetU32A(kOffNumeroFichier, GetTickCount32());
  InitGUID();
}

void TGHeader::InitGUID() {
  uuid_t uuid;
  uuid_generate(uuid);
  char text[37];
  uuid_unparse_upper(uuid, text);
  std::memset(blockB_.data() + kOffFileGUID, 0, kFileGUIDSize);
  std::memcpy(blockB_.data() + kOffFileGUID, text, 36);
}

std::uint16_t TGHeader::GetVerificationState() const {
  ByteReader r(blockA_.data(), blockA_.size());
  std::uint16_t state = 0;
  r.Skip(kOffVerificationState);
  r.U16(state);
  return state;
}

void TGHeader::DemanderVerificationFichier(bool request) {
  std::uint16_t state = request ? kVerificationRequested : kVerificationNotNeeded;
  std::memcpy(blockA_.data() + kOffVerificationState, &state, sizeof state);
}

std::uint32_t TGHeader::GetU32A(std::size_t offset) const {
  ByteReader r(blockA_.data(), blockA_.size());
  std::uint32_t value = 0;
  r.Skip(offset);
  r.U32(value);
  return value;
}

void TGHeader::SetU32A(std::size_t offset, std::uint32_t value) {
  std::string bytes;
  ByteWriter(bytes).U32(value);
  std::memcpy(blockA_.data() + offset, bytes.data(), bytes.size());
}

AnsiString TGHeader::TextAt(const unsigned char* block, std::size_t offset, std::size_t size) {
  ByteReader r(block + offset, size);
  AnsiString text;
  if (r.CString(text)) return text;
  // A damaged field without its NUL ends where the field ends.
  return AnsiString(reinterpret_cast<const char*>(block + offset), size);
}

void TGHeader::SetText(unsigned char* block, std::size_t offset, std::size_t size, const AnsiString& text) {
  std::memset(block + offset, 0, size);
  std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(block + offset, text.data(), length);
}

const unsigned char* TGHeader::SlotHalf(int i, bool tag) const {
  if (i < 0 || i >= kUserFieldCount) return nullptr;
  std::size_t half = tag ? kUserFieldHalfSize : 0;
  if (i < kUserFieldsInBlockA)
    return blockA_.data() + kOffUserFieldsA + kUserFieldSlotSize * static_cast<std::size_t>(i) + half;
  return blockB_.data() + kOffUserFieldsB + kUserFieldSlotSize * static_cast<std::size_t>(i - kUserFieldsInBlockA) +
         half;
}

unsigned char* TGHeader::SlotHalf(int i, bool tag) {
  return const_cast<unsigned char*>(static_cast<const TGHeader*>(this)->SlotHalf(i, tag));
}

AnsiString TGHeader::GetUserFieldCaption(int i) const {
  const unsigned char* p = SlotHalf(i, false);
  return p != nullptr ? TextAt(p, 0, kUserFieldHalfSize) : AnsiString();
}

AnsiString TGHeader::GetUserFieldTagGedcom(int i) const {
  const unsigned char* p = SlotHalf(i, true);
  return p != nullptr ? TextAt(p, 0, kUserFieldHalfSize) : AnsiString();
}

void TGHeader::SetUserFieldCaption(int i, const AnsiString& text) {
  if (unsigned char* p = SlotHalf(i, false)) SetText(p, 0, kUserFieldHalfSize, text);
}

void TGHeader::SetUserFieldTagGedcom(int i, const AnsiString& text) {
  if (unsigned char* p = SlotHalf(i, true)) SetText(p, 0, kUserFieldHalfSize, text);
}

bool TGHeader::EcritDans(FileHandle& file) {
  SetText(blockA_.data(), kOffProgramText, kProgramTextSize, kProgramText);
  SetText(blockA_.data(), kOffVersionText, kVersionTextSize, kVersionText);
  SetI32A(kOffDatabaseVersion, kCurrentDatabaseVersion);
  KelChunkHeader chunk(kChunkIdGenvora, kChunkVersion, kBlockASize, GetCRC(blockA_.data(), kBlockASize),
                       kChunkReserved);
  bool ok = chunk.Write(file);
  ok = ok && file.Write(blockA_.data(), kBlockASize);
  ok = ok && file.Write(blockB_.data(), kBlockBSize);
  return ok;
}

bool TGHeader::LitDans(FileHandle& file, const AnsiString& upperCaseExtension) {
  zeroMemory();
  legacy_ = false;
  dataCrcMatches_ = true;
  blockARead_ = false;
  reason_.clear();

  KelChunkHeader chunk;
  if (chunk.Read(file) && chunk.Is(kChunkIdGenvora)) {
    // The blocks are read as far as the file holds them. Block A carries
    // every field the engine relies on, so a file that ends inside it is
    // damage; block B only adds the last user fields and the GUID, which
    // keep their zero defaults when missing.
    std::vector<unsigned char> a = ReadUpTo(file, kBlockASize);
    std::vector<unsigned char> b = ReadUpTo(file, kBlockBSize);
    ByteReader ra(a.data(), a.size());
    std::array<unsigned char, kBlockASize> blockA{};
    if (!ra.Bytes(blockA.data(), blockA.size())) return Refuse("file header: block A " + std::string(ra.Reason()));
    blockA_ = blockA;
    blockARead_ = true;
    ByteReader rb(b.data(), b.size());
    rb.Bytes(blockB_.data(), std::min(b.size(), blockB_.size()));
    dataCrcMatches_ = GetCRC(blockA_.data(), kBlockASize) == chunk.DataCRC;
    auto version = static_cast<std::uint32_t>(GetDatabaseVersion());
    if (version > static_cast<std::uint32_t>(kCurrentDatabaseVersion))
      return Refuse("file header: DatabaseVersion " + std::to_string(version) + " is newer than this engine");
    if (version == static_cast<std::uint32_t>(kRefusedDatabaseVersion))
      return Refuse("file header: DatabaseVersion 200 is not a released format");
    return true;
  }

  legacy_ = true;
  // Without a chunk header only the extension says a file is a database, so
  // it is asked first: its refusal is the reason worth giving.
  std::int32_t version = LegacyDatabaseVersionOfExtension(upperCaseExtension);
  if (version == 0)
    return Refuse("not a database: no chunk header, and \"" + upperCaseExtension + "\" is not a legacy extension");
  if (!file.Seek(0)) return Refuse("legacy header: cannot seek to the start");
  std::vector<unsigned char> a = ReadUpTo(file, kBlockASize);
  ByteReader ra(a.data(), a.size());
  std::array<unsigned char, kBlockASize> blockA{};
  if (!ra.Bytes(blockA.data(), blockA.size())) return Refuse("legacy header: block A " + std::string(ra.Reason()));
  blockA_ = blockA;
  blockARead_ = true;
  SetI32A(kOffDatabaseVersion, version);
  InitGUID();
  return true;
}

}  // namespace genvora
