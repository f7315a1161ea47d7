// The platform stand-ins: buffered files, the recording host, resources and
// the Windows-1252 edge conversion.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <numeric>

#include "platform/Encoding.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Host.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "TestSupport.h"

namespace genvora {
namespace {

TEST(PlatformFile, MixedSmallAndLargeTransfersKeepPositionsAndBytes) {
  TempDir dir;
  std::string path = dir.Path() + "/f.bin";
  std::vector<unsigned char> big(300000);
  std::iota(big.begin(), big.end(), 0);
  {
    auto f = PlatformFile::Open(path, FileMode::Create);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->Write("abc", 3));
    ASSERT_TRUE(f->Write(big.data(), big.size()));
    ASSERT_TRUE(f->Write("xyz", 3));
    EXPECT_EQ(f->Position(), 300006);
    EXPECT_EQ(f->Size(), 300006);
    // Overwrite inside the file, then read back through the same handle.
    ASSERT_TRUE(f->Seek(1));
    ASSERT_TRUE(f->Write("B", 1));
    ASSERT_TRUE(f->Seek(0));
    char head[4] = {};
    ASSERT_TRUE(f->Read(head, 3));
    EXPECT_STREQ(head, "aBc");
    ASSERT_TRUE(f->Close());
  }
  auto f = PlatformFile::Open(path, FileMode::Read);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Size(), 300006);
  char head[3];
  ASSERT_TRUE(f->Read(head, 3));
  std::vector<unsigned char> back(big.size());
  ASSERT_TRUE(f->Read(back.data(), 10));  // small read fills the buffer
  ASSERT_TRUE(f->Read(back.data() + 10, back.size() - 10));
  EXPECT_EQ(back, big);
  EXPECT_EQ(f->Remaining(), 3);
  char tail[4] = {};
  EXPECT_FALSE(f->Read(tail, 4)) << "a short read is a failed read";
  EXPECT_EQ(PlatformFile::Open(dir.Path() + "/absent", FileMode::Read), nullptr);
}

TEST(MemoryFile, FailsTheChosenCall) {
  MemoryFile f;
  f.FailWriteNumber(2);
  EXPECT_TRUE(f.Write("a", 1));
  EXPECT_FALSE(f.Write("b", 1));
  EXPECT_TRUE(f.Write("c", 1));
  ASSERT_TRUE(f.Seek(0));
  char c[3];
  EXPECT_FALSE(f.Read(c, 3)) << "only two bytes were written";
}

TEST(RecordingHost, RecordsBoxesAndAnswersInOrder) {
  RecordingHost host;
  host.QueueAnswer(MsgAnswer::No);
  EXPECT_EQ(ShowMessage("q?", "cap", MsgButtons::YesNo), MsgAnswer::No);
  EXPECT_EQ(ShowMessage("again?", "cap", MsgButtons::YesNo), MsgAnswer::Yes) << "default button";
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].caption, "cap");
  EXPECT_TRUE(host.Showed("again?"));
  V5ProcessMessage();
  EXPECT_EQ(host.pumps, 1);
}

TEST(Resources, LanguageSwitchAndUnknownKeys) {
  {
    ScopedResourceLanguage fr(Language::French);
    EXPECT_EQ(LoadResString("Loclivres.LANG"), "FR");
    // Stored as Windows-1252: "é" is one byte E9.
    EXPECT_EQ(LoadResString("LArray.SynchroWriteError"),
              "Erreur d'\xE9" "criture des informations de synchronisation.");
  }
  {
    ScopedResourceLanguage en(Language::English);
    EXPECT_EQ(LoadResString("Loclivres.LANG"), "EN");
  }
  EXPECT_EQ(LoadResString("Nowhere.Nothing"), "Nowhere.Nothing");
  EXPECT_FALSE(HasResString("Nowhere.Nothing"));
  EGenvoraError e("Loclivres.LANG", "detail");
  EXPECT_EQ(e.ResourceKey(), "Loclivres.LANG");
}

TEST(Encoding, Cp1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(AnsiToUtf8("\x9C"), "\xC5\x93");      // oe ligature
  EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC\xE4\xB8\xAD"), "\x80?") << "a character outside the code page";
  EXPECT_EQ(Utf8ToAnsi("a\xFF" "b"), "a?b") << "not UTF-8";
}

TEST(System, ClockAndMachineSerial) {
  EXPECT_EQ(GetMachineSerial(), GetMachineSerial());
  ScopedClock clock(46000.75);
  EXPECT_EQ(TodaySerial(), 46000u);
  EXPECT_DOUBLE_EQ(NowDateTime(), 46000.75);
}

}  // namespace
}  // namespace genvora

#include "platform/Settings.h"

namespace genvora {
namespace {

TEST(IniStore, PathNamesSurviveAReload) {
  TempDir dir;
  std::string path = dir.Path() + "/sub/genvora.ini";
  const std::string name = "C:\\Généa\\a=b [x].GV8";
  {
    IniStore store(path);
    EXPECT_TRUE(store.WriteInteger("Files saving history", name, 46000));
    EXPECT_TRUE(store.WriteString("Files saving history", "other", "line\nbreak"));
    EXPECT_TRUE(store.WriteInteger("Files saving history", name, 46001));
  }
  IniStore store(path);
  EXPECT_EQ(store.ReadInteger("Files saving history", name, 0), 46001);
  EXPECT_EQ(store.ReadString("Files saving history", "other", ""), "line\nbreak");
  EXPECT_EQ(store.ReadSection("Files saving history").size(), 2u);
  EXPECT_EQ(store.ReadString("Nowhere", name, "1"), "1");
  EXPECT_TRUE(store.DeleteKey("Files saving history", name));
  EXPECT_FALSE(IniStore(path).Read("Files saving history", name));
}

}  // namespace
}  // namespace genvora
