#include "database/KelChunkHeader.h"

#include <zlib.h>

#include <charconv>
#include <limits>
#include <vector>

#include "platform/ByteCursor.h"
#include "platform/Encoding.h"
#include "platform/Exception.h"

namespace genvora {

std::uint32_t GetCRC(const void* data, std::size_t length) {
  if (length == 0) return 0;
  return static_cast<std::uint32_t>(crc32_z(0L, static_cast<const Bytef*>(data), length));
}

KelChunkHeader::KelChunkHeader(std::uint64_t identifier, std::uint32_t version, std::uint64_t dataSize,
                               std::uint32_t dataCRC, std::uint32_t reserved) {
  Init(identifier, version, dataSize, dataCRC, reserved);
}

void KelChunkHeader::Init(std::uint64_t identifier, std::uint32_t version, std::uint64_t dataSize,
                          std::uint32_t dataCRC, std::uint32_t reserved) {
  Identifier = identifier;
  Version = version;
  DataSize = dataSize;
  DataCRC = dataCRC;
  Reserved = reserved;
}

void KelChunkHeader::Encode(unsigned char (&out)[kSize]) const {
  std::string bytes;
  ByteWriter w(bytes);
  w.Write(Identifier);
  w.Write(DataSize);
  w.U32(Version);
  w.U32(Reserved);
  w.U32(DataCRC);
  w.U32(HeaderCRC);
  std::memcpy(out, bytes.data(), kSize);
}

bool KelChunkHeader::Decode(const void* bytes, std::size_t size) {
  ByteReader r(bytes, size);
  std::uint64_t identifier = 0, dataSize = 0;
  std::uint32_t version = 0, reserved = 0, dataCRC = 0, headerCRC = 0;
  r.Read(identifier);
  r.Read(dataSize);
  r.U32(version);
  r.U32(reserved);
  r.U32(dataCRC);
  r.U32(headerCRC);
  if (!r.Ok()) return false;
  Identifier = identifier;
  DataSize = dataSize;
  Version = version;
  Reserved = reserved;
  DataCRC = dataCRC;
  HeaderCRC = headerCRC;
  return true;
}

std::uint32_t KelChunkHeader::ComputeHeaderCheksum() const {
  unsigned char raw[kSize];
  Encode(raw);
  return GetCRC(raw, kCheckedSize);
}

bool KelChunkHeader::Read(FileHandle& file) {
  Identifier = ~std::uint64_t{0};
  DataSize = 0;
  if (file.Remaining() == 0) {
    // End of file: the pre-filled header is made self-consistent so that a
    // walk over chunks ends here without calling the file corrupted.
    UpdateHeaderCheckSum();
    return false;
  }
  unsigned char raw[kSize];
  if (file.Remaining() < static_cast<std::int64_t>(kSize)) return false;
  if (!file.Read(raw, kSize)) return false;
  if (!Decode(raw, kSize)) return false;
  return !IsHeaderCorrupted();
}

bool KelChunkHeader::Write(FileHandle& file) {
  UpdateHeaderCheckSum();
  unsigned char raw[kSize];
  Encode(raw);
  return file.Write(raw, kSize);
}

bool KelChunkHeader::WriteMemoryStream(FileHandle& file, const KelMemoryStream& buffer, std::uint64_t identifier,
                                       std::uint32_t version) {
  Init(identifier, version, buffer.size(), kChunkCrcNotComputed, kChunkReserved);
  DataCRC = GetCRC(buffer.data(), buffer.size());
  // A failed header write shows up in the data write that follows it or at
  // the next read of the chunk; the caller learns of the data write only.
  (void)Write(file);
  if (!file.Write(buffer.data(), buffer.size())) throw EGenvoraError("G5vclstrings.ExceptionFichier");
  return true;
}

bool KelChunkHeader::ReadMemoryStream(FileHandle& file, KelMemoryStream& buffer, std::uint64_t identifier,
                                      std::uint32_t /*version*/) {
  if (!Read(file)) return false;
  if (!Is(identifier)) return false;
  // DataSize comes from the file: it must fit in what the file still holds
  // before anything is allocated for it.
  if (DataSize > static_cast<std::uint64_t>(file.Remaining())) return false;
  KelMemoryStream data(static_cast<std::size_t>(DataSize), '\0');
  if (!file.Read(data.data(), data.size())) return false;
  if (GetCRC(data.data(), data.size()) != DataCRC) return false;
  buffer = std::move(data);
  return true;
}

bool KELGenericHeader::Write(FileHandle& file) const {
  KelMemoryStream text = Text1 + "\r\n" + Text2 + "\r\n" + std::to_string(Value) + "\r\n";
  KelChunkHeader chunk;
  return chunk.WriteMemoryStream(file, text, kChunkIdGeneric, kChunkVersion);
}

namespace {

// Lines ended by CR LF, LF or CR; a final line break opens no empty line.
std::vector<AnsiString> SplitLines(const std::string& text) {
  std::vector<AnsiString> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace

bool KELGenericHeader::Read(FileHandle& file) {
  KelMemoryStream buffer;
  KelChunkHeader chunk;
  if (!chunk.ReadMemoryStream(file, buffer, kChunkIdGeneric, kChunkVersion)) return false;
  std::string text = buffer;
  // A text that announces UTF-8 with its byte-order mark is taken as such.
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text = Utf8ToAnsi(text.substr(3));
  auto lines = SplitLines(text);
  if (lines.size() != 3) return false;
  const std::string& number = lines[2];
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || end != number.data() + number.size() || number.empty()) return false;
  Text1 = lines[0];
  Text2 = lines[1];
  Value = value;
  return true;
}

}  // namespace genvora
