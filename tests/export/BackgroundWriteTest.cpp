#include "export/BackgroundWrite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace genvora {
namespace {

// The file holds exactly the bytes given, in order, whatever the chunk size
// against the pieces: pieces smaller than a chunk, across chunk ends, empty,
// single characters, and pieces larger than a whole chunk.
TEST(BackgroundWriteTest, TheFileHoldsExactlyTheBytesGivenInOrder) {
  TempDir dir;
  std::vector<std::string> pieces;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    std::string piece(static_cast<std::size_t>((i * 37) % 301), static_cast<char>('a' + i % 26));
    if (i % 500 == 0) piece.assign(70000, static_cast<char>('0' + i % 10));
    pieces.push_back(piece);
    expected += piece;
    expected += '\n';
  }
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 20}) {
    const std::string path = dir.Path() + "/out-" + std::to_string(chunk);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    {
      BackgroundWrite out(file, chunk);
      for (const std::string& piece : pieces) {
        out.Write(piece);
        out.Put('\n');
      }
      EXPECT_TRUE(out.Finish()) << chunk;
      EXPECT_TRUE(out.Finish()) << "a second Finish answers the same";
    }
    std::fclose(file);
    const std::vector<unsigned char> written = ReadAll(path);
    EXPECT_EQ(std::string(written.begin(), written.end()), expected) << "chunk " << chunk;
  }
}

TEST(BackgroundWriteTest, AFailedWriteIsReportedAndTheRestDropped) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
  std::setvbuf(full, nullptr, _IONBF, 0);
  BackgroundWrite out(full, 64);
  // Far more than the chunks that may wait: the writer must not block on a
  // failed file.
  for (int i = 0; i < 10000; ++i) out.Write("a line that the device refuses");
  EXPECT_FALSE(out.Finish());
  EXPECT_TRUE(out.Failed());
  std::fclose(full);
}

}  // namespace
}  // namespace genvora
