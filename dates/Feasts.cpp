// Easter and the movable feasts: each sets the first date (year, month, day)
// of a TGDate to the feast of a year and leaves its other fields alone.
// Before 1583 the Julian computus applies, from 1583 on the Gregorian one.
#include "dates/Calendars.h"
#include "dates/TGDate.h"

namespace genvora {

namespace {

constexpr int kFirstGregorianEasterYear = 1583;

void SetFirstFromSdn(TGDate& date, char calendar, std::int64_t sdn) {
  int year = 0, month = 0, day = 0;
  SdnToCalendar(calendar, sdn, year, month, day);
  date.SetYear(year, false);
  date.SetMonth(month, false);
  date.SetDay(day, false);
}

char CalendarOfYear(int year) { return year < kFirstGregorianEasterYear ? kCalendarJulian : kCalendarGregorian; }

}  // namespace

std::uint32_t TGDate::DatePaques(int year) {
  return year < kFirstGregorianEasterYear ? JulianEaster(year) : GregorianEaster(year);
}

std::uint32_t TGDate::GregorianEaster(int year) {
  int golden = year % 19 + 1;           // 1 to 19
  int century = year / 100;
  // Epact-like correction (0 to 29) and the Sunday letter offset (1 to 7).
  int e = (11 * (year % 19) + 8 - century + century / 4 + (8 * century + 13) / 25) % 30;
  int d = 7 - ((year + year / 4 + year / 400 - year / 100 + 6) % 7);
  if (e == 25 && golden > 11 && d == 3) e = -4;
  if (e == 24 && d == 4) e = -5;
  if (e > 23) e -= 30;
  int n = (e + d + 1) % 7;
  if (n < 0) n += 7;
  SetCalendar(kCalendarGregorian, false);
  std::int64_t sdn = static_cast<std::int64_t>(GregorianToSdn(year, 3, 1)) + 44 - e + n;
  SetFirstFromSdn(*this, kCalendarGregorian, sdn);
  return static_cast<std::uint32_t>(sdn);
}

std::uint32_t TGDate::JulianEaster(int year) {
  int a = year % 19, b = year % 7, c = year % 4;
  int d = (19 * a + 15) % 30;
  int e = (2 * c + 4 * b - d + 34) % 7;
  SetCalendar(kCalendarJulian, false);
  std::int64_t sdn = static_cast<std::int64_t>(JulianToSdn(year, 3, 1)) + d + e + 21;  // March 22 + d + e
  SetFirstFromSdn(*this, kCalendarJulian, sdn);
  return static_cast<std::uint32_t>(sdn);
}

void TGDate::DatePaquesSdnEtJour(int year, int offset) {
  std::int64_t sdn = static_cast<std::int64_t>(DatePaques(year)) + offset;
  SetFirstFromSdn(*this, CalendarOfYear(year), sdn);
}

void TGDate::DatePaquesOrthodoxe(int year) {
  int g = year % 19 + 1;
  int d = (19 * g + 26) % 30;
  int e = ((5 * year) / 4 % 7 + d) % 7;
  std::int64_t sdn = static_cast<std::int64_t>(JulianToSdn(year, 3, 1)) + d + 27 - e;
  SetFirstFromSdn(*this, CalendarOfYear(year), sdn);
}

void TGDate::DatePaquesJuive(int year) {
  // 15 Nisan of the Hebrew year that began in the autumn before.
  std::int64_t sdn = JewishToSdn(year + 3760, 8, 15);
  SetFirstFromSdn(*this, CalendarOfYear(year), sdn);
}

}  // namespace genvora
