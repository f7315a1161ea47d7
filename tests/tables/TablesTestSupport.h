// Helpers of the table tests: a code counter, record makers, the codes of an
// LArray of 4-byte items, and a write-then-read through a real file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "containers/LArray.h"
#include "platform/File.h"
#include "tables/IndexSupport.h"

namespace genvora {

class CounterCodes : public ICodeAllocator {
 public:
  explicit CounterCodes(CodeID first = 1000) : next_(first) {}
  CodeID GetNextID() override { return next_++; }

 private:
  CodeID next_;
};

inline std::vector<CodeID> Codes(const LArray& array) {
  std::vector<CodeID> out;
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i) out.push_back(ItemWord(array.GetItemPtr(i), 0));
  return out;
}

// Writes `table` into a file of `dir`, reads it back into `fresh`, writes
// `fresh` into a second file, and answers the bytes of both files.
template <typename Table>
std::pair<std::vector<unsigned char>, std::vector<unsigned char>> RoundTrip(const Table& table, Table& fresh,
                                                                          const TempDir& dir) {
  const std::string first = dir.Path() + "/first.bin";
  const std::string second = dir.Path() + "/second.bin";
  {
    auto file = PlatformFile::Open(first, FileMode::Create);
    EXPECT_TRUE(file && table.EcritDans(file.get()));
  }
  {
    auto file = PlatformFile::Open(first, FileMode::Read);
    EXPECT_TRUE(file && fresh.LitDans(file.get())) << (fresh.GetReadFailure() ? fresh.GetReadFailure() : "");
    EXPECT_EQ(file->Position(), file->Size()) << "the whole block is read, indexes included";
  }
  {
    auto file = PlatformFile::Open(second, FileMode::Create);
    EXPECT_TRUE(file && fresh.EcritDans(file.get()));
  }
  return {ReadAll(first), ReadAll(second)};
}

}  // namespace genvora
