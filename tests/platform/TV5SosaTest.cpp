// TV5Sosa: exact decimal text far beyond 64 bits, the arithmetic the
// numberings use, the byte order of the stored key and refused overflow.
#include "platform/TV5Sosa.h"

#include <gtest/gtest.h>

#include <string>

#include "computations/SosaTestSupport.h"

namespace genvora {
namespace {

TEST(TV5SosaTest, TextRoundTripsAndParsesExactly) {
  struct Case {
    const char* in;
    const char* out;
    unsigned generation;
  };
  const Case cases[] = {
      {"0", "0", 0},
      {"1", "1", 1},
      {"3", "3", 2},
      {"4", "4", 3},
      {"000012", "12", 4},
      {"999999999", "999999999", 30},
      {"1000000000", "1000000000", 30},
      {"18446744073709551615", "18446744073709551615", 64},  // 2^64 - 1
      {"18446744073709551616", "18446744073709551616", 65},  // 2^64
      // 2^208 - 1, the largest number the stored form holds.
      {"411376139330301510538742295639337626245683966408394965837152255",
       "411376139330301510538742295639337626245683966408394965837152255", 208},
  };
  for (const Case& c : cases) {
    TV5Sosa n;
    ASSERT_TRUE(n.SetText(c.in)) << c.in;
    EXPECT_EQ(n.GetText(), c.out);
    EXPECT_EQ(n.GetGeneration(), c.generation) << c.in;
  }
}

TEST(TV5SosaTest, RefusedTextLeavesTheNumberUnchanged) {
  TV5Sosa n(42);
  for (const char* bad : {"", "12a", "-1", " 1", "1.5",
                          // 2^208, one past the largest
                          "411376139330301510538742295639337626245683966408394965837152256"}) {
    EXPECT_FALSE(n.SetText(bad)) << bad;
    EXPECT_EQ(n.GetText(), "42");
  }
}

TEST(TV5SosaTest, DoublingMatchesDecimalArithmeticUpTo208BitsThenRefuses) {
  TV5Sosa n(1);
  std::string expected = "1";
  for (unsigned step = 1; step < TV5Sosa::kMaxBits; ++step) {
    const bool mother = step % 3 == 0 || step % 7 == 0;
    TV5Sosa next;
    next.SetCodeID(step);
    next.SetOccurrences(7);
    ASSERT_TRUE(mother ? n.DoublePlusUn(next) : n.Double(next));
    expected = DoubleDecimal(expected, mother);
    ASSERT_EQ(next.GetText(), expected) << "step " << step;
    EXPECT_EQ(next.GetGeneration(), step + 1);
    EXPECT_EQ(next.Odd(), mother);
    // Only the number is written.
    EXPECT_EQ(next.GetCodeID(), step);
    EXPECT_EQ(next.GetOccurrences(), 7U);
    n = next;
  }
  // Generation 208 is full: the next doubling would need 209 bits.
  TV5Sosa dest(5);
  EXPECT_FALSE(n.Double(dest));
  EXPECT_FALSE(n.DoublePlusUn(dest));
  EXPECT_EQ(dest.GetText(), "5");
}

TEST(TV5SosaTest, HalvingWalksTheDigitsBackDown) {
  TV5Sosa n;
  ASSERT_TRUE(n.SetText("340282366920938463463374607431768211457"));  // 2^128 + 1
  EXPECT_TRUE(n.Odd());
  n.Moitie();
  EXPECT_EQ(n.GetText(), "170141183460469231731687303715884105728");  // 2^127
  EXPECT_FALSE(n.Odd());
  for (int i = 0; i < 127; ++i) n.Moitie();
  EXPECT_EQ(n.GetText(), "1");
  n.Moitie();
  EXPECT_TRUE(n.IsZero());
}

TEST(TV5SosaTest, StoredKeyOrdersLikeTheNumbers) {
  const char* ascending[] = {"1", "2", "3", "255", "256", "65535", "65536", "18446744073709551616",
                             "340282366920938463463374607431768211456"};
  for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
    TV5Sosa a, b;
    ASSERT_TRUE(a.SetText(ascending[i]));
    ASSERT_TRUE(b.SetText(ascending[i + 1]));
    EXPECT_LT(a.Compare(b), 0) << ascending[i];
    EXPECT_GT(b.Compare(a), 0);
    EXPECT_EQ(a.Compare(a), 0);
  }
  // The record as stored: code, counter, then the number big-endian and two
  // zero bytes.
  TV5Sosa n(0x0102);
  n.SetCodeID(0x11223344);
  n.SetOccurrences(2);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&n.GetData());
  EXPECT_EQ(bytes[0], 0x44);  // offset 0: CodeID, little-endian
  EXPECT_EQ(bytes[4], 0x02);  // offset 4: counter
  EXPECT_EQ(bytes[8], 0x00);  // offset 8: most significant byte of the number
  EXPECT_EQ(bytes[32], 0x01);
  EXPECT_EQ(bytes[33], 0x02);  // offset 33: least significant byte
  EXPECT_EQ(bytes[34], 0x00);
  EXPECT_EQ(bytes[35], 0x00);
}

TEST(TV5SosaTest, PokeDataClearsThePadding) {
  TV5SosaData data;
  data.codeID = 9;
  data.number[25] = 6;
  data.number[26] = 0xFF;  // damage in the padding
  TV5Sosa n;
  n.PokeData(data);
  EXPECT_EQ(n.GetText(), "6");
  EXPECT_EQ(n.GetData().number[26], 0);
  n.RAZ();
  EXPECT_TRUE(n.IsZero());
  EXPECT_EQ(n.GetCodeID(), 0U);
}

}  // namespace
}  // namespace genvora
