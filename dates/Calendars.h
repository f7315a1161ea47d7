// Calendar arithmetic: each calendar converts to and from the serial day
// number (SDN, the Julian Day Number of the day, SDN 1 = 1 January 4713 BC
// Julian + 1 day).
//
// Invariants:
//  1. Every XxxToSdn answers 0 for an input outside its calendar's range; every
//     SdnToXxx yields 0, 0, 0 for an SDN outside its range. 0 is never a day.
//  2. Within range, SdnToXxx(XxxToSdn(y, m, d)) == (y, m, d) exactly when
//     (y, m, d) is a real day of that calendar; validity of a date is that
//     round trip, nothing else.
//  3. Years are signed and there is no year 0: year -1 is 1 BC.
// All divisions truncate toward zero; each step notes the range it works in.
#pragma once

#include <cstdint>

namespace genvora {

// On-disk calendar codes of the date block; they never change.
constexpr char kCalendarGregorian = 'G';
constexpr char kCalendarFrench = 'R';
constexpr char kCalendarJulian = 'J';
constexpr char kCalendarJewish = 'H';

std::uint32_t GregorianToSdn(int year, int month, int day);
void SdnToGregorian(std::int64_t sdn, int& year, int& month, int& day);
std::uint32_t JulianToSdn(int year, int month, int day);
void SdnToJulian(std::int64_t sdn, int& year, int& month, int& day);
std::uint32_t FrenchToSdn(int year, int month, int day);
void SdnToFrench(std::int64_t sdn, int& year, int& month, int& day);
std::uint32_t JewishToSdn(int year, int month, int day);
void SdnToJewish(std::int64_t sdn, int& year, int& month, int& day);

// 0 = Sunday to 6 = Saturday.
int DayOfWeek(std::int64_t sdn);

// The Hebrew steps. Day numbers here count from the Hebrew epoch
// (day = SDN - kJewishSdnOffset); halakim are 1/25920 of a day.
constexpr std::int64_t kJewishSdnOffset = 347997;
struct HebrewMolad {
  std::int64_t day = 0;
  std::int64_t halakim = 0;
};
HebrewMolad MoladOfMetonicCycle(std::int64_t cycle);
std::int64_t Tishri1(int metonicYear, std::int64_t moladDay, std::int64_t moladHalakim);
struct TishriMolad {
  std::int64_t cycle = 0;
  int metonicYear = 0;  // 0 to 18
  HebrewMolad molad;
};
TishriMolad FindTishriMolad(std::int64_t day);
std::int64_t FindStartOfYear(int year);
// Months in Hebrew year `year` (12 or 13).
int JewishMonthsInYear(int year);

// Conversion by calendar code ('R', 'J', 'H', anything else Gregorian).
std::uint32_t CalendarToSdn(char calendar, int year, int month, int day);
void SdnToCalendar(char calendar, std::int64_t sdn, int& year, int& month, int& day);

}  // namespace genvora
