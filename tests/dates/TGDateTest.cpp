// The date block and the operations on its fields: byte-exact reading and
// writing, minute keys and validity, merge, conversion to Gregorian.
#include <gtest/gtest.h>

#include <string>

#include "dates/Calendars.h"
#include "dates/TGDate.h"
#include "platform/ByteCursor.h"
#include "platform/Resources.h"

namespace genvora {
namespace {

// "vers 12/03/1850 14:30" as a record would hold it, with padding and
// reserved bytes that are not zero, as an older release may have left them.
const unsigned char kStoredBlock[32] = {
    '/',                                // 0: Separator
    'G', 'G',                           // 1, 2: calendars
    4, 0,                               // 3, 4: keywords (about, none)
    12, 12,                             // 5, 6: days
    3, 3,                               // 7, 8: months
    0xAB,                               // 9: padding
    0x3A, 0x07, 0x3A, 0x07,             // 10, 12: years 1850, 1850
    14, 14,                             // 14, 15: hours
    30, 30,                             // 16, 17: minutes
    1, 1, 0,                            // 18, 19, 20: Decoded, Valid, CalendarExplicit
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,  // 21 to 31: reserved
};

TEST(TGDateBlock, ReadAndWrittenBackByteForByteThroughAnExternalDate) {
  ScopedResourceLanguage french(Language::French);  // the display below is French
  ByteReader reader(kStoredBlock, sizeof kStoredBlock);
  TGDate::dateT block{};
  ASSERT_TRUE(TGDate::LitDans(reader, block));
  TGDate date(&block);
  EXPECT_TRUE(date.DataExternal());
  EXPECT_EQ(date.GetYear(false), 1850);
  EXPECT_EQ(date.GetKeywordIndex(false), kKeywordAbout);
  EXPECT_EQ(date.GetHour(false), 14);
  EXPECT_EQ(date.GetText(), "vers 12/3/1850");

  std::string out;
  ByteWriter writer(out);
  TGDate::EcritDans(writer, block);
  ASSERT_EQ(out.size(), 32u);
  EXPECT_EQ(out, std::string(reinterpret_cast<const char*>(kStoredBlock), 32));

  // Parsing into the record's block changes the fields, never padding or
  // reserved bytes.
  date.SetText("1 janvier 1900");
  EXPECT_EQ(block.Padding, 0xAB);
  EXPECT_EQ(block.Reserved[10], 11);
  EXPECT_EQ(block.Year[0], 1900);

  // A block cut short is refused and leaves the target as it was.
  ByteReader shortReader(kStoredBlock, 31);
  TGDate::dateT untouched{};
  untouched.Year[0] = 77;
  EXPECT_FALSE(TGDate::LitDans(shortReader, untouched));
  EXPECT_EQ(untouched.Year[0], 77);
}

TGDate::dateT Single(char calendar, int y, int m, int d) {
  TGDate::dateT b{};
  b.Calendar[0] = static_cast<std::uint8_t>(calendar);
  b.Year[0] = static_cast<std::int16_t>(y);
  b.Month[0] = static_cast<std::int8_t>(m);
  b.Day[0] = static_cast<std::int8_t>(d);
  return b;
}

TEST(TGDateKeys, ValidityIsTheRoundTripWithinTheKeyRange) {
  struct Case {
    TGDate::dateT block;
    bool valid;
    std::uint32_t key;
  };
  const Case cases[] = {
      {Single('G', 1850, 2, 31), false, 0},
      {Single(0, 0, 0, 0), true, 0},
      {Single('G', 3454, 1, 9), true, 2982616u * 1440},
      {Single('G', 3454, 1, 10), false, 0},
      {Single('R', 1, 1, 1), true, 2375840u * 1440},
      {Single('R', 3, 13, 6), true, (FrenchToSdn(3, 13, 6)) * 1440},
      {Single('R', 4, 13, 6), false, 0},  // an IV has five complementary days
      {Single('H', 5761, 7, 1), false, 0},  // no Adar II in a common year
      {Single('J', 1850, 0, 0), true, JulianToSdn(1850, 1, 1) * 1440},
      {Single('X', 1850, 1, 1), true, GregorianToSdn(1850, 1, 1) * 1440},  // unknown code = Gregorian
  };
  for (const auto& c : cases) {
    TGDate::dateT b = c.block;
    TGDate date(&b);
    EXPECT_EQ(date.GetDateTriApp(false), c.key) << b.Year[0] << "-" << int(b.Month[0]) << "-" << int(b.Day[0]);
    EXPECT_EQ(date.IsValid(), c.valid);
  }
}

TEST(TGDateKeys, KeysNeverWrapPast32Bits) {
  // 9 January 3454 is the last day, but not every minute of it fits.
  TGDate::dateT b = Single('G', 3454, 1, 9);
  b.Hour[0] = 23;
  TGDate date(&b);
  EXPECT_EQ(date.GetDateTriApp(false), 0u);
  EXPECT_FALSE(date.IsValid());
  b.Hour[0] = 4;
  EXPECT_EQ(date.GetDateTriApp(false), 2982616u * 1440 + 240);
}

TEST(TGDateKeys, FirstKeyOfASingleDateCopiesItIntoTheSecond) {
  TGDate::dateT b = Single('J', 1700, 5, 6);
  TGDate date(&b);
  date.GetDateTriApp(false);
  EXPECT_EQ(b.Year[1], 1700);
  EXPECT_EQ(b.Day[1], 6);
  EXPECT_EQ(b.Calendar[1], 'J');
  EXPECT_FALSE(date.IsDouble());

  TGDate::dateT range = Single('G', 1850, 0, 0);
  range.Keyword[0] = kKeywordBetween;
  range.Keyword[1] = kKeywordAnd;
  range.Year[1] = 1860;
  TGDate r(&range);
  r.GetDateTriApp(false);
  EXPECT_EQ(range.Year[1], 1860);
  EXPECT_TRUE(r.IsDouble());
}

TEST(TGDateKeys, SetFromMinutesConvertsWithTheSidesCalendar) {
  TGDate date;
  date.SetCalendar('R', false);
  date.SetDateTriApp(FrenchToSdn(2, 2, 3) * 1440 + 14 * 60 + 5, false);
  EXPECT_EQ(date.GetYear(false), 2);
  EXPECT_EQ(date.GetMonth(false), 2);
  EXPECT_EQ(date.GetDay(false), 3);
  EXPECT_EQ(date.GetHour(false), 14);
  EXPECT_EQ(date.GetMinute(false), 5);
  EXPECT_EQ(date.GetCalendar(true), 'R');
  EXPECT_TRUE(date.IsValid());
}

TEST(TGDate, PredicatesAndDaysPerMonth) {
  TGDate date;
  EXPECT_TRUE(date.EstVide());
  date.SetSeparator('/');
  EXPECT_FALSE(date.EstVide()) << "a separator alone makes a date not empty";
  date.Init();
  date.SetYear(1850, false);
  EXPECT_TRUE(date.EstIncomplete());
  EXPECT_FALSE(date.EstApproximative());
  EXPECT_EQ(TGDate::GetNombreJoursParMois(1900, 2), 28);
  EXPECT_EQ(TGDate::GetNombreJoursParMois(2000, 2), 29);
  EXPECT_EQ(TGDate::GetNombreJoursParMois(2000, 13), 0);
}

TEST(TGDate, MergeFillsOnlyEmptyFieldsWhoseCoarserFieldsAgree) {
  TGDate mine, other;
  mine.SetText("vers 1850");
  other.SetText("12/03/1850");
  mine.Fusionne(&other, nullptr);
  EXPECT_EQ(mine.GetMonth(false), 3);
  EXPECT_EQ(mine.GetDay(false), 12);
  EXPECT_EQ(mine.GetKeywordIndex(false), 0) << "merging clears this date's qualifiers";

  TGDate differentYear, source;
  differentYear.SetText("1851");
  source.SetText("12/03/1850");
  differentYear.Fusionne(&source, nullptr);
  EXPECT_EQ(differentYear.GetYear(false), 1851);
  EXPECT_EQ(differentYear.GetMonth(false), 0) << "no month grafted onto another year";

  TGDate keep, qualified;
  keep.SetText("1850");
  qualified.SetText("vers 3/1850");
  keep.Fusionne(&qualified, nullptr);
  EXPECT_EQ(keep.GetMonth(false), 0) << "a qualified date gives nothing";
}

TEST(TGDate, ConversionToGregorianKeepsUnknownPartsUnknown) {
  struct Case {
    const char* text;
    int y, m, d;
  };
  const Case cases[] = {
      {"3 brumaire an II", 1793, 10, 24},
      {"an IV", 1795, 0, 0},
      {"1 Tishri 5760", 1999, 9, 11},
      {"J 1 janvier 1700", 1700, 1, 11},
      {"mars 1500", 1500, 3, 0},
  };
  for (const auto& c : cases) {
    TGDate date, target;
    date.SetText(c.text);
    date.EnGregorien(&target);
    EXPECT_EQ(target.GetYear(false), c.y) << c.text;
    EXPECT_EQ(target.GetMonth(false), c.m) << c.text;
    EXPECT_EQ(target.GetDay(false), c.d) << c.text;
    EXPECT_EQ(target.GetCalendar(false), 'G');
    EXPECT_EQ(date.GetAbsoluteYear(), c.y);
  }
}

}  // namespace
}  // namespace genvora
