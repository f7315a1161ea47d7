// Chunk framing: checksum, header round trip and damage, whole chunks and
// the generic text record.
#include <gtest/gtest.h>

#include <cstring>

#include "database/KelChunkHeader.h"
#include "platform/Exception.h"
#include "platform/File.h"

namespace genvora {
namespace {

TEST(KelChunkHeader, CrcIsTheStandardOne) {
  EXPECT_EQ(GetCRC("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(GetCRC("", 0), 0u);
}

TEST(KelChunkHeader, WritesTheLayoutAndReadsItBack) {
  MemoryFile file;
  KelChunkHeader written(kChunkIdGenvora, kChunkVersion, 2380, 0xA1B2C3D4, kChunkReserved);
  ASSERT_TRUE(written.Write(file));
  const std::vector<unsigned char> expected = {
      'G', 'E', 'N', 'V', 'O', 'R', 'A', 0x00,  //  0 Identifier
      0x4C, 0x09, 0, 0, 0, 0, 0, 0,             //  8 DataSize 2380
      0xB0, 0xAD, 0x01, 0x00,                   // 16 Version 110000
      0x01, 0x00, 0x00, 0x00,                   // 20 Reserved
      0xD4, 0xC3, 0xB2, 0xA1,                   // 24 DataCRC
  };
  ASSERT_EQ(file.Bytes().size(), 32u);
  EXPECT_EQ(std::vector<unsigned char>(file.Bytes().begin(), file.Bytes().begin() + 28), expected);
  std::uint32_t headerCrc = 0;
  std::memcpy(&headerCrc, file.Bytes().data() + 28, 4);
  EXPECT_EQ(headerCrc, GetCRC(expected.data(), 28));  // 28 HeaderCRC

  file.Seek(0);
  KelChunkHeader read;
  ASSERT_TRUE(read.Read(file));
  EXPECT_TRUE(read.Is(kChunkIdGenvora));
  EXPECT_EQ(read.DataSize, 2380u);
  EXPECT_EQ(read.Version, kChunkVersion);
  EXPECT_EQ(read.DataCRC, 0xA1B2C3D4u);
}

TEST(KelChunkHeader, EveryFlippedBitOfTheCheckedBytesIsRejected) {
  MemoryFile good;
  KelChunkHeader(kChunkIdGeneric, kChunkVersion, 12, 0, kChunkReserved).Write(good);
  for (std::size_t bit = 0; bit < 28 * 8; ++bit) {
    MemoryFile damaged(good.Bytes());
    damaged.Bytes()[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    KelChunkHeader h;
    EXPECT_FALSE(h.Read(damaged)) << "bit " << bit;
    EXPECT_TRUE(h.IsHeaderCorrupted());
  }
}

TEST(KelChunkHeader, EndOfFileIsNotCorruption) {
  MemoryFile empty;
  KelChunkHeader h;
  EXPECT_FALSE(h.Read(empty));
  EXPECT_FALSE(h.IsHeaderCorrupted());
  MemoryFile shortFile(std::vector<unsigned char>(15, 0x47));
  EXPECT_FALSE(h.Read(shortFile));
}

TEST(KelChunkHeader, MemoryStreamRoundTripAndRefusals) {
  MemoryFile file;
  KelChunkHeader writer;
  ASSERT_TRUE(writer.WriteMemoryStream(file, "payload", kChunkIdGenvora, kChunkVersion));
  ASSERT_TRUE(writer.WriteMemoryStream(file, "", kChunkIdGeneric, kChunkVersion));

  file.Seek(0);
  KelMemoryStream buffer = "kept";
  KelChunkHeader reader;
  EXPECT_FALSE(reader.ReadMemoryStream(file, buffer, kChunkIdGeneric, kChunkVersion)) << "another identifier";
  EXPECT_EQ(buffer, "kept");
  file.Seek(0);
  ASSERT_TRUE(reader.ReadMemoryStream(file, buffer, kChunkIdGenvora, 0)) << "the version is not checked";
  EXPECT_EQ(buffer, "payload");
  ASSERT_TRUE(reader.ReadMemoryStream(file, buffer, kChunkIdGeneric, kChunkVersion));
  EXPECT_EQ(buffer, "");
  EXPECT_EQ(reader.DataSize, 0u);
  EXPECT_EQ(reader.DataCRC, 0u) << "no data has the CRC of no bytes";
}

TEST(KelChunkHeader, DamagedChunksReadAsFalseWithoutTouchingTheBuffer) {
  MemoryFile good;
  KelChunkHeader().WriteMemoryStream(good, "0123456789", kChunkIdGeneric, kChunkVersion);
  struct Case {
    const char* what;
    void (*damage)(std::vector<unsigned char>&);
  };
  const Case cases[] = {
      {"data byte changed", [](std::vector<unsigned char>& b) { b[35] ^= 0x01; }},
      {"data cut short", [](std::vector<unsigned char>& b) { b.resize(38); }},
      {"absurd DataSize", [](std::vector<unsigned char>& b) {
         for (int i = 8; i < 16; ++i) b[i] = 0xFF;  // 8 DataSize
         std::uint32_t crc = GetCRC(b.data(), 28);
         std::memcpy(&b[28], &crc, 4);  // 28 HeaderCRC fixed to reach the size check
       }},
      {"header cut short", [](std::vector<unsigned char>& b) { b.resize(20); }},
  };
  for (const auto& c : cases) {
    MemoryFile file(good.Bytes());
    c.damage(file.Bytes());
    KelMemoryStream buffer = "kept";
    KelChunkHeader h;
    EXPECT_FALSE(h.ReadMemoryStream(file, buffer, kChunkIdGeneric, kChunkVersion)) << c.what;
    EXPECT_EQ(buffer, "kept") << c.what;
  }
}

TEST(KelChunkHeader, FailedDataWriteRaises) {
  MemoryFile file;
  file.FailWriteNumber(2);  // the header goes, the data does not
  KelChunkHeader h;
  try {
    h.WriteMemoryStream(file, "data", kChunkIdGeneric, kChunkVersion);
    FAIL() << "no error raised";
  } catch (const EGenvoraError& e) {
    EXPECT_EQ(e.ResourceKey(), "G5vclstrings.ExceptionFichier");
  }
}

TEST(KELGenericHeader, RoundTripAndLineCounts) {
  MemoryFile file;
  KELGenericHeader written;
  written.Text1 = "Premi\xE8re";
  written.Text2 = "";
  written.Value = -42;
  ASSERT_TRUE(written.Write(file));
  file.Seek(0);
  KELGenericHeader read;
  ASSERT_TRUE(read.Read(file));
  EXPECT_EQ(read.Text1, "Premi\xE8re");
  EXPECT_EQ(read.Text2, "");
  EXPECT_EQ(read.Value, -42);

  struct Case {
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {"a\r\nb\r\n7\r\n", true}, {"a\nb\r7", true},  {"a\r\n7\r\n", false},
      {"a\r\nb\r\nc\r\n7\r\n", false}, {"a\r\nb\r\nseven\r\n", false},
  };
  for (const auto& c : cases) {
    MemoryFile f;
    KelChunkHeader().WriteMemoryStream(f, c.text, kChunkIdGeneric, kChunkVersion);
    f.Seek(0);
    KELGenericHeader g;
    EXPECT_EQ(g.Read(f), c.ok) << c.text;
  }
}

}  // namespace
}  // namespace genvora
