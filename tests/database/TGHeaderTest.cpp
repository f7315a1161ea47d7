// The file header: both generations on reading, the writer, user fields and
// a table of damaged headers; the header read of a database not yet open.
#include <gtest/gtest.h>

#include "HeaderFixtures.h"
#include "TestSupport.h"
#include "database/LireEntete.h"
#include "database/TGHeader.h"
#include "platform/Exception.h"
#include "platform/File.h"

namespace genvora {
namespace {

using fixtures::ChunkedHeader;
using fixtures::LegacyBlockA;

TEST(TGHeader, LegacyHeaderTakesItsVersionFromTheExtension) {
  struct Case {
    const char* extension;
    std::int32_t version;  // 0 = refused
  };
  const Case cases[] = {
      {".GV5", 5}, {".gv7", 7}, {".GV8", 8}, {".gv9", 9}, {".G10", 10}, {".g11", 11},
      {".G12", 12}, {".G13", 0}, {".GENVORA", 0}, {"", 0}, {".GV", 0},
  };
  for (const auto& c : cases) {
    MemoryFile file(LegacyBlockA());
    TGHeader h;
    bool ok = h.LitDans(file, c.extension);
    EXPECT_EQ(ok, c.version != 0) << c.extension;
    if (!ok) {
      EXPECT_FALSE(h.LastReason().empty());
      continue;
    }
    EXPECT_TRUE(h.IsLegacy());
    EXPECT_EQ(h.GetDatabaseVersion(), c.version) << c.extension;
    EXPECT_EQ(h.GetNombreIndividus(), 42);
    EXPECT_EQ(h.GetNumeroEnregistrement(), 17);
    EXPECT_EQ(h.GetNumeroFichier(), 0x12345678u);
    EXPECT_EQ(h.GetLastCodeID(), 1000u);
    EXPECT_EQ(h.GetDeCujus(), 5u);
    EXPECT_FALSE(h.FichierAVerifier());
    EXPECT_EQ(h.GetProgramText(), "Genvora 9");
    EXPECT_EQ(h.GetUserFieldCaption(0), "M\xE9tier");
    EXPECT_EQ(h.GetUserFieldTagGedcom(0), "_OCCU");
    EXPECT_EQ(h.GetFileGUID().size(), 36u) << "a legacy file gets a fresh GUID";
  }
}

TEST(TGHeader, ChunkedHeaderVersions) {
  struct Case {
    std::uint32_t version;
    bool accepted;
  };
  const Case cases[] = {{300, true}, {12, true}, {200, false}, {301, false}, {0xFFFFFFFF, false}};
  for (const auto& c : cases) {
    MemoryFile file(ChunkedHeader(c.version));
    TGHeader h;
    EXPECT_EQ(h.LitDans(file, ".GV9"), c.accepted) << c.version;
    EXPECT_FALSE(h.IsLegacy());
    EXPECT_TRUE(h.BlockARead());
    EXPECT_EQ(static_cast<std::uint32_t>(h.GetDatabaseVersion()), c.version);
    EXPECT_TRUE(h.DataCRCMatches());
    if (c.accepted) {
      EXPECT_EQ(h.GetFileGUID(), "0123ABCD-4567-89EF-0123-456789ABCDEF");
      EXPECT_EQ(h.GetUserFieldCaption(10), "Note 10");
      EXPECT_EQ(file.Position(), 32 + 2380 + 249);
    }
  }
}

TEST(TGHeader, WrongHeaderCrcFallsBackToTheLegacyReading) {
  auto bytes = ChunkedHeader(300);
  bytes[28] ^= 0x01;  // offset 28: HeaderCRC
  MemoryFile file(bytes);
  TGHeader h;
  ASSERT_TRUE(h.LitDans(file, ".G11"));
  EXPECT_TRUE(h.IsLegacy());
  EXPECT_EQ(h.GetDatabaseVersion(), 11);
  MemoryFile again(bytes);
  EXPECT_FALSE(h.LitDans(again, ".genvora")) << "no legacy extension";
}

TEST(TGHeader, DamagedHeadersAreRefusedOrReadWithinTheirBytes) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* extension;
    bool accepted;
  };
  auto chunked = ChunkedHeader(300);
  auto cut = [](std::vector<unsigned char> b, std::size_t size) {
    b.resize(size);
    return b;
  };
  auto changed = [](std::vector<unsigned char> b, std::size_t offset, unsigned char value, bool fixCrc) {
    b[offset] = value;
    if (fixCrc) fixtures::FixHeaderCrc(b);
    return b;
  };
  const Case cases[] = {
      {"empty file", {}, ".GV9", false},
      {"15 bytes", cut(chunked, 15), ".GV9", false},
      {"chunk header only", cut(chunked, 32), ".GV9", false},
      {"cut inside block A", cut(chunked, 32 + 100), ".GV9", false},
      {"cut inside block B: the rest stays zero", cut(chunked, 32 + 2380 + 10), ".GV9", true},
      {"legacy block cut short", cut(LegacyBlockA(), 2379), ".GV9", false},
      // offset 8: DataSize absurd, checksum fixed: never used for a size.
      {"absurd DataSize", changed(chunked, 15, 0x7F, true), ".GV9", true},
      // offset 0: Identifier changed, checksum fixed: not our chunk, legacy reading.
      {"other identifier", changed(chunked, 0, 'X', true), ".GV9", true},
      // offset 32 + 0x03C: DatabaseVersion 0x10000012, far too new.
      {"absurd version", changed(chunked, 32 + 0x03F, 0x10, false), ".GV9", false},
  };
  for (const auto& c : cases) {
    MemoryFile file(c.bytes);
    TGHeader h;
    EXPECT_EQ(h.LitDans(file, c.extension), c.accepted) << c.what << ": " << h.LastReason();
    if (!c.accepted) {
      EXPECT_FALSE(h.LastReason().empty()) << c.what;
    }
  }
  MemoryFile shortB(cut(chunked, 32 + 2380 + 10));
  TGHeader h;
  ASSERT_TRUE(h.LitDans(shortB, ".GV9"));
  EXPECT_EQ(h.GetFileGUID(), "");
}

TEST(TGHeader, DataChecksumMismatchIsNotedNotRefused) {
  auto bytes = ChunkedHeader(300);
  bytes[32 + 0x100] = 0x55;  // a byte of block A that is not interpreted
  MemoryFile file(bytes);
  TGHeader h;
  EXPECT_TRUE(h.LitDans(file, ".GV9"));
  EXPECT_FALSE(h.DataCRCMatches());
}

TEST(TGHeader, WriterStampsTheCurrentVersionAndKeepsUninterpretedBytes) {
  auto bytes = ChunkedHeader(12);
  bytes[32 + 0x100] = 0x55;  // block A 0x100: not interpreted, must survive
  bytes[32 + 2380 + 0xF0] = 0x66;  // block B 0x0F0: not interpreted
  MemoryFile in(bytes);
  TGHeader h;
  ASSERT_TRUE(h.LitDans(in, ".GV9"));
  h.DemanderVerificationFichier(true);
  h.IncrementNumeroEnregistrement();
  MemoryFile out;
  ASSERT_TRUE(h.EcritDans(out));
  ASSERT_EQ(out.Bytes().size(), 32u + 2380 + 249);
  out.Seek(0);
  TGHeader back;
  ASSERT_TRUE(back.LitDans(out, ".whatever"));
  EXPECT_EQ(back.GetDatabaseVersion(), 300);
  EXPECT_EQ(back.GetVersionText(), "300");
  EXPECT_EQ(back.GetProgramText(), "Genvora 15");
  EXPECT_EQ(back.GetNumeroEnregistrement(), 18);
  EXPECT_EQ(back.GetVerificationState(), 2);
  EXPECT_TRUE(back.DataCRCMatches());
  EXPECT_EQ(back.BlockA()[0x100], 0x55);
  EXPECT_EQ(back.BlockB()[0xF0], 0x66);
  EXPECT_EQ(back.GetFileGUID(), h.GetFileGUID());

  MemoryFile failing;
  failing.FailWriteNumber(3);  // block B
  EXPECT_FALSE(h.EcritDans(failing));
}

TEST(TGHeader, FreshHeaderAndUserFields) {
  TGHeader h;
  EXPECT_TRUE(h.FichierAVerifier());
  EXPECT_EQ(h.GetDatabaseVersion(), 300);
  h.DemanderVerificationFichier(false);
  EXPECT_FALSE(h.FichierAVerifier());

  h.InitNumeroFichierAndCounters();
  EXPECT_EQ(h.GetNumeroEnregistrement(), 1);
  EXPECT_EQ(h.GetMediaLevel(), 12);
  std::string guid = h.GetFileGUID();
  ASSERT_EQ(guid.size(), 36u);
  EXPECT_EQ(guid.find_first_not_of("0123456789ABCDEF-"), std::string::npos);
  EXPECT_EQ(guid[8], '-');

  auto blockB = h.BlockB();
  h.SetUserFieldCaption(3, std::string(40, 'x'));
  EXPECT_EQ(h.GetUserFieldCaption(3), std::string(31, 'x'));
  EXPECT_EQ(h.BlockA()[0x19C + 3 * 64 + 31], 0) << "the caption keeps its NUL";
  EXPECT_EQ(h.BlockB(), blockB) << "slot 3 lies in block A";
  h.SetUserFieldTagGedcom(12, "_LAST");
  EXPECT_EQ(h.BlockB()[2 * 64 + 32], '_');
  EXPECT_EQ(h.GetUserFieldTagGedcom(12), "_LAST");
  h.SetUserFieldCaption(13, "ignored");
  EXPECT_EQ(h.GetUserFieldCaption(13), "");
  EXPECT_EQ(h.GetUserFieldCaption(-1), "");
}

TEST(LireEntete, OpensReadsAndReports) {
  TempDir dir;
  TGHeader h;
  bool open = false;
  try {
    LireEntete("", h, open);
    FAIL() << "no error for an empty path";
  } catch (const EGenvoraError& e) {
    EXPECT_EQ(e.ResourceKey(), "G5vclstrings.M1404");
  }

  std::string reason;
  EXPECT_FALSE(LireEntete(dir.Path() + "/absent.gv9", h, open, &reason));
  EXPECT_FALSE(open);
  EXPECT_NE(reason.find("cannot open"), std::string::npos);

  std::string legacy = dir.Path() + "/old.Gv8";
  WriteAll(legacy, LegacyBlockA());
  ASSERT_TRUE(LireEntete(legacy, h, open, &reason));
  EXPECT_TRUE(open) << "left for the caller to reset";
  EXPECT_EQ(h.GetDatabaseVersion(), 8);
  EXPECT_FALSE(LireEntete(legacy, h, open)) << "already open";

  open = false;
  std::string newer = dir.Path() + "/newer.genvora";
  WriteAll(newer, ChunkedHeader(301));
  EXPECT_FALSE(LireEntete(newer, h, open, &reason));
  EXPECT_NE(reason.find("301"), std::string::npos) << reason;
}

}  // namespace
}  // namespace genvora
