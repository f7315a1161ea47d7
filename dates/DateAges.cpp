// Reckonings over the minute keys of dates: the sort keys and day counts by
// which dates are ordered and compared, the age between two dates (AgeA,
// _AgeA) and the birth date an age gives (CalCuleDateDeNaissance).
//
// Invariants:
//  1. Key arithmetic is signed 64-bit: an event long before a birth never
//     wraps around; a difference that does not fit a minute key fails.
//  2. An age is a date: its year is the count of whole years, its month and
//     day those reached from 1 January (month 1, day 1: no extra month or
//     day).
#include <algorithm>
#include <cstdint>

#include "dates/Calendars.h"
#include "dates/DateTextSupport.h"
#include "dates/TGDate.h"
#include "platform/Resources.h"

namespace genvora {

using datetext::Number;

// ---- Sort keys and day counts ---------------------------------------------

namespace {

struct KeyParts {
  std::int64_t sdn = 0;
  std::int64_t minutes = 0;
  bool dayAdded = false;
};

// The side's day, stepped past the period an "after" qualifier names; unknown
// day and month count as the first.
KeyParts SortParts(const TGDate& date, bool side, bool addDay) {
  KeyParts k;
  int year = date.GetYear(side), month = date.GetMonth(side), day = date.GetDay(side);
  char calendar = date.GetCalendar(side);
  k.minutes = date.GetHour(side) * 60 + date.GetMinute(side);
  int q = date.GetKeywordIndex(false);
  if (q == kKeywordAfter) {
    if (day != 0) {
      k.dayAdded = addDay;
    } else if (month != 0) {
      // Republican and Hebrew years have 13 months; a common Hebrew year has
      // no month 7 (Adar II).
      int last = (calendar == kCalendarFrench || calendar == kCalendarJewish) ? 13 : 12;
      ++month;
      if (calendar == kCalendarJewish && month == 7 && JewishMonthsInYear(year) == 12) month = 8;
      if (month > last) {
        month = 1;
        year = year == -1 ? 1 : year + 1;
      }
    } else if (year != 0) {
      year = year == -1 ? 1 : year + 1;
    }
    k.minutes = 0;
  } else if (q == kKeywordBefore) {
    k.minutes = 0;
  }
  if (day == 0) day = 1;
  if (month == 0) month = 1;
  if (calendar == kCalendarFrench && year == 15) {
    // The day after the calendar's last year: its arithmetic still holds.
    k.sdn = (year * 1461) / 4 + (month - 1) * 30 + day + 2375474;
  } else {
    k.sdn = CalendarToSdn(calendar, year, month, day);
  }
  return k;
}

}  // namespace

double TGDate::GetDateTriDouble(bool side) const {
  if (EstVide()) return 0.0;
  KeyParts k = SortParts(*this, side, true);
  double key = static_cast<double>(k.sdn * 1440 + k.minutes);
  switch (GetKeywordIndex(false)) {
    case kKeywordAfter: return key - 0.9 + (k.dayAdded ? 1440.0 : 0.0);
    case kKeywordBefore: return key - 0.1;
    default: return key;
  }
}

int TGDate::GetNombreDeJours(bool side) const {
  if (EstVide()) return 0;
  KeyParts k = SortParts(*this, side, false);
  return static_cast<int>(k.sdn - (GetKeywordIndex(false) == kKeywordAfter ? 1 : 0));
}

// ---- Ages -----------------------------------------------------------------

namespace {

enum AgeOutcome { kFail, kNone, kAfter, kBefore, kAbout, kRange };
struct AgeCell {
  AgeOutcome outcome;
  bool approx;
};

// Qualifier of an age from the qualifiers of the birth (row) and the event
// (column 0 to 4, then 5 for 5, 6 and 7).
AgeCell AgeQualifier(int birth, int event) {
  static constexpr AgeCell F{kFail, false};
  static constexpr AgeCell kTable[5][5] = {
      /* birth 0, 5 */ {{kNone, false}, {kAfter, false}, {kBefore, false}, {kAfter, false}, {kAbout, false}},
      /* birth 1 */ {{kBefore, false}, F, {kBefore, false}, {kBefore, false}, {kBefore, true}},
      /* birth 2 */ {{kAfter, false}, {kAfter, false}, F, {kAfter, false}, {kAfter, true}},
      /* birth 3 */ {{kAfter, false}, {kAfter, false}, {kBefore, false}, {kRange, false}, {kRange, true}},
      /* birth 4 */ {{kAbout, false}, {kAfter, true}, {kBefore, true}, {kRange, true}, {kAbout, false}},
  };
  if (birth == 6) return event == 6 ? AgeCell{kAbout, true} : F;
  if (birth == 7 || birth < 0 || birth > 7 || event < 0 || event > 4) return F;
  return kTable[birth == 5 ? 0 : birth][event];
}

bool FitsKey(std::int64_t key) { return key >= 0 && key <= 0xFFFFFFFFLL; }

// The age between a birth and an event as two minute keys counted from
// `base`: the earliest event less the latest birth, and the latest event less
// the earliest birth. Signed arithmetic: an event long before the birth must
// not wrap around. False when either end leaves the key range.
bool AgeRange(TGDate& birth, TGDate& event, std::int64_t base, std::int64_t& low, std::int64_t& high) {
  const std::int64_t b1 = birth.GetDateTriApp(false);
  const std::int64_t b2 = birth.IsDouble() ? birth.GetDateTriApp(true) : b1;
  const std::int64_t e1 = event.GetDateTriApp(false);
  const std::int64_t e2 = event.IsDouble() ? event.GetDateTriApp(true) : e1;
  low = e1 - b2 + base;
  high = e2 - b1 + base;
  return FitsKey(low) && FitsKey(high);
}

}  // namespace

bool TGDate::AgeA(TGDate* eventDate, TGDate* result) {
  if (eventDate == nullptr || result == nullptr) return false;
  result->Init();
  result->SetText("1/1/1");
  const std::int64_t base = result->GetDateTriApp(false);
  std::int64_t low = 0, high = 0;
  if (!AgeRange(*this, *eventDate, base, low, high)) return false;
  dateT& r = *result->data_;
  result->SetDateTriApp(static_cast<std::uint32_t>(low), false);
  if (high != low) {
    int y = 0, m = 0, d = 0;
    SdnToCalendar(result->GetCalendar(true), high / 1440, y, m, d);
    r.Year[1] = static_cast<std::int16_t>(y);
    r.Month[1] = static_cast<std::int8_t>(m);
    r.Day[1] = static_cast<std::int8_t>(d);
  }
  for (int s = 0; s < 2; ++s) {
    if (r.Year[s] > 0) --r.Year[s];
    r.Hour[s] = 0;
    r.Minute[s] = 0;
  }
  r.Keyword[1] = 0;
  AgeCell cell = AgeQualifier(GetKeywordIndex(false), std::min(eventDate->GetKeywordIndex(false), 5));
  if (cell.approx) result->ageApproximatif_ = true;
  switch (cell.outcome) {
    case kFail: return false;
    case kNone: r.Keyword[0] = kKeywordNone; break;
    case kAfter: r.Keyword[0] = kKeywordAfter; break;
    case kBefore: r.Keyword[0] = kKeywordBefore; break;
    case kAbout: r.Keyword[0] = kKeywordAbout; break;
    case kRange:
      r.Keyword[0] = kKeywordBetween;
      r.Keyword[1] = kKeywordAnd;
      break;
  }
  return true;
}

bool TGDate::_AgeA(TGDate* eventDate, TGDate* result) {
  if (eventDate == nullptr || result == nullptr) return false;
  result->Init();
  dateT& r = *result->data_;
  r.Year[0] = r.Year[1] = 1;
  r.Month[0] = r.Month[1] = 1;
  r.Day[0] = r.Day[1] = 1;
  const std::int64_t base = static_cast<std::int64_t>(GregorianToSdn(1, 1, 1)) * 1440;
  std::int64_t low = 0, high = 0;
  if (!AgeRange(*this, *eventDate, base, low, high)) return false;
  result->SetDateTriApp(static_cast<std::uint32_t>(low), false);
  result->SetDateTriApp(static_cast<std::uint32_t>(high), true);
  for (int s = 0; s < 2; ++s)
    if (r.Year[s] > 0) --r.Year[s];

  // Qualifiers: R = range (3 and 7), U = unchanged.
  enum { N, A, B, R, X, U, F };
  static constexpr int kTable[5][5] = {
      {N, A, B, R, X}, {B, F, F, B, F}, {A, A, F, A, F}, {R, A, B, R, F}, {X, F, F, F, X}};
  int birth = GetKeywordIndex(false), event = eventDate->GetKeywordIndex(false);
  int outcome = (birth >= 5 || event >= 5) ? U : kTable[birth][event];
  switch (outcome) {
    case F: r.Keyword[0] = r.Keyword[1] = 0; return false;
    case N: r.Keyword[0] = kKeywordNone; break;
    case A: r.Keyword[0] = kKeywordAfter; break;
    case B: r.Keyword[0] = kKeywordBefore; break;
    case X: r.Keyword[0] = kKeywordAbout; break;
    case R: r.Keyword[0] = kKeywordBetween; r.Keyword[1] = kKeywordAnd; break;
    default: break;
  }
  if (r.Keyword[0] != kKeywordBetween) {
    // A single age: both sides equal, the lower bound for "after".
    int from = r.Keyword[0] == kKeywordAfter ? 0 : 1;
    int to = 1 - from;
    r.Year[to] = r.Year[from];
    r.Month[to] = r.Month[from];
    r.Day[to] = r.Day[from];
  }
  return r.Year[0] >= 0 && r.Year[1] >= 0;
}

bool TGDate::CalCuleDateDeNaissance(TGDate* reference, int years, int months, int days) {
  if (reference == nullptr) return false;
  // An age beyond any lifetime is not walked month by month.
  if (years < 0 || months < 0 || days < 0 || years > 10000 || months > 120000 || days > 3660000) return false;
  int d = reference->GetDay(false) - days;
  int y = reference->GetYear(false) - years;
  int m = reference->GetMonth(false) - months;
  if (m < 1 && months > 0) {
    if (m == 0) {
      m = 12;
      --y;
    } else {
      int back = -m;
      m = 12 - back % 12;
      y -= back / 12 + 1;
    }
  }
  if (int length = GetNombreJoursParMois(y, m); d > length) d = length;
  if (days > 0 && d < 1) {
    int yearsBack = 0;
    while (d < 1) {
      --m;
      if (m < 1) {
        m = 12;
        ++yearsBack;
      }
      d += GetNombreJoursParMois(y, m);
    }
    y -= yearsBack;
  }
  format_ = "%C%E %K%E %J%E %MMMM%E %A";
  if (reference->GetMonth(false) == 0) {
    d = 0;
    m = 0;
  } else if (reference->GetDay(false) == 0) {
    d = 0;
  }
  AnsiString text = LoadResString("Locfiches._calculee");
  for (int part : {d, m}) {
    if (part > 0) {
      text += ' ';
      text += Number(part);
    }
  }
  text += ' ';
  text += Number(y);
  return SetText(text);
}

}  // namespace genvora
