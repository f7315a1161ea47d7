// Calendar arithmetic through the serial day number; see Calendars.h for the
// invariants. Intermediate values are 64-bit so that no year a date block can
// hold (int16) overflows.
#include "dates/Calendars.h"

namespace genvora {

namespace {

// The first day the Gregorian and Julian conversions accept is SDN 1; the
// conversions back refuse anything that would not fit an int year.
constexpr std::int64_t kLastConvertibleSdn = 0x7FFFFFFF / 4 - 32083;

// Shared tail of the Gregorian and Julian conversions back: from a day count
// D (1 to 366) within a March-based year Y to month, day and signed year.
void MarchYearToDate(std::int64_t y, std::int64_t dayOfYear, int& year, int& month, int& day) {
  std::int64_t t = dayOfYear * 5 - 3;  // 2 to 1827
  std::int64_t m = t / 153;             // 0 = March to 11 = February
  day = static_cast<int>((t % 153) / 5 + 1);
  if (m < 10) {
    month = static_cast<int>(m + 3);
  } else {
    month = static_cast<int>(m - 9);
    ++y;
  }
  std::int64_t signedYear = y - 4800;
  if (signedYear <= 0) --signedYear;  // no year 0: astronomical 0 is 1 BC
  year = static_cast<int>(signedYear);
}

void Clear(int& year, int& month, int& day) { year = month = day = 0; }

// Months per year and months elapsed before each year of the 19-year cycle.
constexpr int kMonthsPerYear[19] = {12, 12, 13, 12, 12, 13, 12, 13, 12, 12, 13, 12, 12, 13, 12, 12, 13, 12, 13};
constexpr int kMonthsElapsed[19] = {0, 12, 24, 37, 49, 61, 74, 86, 99, 111, 123, 136, 148, 160, 173, 185, 197, 210, 222};

constexpr std::int64_t kHalakimPerDay = 25920;
constexpr std::int64_t kHalakimPerLunarMonth = 765433;      // 29 d 12 h 793 p
constexpr std::int64_t kHalakimPerMetonicCycle = 179876755;  // 235 months
constexpr std::int64_t kMoladOfCreation = 31524;             // halakim after day 0 began
constexpr std::int64_t kNoon = 18 * 1080;
constexpr std::int64_t kAm3h11m20s = 9 * 1080 + 204;   // 9924: Tuesday limit of a common year
constexpr std::int64_t kAm9h32m43s = 15 * 1080 + 589;  // 16789: Monday limit after a leap year

void AddHalakim(HebrewMolad& molad, std::int64_t halakim) {
  molad.halakim += halakim;
  molad.day += molad.halakim / kHalakimPerDay;
  molad.halakim %= kHalakimPerDay;
}

// 1 Tishri of the year that follows the molad `molad` of year position
// `metonicYear`.
std::int64_t NextTishri1(int metonicYear, HebrewMolad molad) {
  AddHalakim(molad, kHalakimPerLunarMonth * kMonthsPerYear[metonicYear]);
  return Tishri1((metonicYear + 1) % 19, molad.day, molad.halakim);
}

}  // namespace

std::uint32_t GregorianToSdn(int year, int month, int day) {
  if (year == 0 || year < -4714 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
  // SDN 1 is 25 November 4714 BC; anything earlier would be 0 or negative.
  if (year == -4714 && (month < 11 || (month == 11 && day < 25))) return 0;
  std::int64_t y = year > 0 ? year + 4800 : year + 4801;  // 87 to 37567, March-based
  std::int64_t m;                                          // 0 = March to 11 = February
  if (month > 2) {
    m = month - 3;
  } else {
    m = month + 9;
    --y;
  }
  return static_cast<std::uint32_t>(((y / 100) * 146097) / 4 + ((y % 100) * 1461) / 4 + (m * 153 + 2) / 5 + day -
                                    32045);
}

void SdnToGregorian(std::int64_t sdn, int& year, int& month, int& day) {
  if (sdn <= 0 || sdn > kLastConvertibleSdn) return Clear(year, month, day);
  std::int64_t t = (sdn + 32045) * 4 - 1;
  std::int64_t century = t / 146097;
  t = ((t % 146097) / 4) * 4 + 3;  // quarter-days within the century
  std::int64_t y = century * 100 + t / 1461;
  std::int64_t dayOfYear = (t % 1461) / 4 + 1;  // 1 to 366, from 1 March
  MarchYearToDate(y, dayOfYear, year, month, day);
}

std::uint32_t JulianToSdn(int year, int month, int day) {
  if (year == 0 || year < -4713 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
  if (year == -4713 && month == 1 && day == 1) return 0;  // would be SDN 0
  std::int64_t y = year > 0 ? year + 4800 : year + 4801;
  std::int64_t m;
  if (month > 2) {
    m = month - 3;
  } else {
    m = month + 9;
    --y;
  }
  return static_cast<std::uint32_t>((y * 1461) / 4 + (m * 153 + 2) / 5 + day - 32083);
}

void SdnToJulian(std::int64_t sdn, int& year, int& month, int& day) {
  if (sdn <= 0 || sdn > kLastConvertibleSdn) return Clear(year, month, day);
  std::int64_t t = (sdn + 32083) * 4 - 1;
  std::int64_t y = t / 1461;
  std::int64_t dayOfYear = (t % 1461) / 4 + 1;
  MarchYearToDate(y, dayOfYear, year, month, day);
}

// The republican calendar as it was kept: years I to XIV, twelve months of 30
// days and the complementary days as month 13; years III, VII and XI have six.
constexpr std::int64_t kFrenchSdnOffset = 2375474;
constexpr std::int64_t kFirstFrenchSdn = 2375840;  // 1 vendémiaire an I = 22 September 1792
constexpr std::int64_t kEndFrenchSdn = 2380953;    // 1 vendémiaire an XV, excluded

std::uint32_t FrenchToSdn(int year, int month, int day) {
  if (year < 1 || year > 14 || month < 1 || month > 13 || day < 1 || day > 30) return 0;
  return static_cast<std::uint32_t>((year * 1461) / 4 + (month - 1) * 30 + day + kFrenchSdnOffset);
}

void SdnToFrench(std::int64_t sdn, int& year, int& month, int& day) {
  if (sdn < kFirstFrenchSdn || sdn >= kEndFrenchSdn) return Clear(year, month, day);
  std::int64_t t = (sdn - kFrenchSdnOffset) * 4 - 1;
  year = static_cast<int>(t / 1461);
  std::int64_t dayOfYear = (t % 1461) / 4;  // 0 to 365
  month = static_cast<int>(dayOfYear / 30 + 1);
  day = static_cast<int>(dayOfYear % 30 + 1);
}

int DayOfWeek(std::int64_t sdn) {
  std::int64_t w = (sdn + 1) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

HebrewMolad MoladOfMetonicCycle(std::int64_t cycle) {
  // The product needs 48 bits: 64-bit arithmetic holds it exactly for every
  // cycle a date block can name.
  std::int64_t halakim = kMoladOfCreation + cycle * kHalakimPerMetonicCycle;
  return {halakim / kHalakimPerDay, halakim % kHalakimPerDay};
}

std::int64_t Tishri1(int metonicYear, std::int64_t moladDay, std::int64_t moladHalakim) {
  std::int64_t tishri1 = moladDay;
  std::int64_t dow = tishri1 % 7;  // 0 = Sunday... in the epoch's count
  bool leapYear = metonicYear == 2 || metonicYear == 5 || metonicYear == 7 || metonicYear == 10 ||
                  metonicYear == 13 || metonicYear == 16 || metonicYear == 18;
  bool lastWasLeapYear = metonicYear == 3 || metonicYear == 6 || metonicYear == 8 || metonicYear == 11 ||
                         metonicYear == 14 || metonicYear == 17 || metonicYear == 0;
  // Postponements that keep the year length within 353 to 355 / 383 to 385.
  if (moladHalakim >= kNoon || (!leapYear && dow == 2 && moladHalakim >= kAm3h11m20s) ||
      (lastWasLeapYear && dow == 1 && moladHalakim >= kAm9h32m43s)) {
    ++tishri1;
    dow = (dow + 1) % 7;
  }
  // 1 Tishri never falls on a Sunday, Wednesday or Friday.
  if (dow == 0 || dow == 3 || dow == 5) ++tishri1;
  return tishri1;
}

TishriMolad FindTishriMolad(std::int64_t day) {
  TishriMolad found;
  // (day + 310) / 6940 may underestimate the cycle (a cycle is 6939.69 days)
  // but never overestimates it; the loop corrects the estimate.
  found.cycle = (day + 310) / 6940;
  if (found.cycle < 0) found.cycle = 0;
  found.molad = MoladOfMetonicCycle(found.cycle);
  while (found.molad.day < day - 6630) {
    ++found.cycle;
    AddHalakim(found.molad, kHalakimPerMetonicCycle);
  }
  for (found.metonicYear = 0; found.metonicYear < 18; ++found.metonicYear) {
    if (found.molad.day > day - 74) break;
    AddHalakim(found.molad, kHalakimPerLunarMonth * kMonthsPerYear[found.metonicYear]);
  }
  return found;
}

namespace {

struct YearStart {
  int metonicYear = 0;
  HebrewMolad molad;
  std::int64_t tishri1 = 0;
};

YearStart StartOfYear(int year) {
  YearStart s;
  std::int64_t cycle = (year - 1) / 19;
  s.metonicYear = (year - 1) % 19;
  s.molad = MoladOfMetonicCycle(cycle);
  AddHalakim(s.molad, kHalakimPerLunarMonth * kMonthsElapsed[s.metonicYear]);
  s.tishri1 = Tishri1(s.metonicYear, s.molad.day, s.molad.halakim);
  return s;
}

}  // namespace

std::int64_t FindStartOfYear(int year) { return StartOfYear(year).tishri1; }

int JewishMonthsInYear(int year) { return year >= 1 ? kMonthsPerYear[(year - 1) % 19] : 12; }

std::uint32_t JewishToSdn(int year, int month, int day) {
  if (year < 1 || day < 1 || day > 30) return 0;
  std::int64_t sdn;
  if (month == 1 || month == 2) {
    std::int64_t tishri1 = FindStartOfYear(year);
    sdn = month == 1 ? tishri1 + day - 1 : tishri1 + day + 29;
  } else if (month == 3) {
    // Kislev follows Heshvan, whose length depends on the year's length.
    YearStart start = StartOfYear(year);
    std::int64_t yearLength = NextTishri1(start.metonicYear, start.molad) - start.tishri1;
    sdn = (yearLength == 355 || yearLength == 385) ? start.tishri1 + day + 59 : start.tishri1 + day + 58;
  } else if (month >= 4 && month <= 6) {
    // Counted back from the next 1 Tishri; Adar I and II together last 59
    // days in a leap year, the single Adar 29.
    std::int64_t tishri1After = FindStartOfYear(year + 1);
    std::int64_t adars = JewishMonthsInYear(year) == 12 ? 29 : 59;
    static constexpr int kBack[3] = {237, 208, 178};
    sdn = tishri1After + day - adars - kBack[month - 4];
  } else if (month >= 7 && month <= 13) {
    std::int64_t tishri1After = FindStartOfYear(year + 1);
    static constexpr int kBack[7] = {207, 178, 148, 119, 89, 60, 30};
    sdn = tishri1After + day - kBack[month - 7];
  } else {
    return 0;
  }
  return static_cast<std::uint32_t>(sdn + kJewishSdnOffset);
}

void SdnToJewish(std::int64_t sdn, int& year, int& month, int& day) {
  if (sdn <= kJewishSdnOffset || sdn > kLastConvertibleSdn) return Clear(year, month, day);
  std::int64_t inputDay = sdn - kJewishSdnOffset;  // >= 1
  TishriMolad found = FindTishriMolad(inputDay);
  std::int64_t tishri1 = Tishri1(found.metonicYear, found.molad.day, found.molad.halakim);
  std::int64_t tishri1After;
  std::int64_t y;
  if (inputDay >= tishri1) {
    // The search found the 1 Tishri that opens the day's year.
    y = found.cycle * 19 + found.metonicYear + 1;
    year = static_cast<int>(y);
    if (inputDay < tishri1 + 30) {
      month = 1;
      day = static_cast<int>(inputDay - tishri1 + 1);
      return;
    }
    if (inputDay < tishri1 + 59) {
      month = 2;
      day = static_cast<int>(inputDay - tishri1 - 29);
      return;
    }
    tishri1After = NextTishri1(found.metonicYear, found.molad);
  } else {
    // It found the 1 Tishri that closes the day's year: count back from it.
    y = found.cycle * 19 + found.metonicYear;
    year = static_cast<int>(y);
    if (inputDay >= tishri1 - 177) {
      static constexpr struct {
        int month;
        int back;
      } kLast[5] = {{13, 30}, {12, 60}, {11, 89}, {10, 119}, {9, 148}};
      for (const auto& m : kLast) {
        if (inputDay > tishri1 - m.back) {
          month = m.month;
          day = static_cast<int>(inputDay - tishri1 + m.back);
          return;
        }
      }
      month = 8;
      day = static_cast<int>(inputDay - tishri1 + 178);
      return;
    }
    bool leap = JewishMonthsInYear(year) == 13;
    month = leap ? 7 : 6;
    std::int64_t d = inputDay - tishri1 + 207;
    if (leap && d <= 0) {  // Adar I
      --month;
      d += 30;
    }
    if (d <= 0) {  // Shevat
      --month;
      d += 30;
    }
    if (d <= 0) {  // Tevet
      --month;
      d += 29;
    }
    if (d > 0) {
      day = static_cast<int>(d);
      return;
    }
    // Heshvan or Kislev: the length of the year is needed, so find the 1
    // Tishri of this year. The search starts a year before that year's own
    // molad; searching from a year before the day itself could land on the
    // molad of the year before and give a wrong Heshvan/Kislev split.
    tishri1After = tishri1;
    TishriMolad previous = FindTishriMolad(found.molad.day - 365);
    tishri1 = Tishri1(previous.metonicYear, previous.molad.day, previous.molad.halakim);
  }
  std::int64_t yearLength = tishri1After - tishri1;
  std::int64_t k = inputDay - tishri1 - 29;
  if (yearLength == 355 || yearLength == 385) {  // Heshvan has 30 days
    if (k < 31) {
      month = 2;
      day = static_cast<int>(k);
    } else {
      month = 3;
      day = static_cast<int>(k - 30);
    }
  } else {
    if (k > 29) {
      month = 3;
      day = static_cast<int>(k - 29);
    } else {
      month = 2;
      day = static_cast<int>(k);
    }
  }
}

std::uint32_t CalendarToSdn(char calendar, int year, int month, int day) {
  switch (calendar) {
    case kCalendarJewish: return JewishToSdn(year, month, day);
    case kCalendarJulian: return JulianToSdn(year, month, day);
    case kCalendarFrench: return FrenchToSdn(year, month, day);
    default: return GregorianToSdn(year, month, day);
  }
}

void SdnToCalendar(char calendar, std::int64_t sdn, int& year, int& month, int& day) {
  switch (calendar) {
    case kCalendarJewish: return SdnToJewish(sdn, year, month, day);
    case kCalendarJulian: return SdnToJulian(sdn, year, month, day);
    case kCalendarFrench: return SdnToFrench(sdn, year, month, day);
    default: return SdnToGregorian(sdn, year, month, day);
  }
}

}  // namespace genvora
