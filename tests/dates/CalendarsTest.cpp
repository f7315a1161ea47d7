// Calendar arithmetic over whole ranges, each checked against a reference
// computed differently: days counted by walking month lengths from a known
// first day, and the Hebrew calendar from the elapsed-months form of the
// molad and postponement rules. Loops count mismatches and report the first,
// so that millions of days cost no assertion overhead.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "dates/Calendars.h"
#include "dates/TGDate.h"

namespace genvora {
namespace {

struct Ymd {
  int y, m, d;
  bool operator==(const Ymd&) const = default;
};

std::string Show(const Ymd& v) {
  std::ostringstream s;
  s << v.y << "-" << v.m << "-" << v.d;
  return s.str();
}

// Counts mismatches and keeps the first one.
struct Mismatches {
  std::int64_t count = 0;
  std::string first;
  void Note(const std::string& what) {
    if (count++ == 0) first = what;
  }
};

int AstronomicalYear(int y) { return y < 0 ? y + 1 : y; }

int MonthLength(bool gregorian, int y, int m) {
  static const int kLengths[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m != 2) return kLengths[m];
  int a = AstronomicalYear(y);
  bool leap = gregorian ? (a % 4 == 0 && (a % 100 != 0 || a % 400 == 0)) : a % 4 == 0;
  return leap ? 29 : 28;
}

// Walks every day from SDN 1 to the last day a minute key can hold.
void WalkSolarCalendar(bool gregorian, Ymd first, Mismatches& bad) {
  Ymd day = first;
  constexpr std::int64_t kLastSdn = 2982616;  // 9 January 3454 Gregorian
  for (std::int64_t sdn = 1; sdn <= kLastSdn; ++sdn) {
    std::uint32_t to = gregorian ? GregorianToSdn(day.y, day.m, day.d) : JulianToSdn(day.y, day.m, day.d);
    Ymd back{};
    if (gregorian)
      SdnToGregorian(sdn, back.y, back.m, back.d);
    else
      SdnToJulian(sdn, back.y, back.m, back.d);
    if (to != sdn || !(back == day))
      bad.Note("sdn " + std::to_string(sdn) + " expected " + Show(day) + " got " + std::to_string(to) + " / " +
               Show(back));
    if (++day.d > MonthLength(gregorian, day.y, day.m)) {
      day.d = 1;
      if (++day.m > 12) {
        day.m = 1;
        day.y = day.y == -1 ? 1 : day.y + 1;
      }
    }
  }
}

TEST(Calendars, GregorianEveryDayFrom4714BcTo3454) {
  Mismatches bad;
  WalkSolarCalendar(true, {-4714, 11, 25}, bad);
  EXPECT_EQ(bad.count, 0) << bad.first;
  EXPECT_EQ(GregorianToSdn(-4714, 11, 24), 0u);
  EXPECT_EQ(GregorianToSdn(0, 1, 1), 0u) << "there is no year 0";
  EXPECT_EQ(GregorianToSdn(-1, 12, 31) + 1, GregorianToSdn(1, 1, 1));
  EXPECT_EQ(GregorianToSdn(1582, 10, 15), 2299161u);
  EXPECT_EQ(GregorianToSdn(1850, 2, 31), GregorianToSdn(1850, 3, 3)) << "the day is not checked, the round trip is";
  int y, m, d;
  SdnToGregorian(0, y, m, d);
  EXPECT_EQ(Show({y, m, d}), "0-0-0");
}

TEST(Calendars, JulianEveryDayFrom4713BcTo3454) {
  Mismatches bad;
  WalkSolarCalendar(false, {-4713, 1, 2}, bad);
  EXPECT_EQ(bad.count, 0) << bad.first;
  EXPECT_EQ(JulianToSdn(-4713, 1, 1), 0u) << "would be SDN 0";
  EXPECT_EQ(JulianToSdn(1582, 10, 4) + 1, GregorianToSdn(1582, 10, 15)) << "the reform's eve";
}

TEST(Calendars, RepublicanEveryDayOfAnIToAnXIV) {
  Mismatches bad;
  std::int64_t sdn = 2375840;  // 1 vendémiaire an I
  EXPECT_EQ(sdn, GregorianToSdn(1792, 9, 22));
  for (int y = 1; y <= 14; ++y) {
    for (int m = 1; m <= 13; ++m) {
      // Years III, VII and XI have six complementary days.
      int length = m < 13 ? 30 : (y % 4 == 3 ? 6 : 5);
      for (int d = 1; d <= length; ++d, ++sdn) {
        Ymd back{};
        SdnToFrench(sdn, back.y, back.m, back.d);
        if (FrenchToSdn(y, m, d) != sdn || !(back == Ymd{y, m, d})) bad.Note("an " + Show({y, m, d}));
      }
    }
  }
  EXPECT_EQ(bad.count, 0) << bad.first;
  EXPECT_EQ(sdn, 2380953) << "an XIV ends on 22 September 1806";
  EXPECT_EQ(sdn, GregorianToSdn(1806, 9, 23));
  int y, m, d;
  SdnToFrench(sdn, y, m, d);
  EXPECT_EQ(Show({y, m, d}), "0-0-0");
  SdnToFrench(2375839, y, m, d);
  EXPECT_EQ(Show({y, m, d}), "0-0-0");
  EXPECT_EQ(FrenchToSdn(15, 1, 1), 0u);
  EXPECT_EQ(FrenchToSdn(1, 14, 1), 0u);
}

// Reference Hebrew calendar: the new year from the months elapsed since the
// molad of creation and the four postponements, month lengths from the
// year's length.
std::int64_t ElapsedDays(std::int64_t year) {
  std::int64_t months = (235 * year - 234) / 19;
  std::int64_t parts = 12084 + 13753 * months;
  std::int64_t days = 29 * months + parts / 25920;
  return (3 * (days + 1)) % 7 < 3 ? days + 1 : days;
}
std::int64_t NewYearSdn(std::int64_t year) {
  std::int64_t ny0 = ElapsedDays(year - 1), ny1 = ElapsedDays(year), ny2 = ElapsedDays(year + 1);
  std::int64_t correction = ny2 - ny1 == 356 ? 2 : (ny1 - ny0 == 382 ? 1 : 0);
  return 347998 + ny1 + correction;
}

TEST(Calendars, HebrewEveryDayOfYears5500To5800) {
  EXPECT_EQ(NewYearSdn(5760), GregorianToSdn(1999, 9, 11)) << "the reference itself";
  EXPECT_EQ(JewishToSdn(5760, 1, 1), GregorianToSdn(1999, 9, 11));
  Mismatches bad;
  for (int y = 5500; y <= 5800; ++y) {
    std::int64_t sdn = NewYearSdn(y);
    std::int64_t length = NewYearSdn(y + 1) - sdn;
    bool leap = (7 * y + 1) % 19 < 7;
    int lengths[14] = {0, 30, length % 10 == 5 ? 30 : 29, length % 10 == 3 ? 29 : 30, 29, 30, leap ? 30 : 29,
                       leap ? 29 : 0, 30, 29, 30, 29, 30, 29};
    for (int m = 1; m <= 13; ++m) {
      for (int d = 1; d <= lengths[m]; ++d, ++sdn) {
        Ymd back{};
        SdnToJewish(sdn, back.y, back.m, back.d);
        if (JewishToSdn(y, m, d) != sdn || !(back == Ymd{y, m, d}))
          bad.Note(Show({y, m, d}) + " sdn " + std::to_string(sdn) + " got " + Show(back));
      }
    }
    if (sdn != NewYearSdn(y + 1)) bad.Note("year length " + std::to_string(y));
  }
  EXPECT_EQ(bad.count, 0) << bad.first;
}

TEST(Calendars, HebrewConversionBackIsTheExactInverseOverTheWholeRange) {
  // Every day from 1 Tishri of year 1 to the last day of the keys; the
  // Heshvan/Kislev days are where a search from the wrong year goes astray.
  Mismatches bad;
  for (std::int64_t sdn = 347998; sdn <= 2982616; ++sdn) {
    Ymd back{};
    SdnToJewish(sdn, back.y, back.m, back.d);
    if (JewishToSdn(back.y, back.m, back.d) != sdn) bad.Note("sdn " + std::to_string(sdn) + " -> " + Show(back));
  }
  EXPECT_EQ(bad.count, 0) << bad.first;
  Ymd kislev{};
  SdnToJewish(JewishToSdn(5919, 3, 23), kislev.y, kislev.m, kislev.d);
  EXPECT_EQ(Show(kislev), "5919-3-23");
  EXPECT_EQ(JewishToSdn(5761, 7, 1), JewishToSdn(5761, 6, 1)) << "a common year has one Adar";
  EXPECT_EQ(JewishToSdn(0, 1, 1), 0u);
  EXPECT_EQ(JewishToSdn(5760, 14, 1), 0u);
}

TEST(Calendars, DayOfWeek) {
  EXPECT_EQ(DayOfWeek(GregorianToSdn(1850, 1, 1)), 2);   // a Tuesday
  EXPECT_EQ(DayOfWeek(GregorianToSdn(2024, 3, 31)), 0);  // a Sunday
}

// Second computation of Easter: the anonymous Gregorian algorithm and the
// Julian one, giving month and day directly.
Ymd GregorianEasterReference(int y) {
  int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4, f = (b + 8) / 25, g = (b - f + 1) / 3;
  int h = (19 * a + b - d - g + 15) % 30, i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
  int m = (a + 11 * h + 22 * l) / 451;
  int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
  return {y, month, day};
}
Ymd JulianEasterReference(int y) {
  int a = y % 4, b = y % 7, c = y % 19, d = (19 * c + 15) % 30, e = (2 * a + 4 * b - d + 34) % 7;
  return {y, (d + e + 114) / 31, (d + e + 114) % 31 + 1};
}

TEST(Feasts, EasterOf1583To2500AgreesWithASecondComputation) {
  Mismatches bad;
  for (int y = 1583; y <= 2500; ++y) {
    TGDate date;
    Ymd expected = GregorianEasterReference(y);
    std::uint32_t sdn = date.DatePaques(y);
    Ymd got{date.GetYear(false), date.GetMonth(false), date.GetDay(false)};
    if (!(got == expected) || sdn != GregorianToSdn(expected.y, expected.m, expected.d) ||
        date.GetCalendar(false) != 'G')
      bad.Note("gregorian " + Show(expected) + " got " + Show(got));

    TGDate julian;
    Ymd je = JulianEasterReference(y);
    julian.JulianEaster(y);
    if (!(Ymd{julian.GetYear(false), julian.GetMonth(false), julian.GetDay(false)} == je) ||
        julian.GetCalendar(false) != 'J')
      bad.Note("julian " + Show(je));

    // Orthodox Easter is the Julian computus, shown in the Gregorian calendar.
    TGDate orthodox;
    orthodox.DatePaquesOrthodoxe(y);
    Ymd oe{};
    SdnToGregorian(JulianToSdn(je.y, je.m, je.d), oe.y, oe.m, oe.d);
    if (!(Ymd{orthodox.GetYear(false), orthodox.GetMonth(false), orthodox.GetDay(false)} == oe))
      bad.Note("orthodox " + Show(oe));
  }
  EXPECT_EQ(bad.count, 0) << bad.first;
}

TEST(Feasts, KnownDatesAndMovableFeasts) {
  struct Case {
    void (TGDate::*feast)(int);
    int year;
    Ymd expected;
  };
  const Case cases[] = {
      {&TGDate::DateMardiGras, 2024, {2024, 2, 13}},  {&TGDate::DateMercrediDesCendres, 2024, {2024, 2, 14}},
      {&TGDate::DateRameaux, 2024, {2024, 3, 24}},    {&TGDate::DateAscension, 2024, {2024, 5, 9}},
      {&TGDate::DatePentecote, 2024, {2024, 5, 19}},  {&TGDate::DateTrinitee, 2024, {2024, 5, 26}},
      {&TGDate::DateFeteDieu, 2024, {2024, 5, 30}},   {&TGDate::DatePaquesOrthodoxe, 2024, {2024, 5, 5}},
      {&TGDate::DatePaquesJuive, 2024, {2024, 4, 23}},  // 15 Nisan 5784
      {&TGDate::DatePentecote, 1500, {1500, 6, 7}},     // Julian Easter 1500 is 19 April
  };
  for (const auto& c : cases) {
    TGDate date;
    (date.*c.feast)(c.year);
    EXPECT_EQ(Show({date.GetYear(false), date.GetMonth(false), date.GetDay(false)}), Show(c.expected));
  }
  TGDate easter;
  easter.DatePaques(2024);
  EXPECT_EQ(Show({easter.GetYear(false), easter.GetMonth(false), easter.GetDay(false)}), "2024-3-31");
  easter.DatePaques(1500);
  EXPECT_EQ(easter.GetCalendar(false), 'J');
  EXPECT_EQ(Show({easter.GetYear(false), easter.GetMonth(false), easter.GetDay(false)}), "1500-4-19");
}

}  // namespace
}  // namespace genvora
