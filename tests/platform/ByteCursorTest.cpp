// The bounds-checked cursor: every damage stops it with a reason, and a
// failed read leaves its output untouched.
#include <gtest/gtest.h>

#include "platform/ByteCursor.h"

namespace genvora {
namespace {

TEST(ByteReader, ReadsLittleEndianFieldsAndTexts) {
  std::string block;
  ByteWriter w(block);
  w.U32(0x01020304);
  w.U16(0xBEEF);
  w.CString("abc");
  w.F64(1.5);
  ASSERT_EQ(block.size(), 4u + 2 + 4 + 8);
  EXPECT_EQ(block.substr(0, 4), std::string("\x04\x03\x02\x01", 4));

  ByteReader r(block);
  std::uint32_t a = 0;
  std::uint16_t b = 0;
  std::string s;
  double d = 0;
  EXPECT_TRUE(r.U32(a) && r.U16(b) && r.CString(s) && r.F64(d));
  EXPECT_EQ(a, 0x01020304u);
  EXPECT_EQ(b, 0xBEEF);
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(d, 1.5);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_TRUE(r.Ok());
}

TEST(ByteReader, StopsAtFirstDamageWithReason) {
  struct Case {
    std::string bytes;
    const char* reason;
    std::size_t offset;
  } cases[] = {
      {std::string("\x01\x02\x03", 3), "bytes end inside a field", 0},  // U32 needs 4
      {std::string("\x01\x00\x00\x00" "abc", 7), "text without NUL", 4},
      {std::string("\xFF\xFF\xFF\x7F" "ab", 6), "count exceeds block", 4},
  };
  for (const auto& c : cases) {
    ByteReader r(c.bytes);
    std::uint32_t v = 77;
    std::string s = "keep";
    if (c.bytes.size() < 4) {
      EXPECT_FALSE(r.U32(v));
      EXPECT_EQ(v, 77u) << "output untouched";
    } else {
      ASSERT_TRUE(r.U32(v));
      if (std::string(c.reason) == "text without NUL") {
        EXPECT_FALSE(r.CString(s));
        EXPECT_EQ(s, "keep");
      } else {
        EXPECT_FALSE(r.FitsCount(v, 1));
      }
    }
    EXPECT_STREQ(r.Reason(), c.reason);
    EXPECT_EQ(r.Offset(), c.offset);
    std::uint8_t more = 0;
    EXPECT_FALSE(r.U8(more)) << "every read after a failure fails";
  }
}

}  // namespace
}  // namespace genvora
