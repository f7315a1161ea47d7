// The date block, its minute keys, predicates, merge and conversion to the
// Gregorian calendar. Reading text lives in DateTextRead.cpp, printing in
// DateTextPrint.cpp, sort keys and ages in DateAges.cpp, feasts in Feasts.cpp.
#include "dates/TGDate.h"

#include <cstring>

#include "dates/Calendars.h"

namespace genvora {

namespace {

// The last day whose minute key (SDN x 1440) still fits 32 bits.
constexpr std::int64_t kFirstSdnBeyondKeys = 2982617;
constexpr std::int64_t kMaxMinuteKey = 0xFFFFFFFFLL;

}  // namespace

bool TGDate::LitDans(ByteReader& reader, dateT& block) {
  // Read into a local so that a short block leaves the caller's untouched.
  unsigned char bytes[kBlockSize];
  if (!reader.Bytes(bytes, kBlockSize)) return false;
  std::memcpy(&block, bytes, kBlockSize);
  return true;
}

void TGDate::EcritDans(ByteWriter& writer, const dateT& block) {
  // The block goes out verbatim, reserved bytes included, so that a record
  // read and written back is unchanged.
  writer.Bytes(&block, kBlockSize);
}

TGDate::TGDate() : owned_(std::make_unique<dateT>()), data_(owned_.get()) { std::memset(data_, 0, kBlockSize); }

TGDate::TGDate(dateT* externalBlock) : data_(externalBlock) {}

int TGDate::GetCalendarIndex(bool side) const {
  switch (GetCalendar(side)) {
    case kCalendarFrench: return 1;
    case kCalendarJulian: return 2;
    case kCalendarJewish: return 3;
    default: return 0;
  }
}

std::int64_t TGDate::MinuteKey(bool side) const {
  int year = data_->Year[side];
  int month = data_->Month[side];
  int day = data_->Day[side];
  if (year == 0 && month == 0 && day == 0) return 0;
  if (day == 0) day = 1;
  if (month == 0) month = 1;
  char calendar = GetCalendar(side);
  std::uint32_t sdn = CalendarToSdn(calendar, year, month, day);
  if (sdn == 0) return -1;
  int backYear = 0, backMonth = 0, backDay = 0;
  SdnToCalendar(calendar, sdn, backYear, backMonth, backDay);
  if (backYear != year || backMonth != month || backDay != day || sdn >= kFirstSdnBeyondKeys) return -1;
  // Hours and minutes are taken as stored (-1 after a rejected time); a key
  // they push outside 32 bits makes the date invalid rather than wrapping.
  std::int64_t key = static_cast<std::int64_t>(sdn) * 1440 + data_->Hour[side] * 60 + data_->Minute[side];
  if (key <= 0 || key > kMaxMinuteKey) return -1;
  return key;
}

std::uint32_t TGDate::GetDateTriApp(bool side) {
  std::int64_t key = MinuteKey(side);
  if (!side && data_->Keyword[1] == 0) {
    // A single date keeps its second side equal to the first, so that every
    // reader of the second side finds the same day.
    data_->Year[1] = data_->Year[0];
    data_->Month[1] = data_->Month[0];
    data_->Day[1] = data_->Day[0];
    data_->Calendar[1] = data_->Calendar[0];
  }
  if (key < 0) {
    data_->Valid = 0;
    return 0;
  }
  data_->Valid = 1;
  return static_cast<std::uint32_t>(key);
}

void TGDate::SetDateTriApp(std::uint32_t minutes, bool side) {
  std::int64_t sdn = minutes / 1440;
  int rest = static_cast<int>(minutes % 1440);
  int year = 0, month = 0, day = 0;
  SdnToCalendar(GetCalendar(side), sdn, year, month, day);
  data_->Year[side] = static_cast<std::int16_t>(year);
  data_->Month[side] = static_cast<std::int8_t>(month);
  data_->Day[side] = static_cast<std::int8_t>(day);
  data_->Hour[side] = static_cast<std::int8_t>(rest / 60);
  data_->Minute[side] = static_cast<std::int8_t>(rest % 60);
  if (!side) {
    data_->Year[1] = data_->Year[0];
    data_->Month[1] = data_->Month[0];
    data_->Day[1] = data_->Day[0];
    data_->Hour[1] = data_->Hour[0];
    data_->Minute[1] = data_->Minute[0];
    data_->Calendar[1] = data_->Calendar[0];
  }
  GetDateTriApp(false);
}

bool TGDate::EstVide() const {
  const dateT& b = *data_;
  return b.Day[0] == 0 && b.Day[1] == 0 && b.Month[0] == 0 && b.Month[1] == 0 && b.Year[0] == 0 && b.Year[1] == 0 &&
         b.Calendar[0] == 0 && b.Calendar[1] == 0 && b.Keyword[0] == 0 && b.Keyword[1] == 0 && b.Separator == 0;
}

bool TGDate::EstIncomplete() const { return data_->Day[0] == 0 || data_->Month[0] == 0 || data_->Year[0] == 0; }

bool TGDate::IsDouble() const {
  return data_->Year[0] != data_->Year[1] || data_->Month[0] != data_->Month[1] || data_->Day[0] != data_->Day[1];
}

void TGDate::Init() {
  // Bytes 0 to 8 (separator, calendars, keywords, days, months), the years,
  // hours, minutes and the three flags; padding and reserved stay as read.
  dateT& b = *data_;
  b.Separator = 0;
  b.Calendar[0] = b.Calendar[1] = 0;
  b.Keyword[0] = b.Keyword[1] = 0;
  b.Day[0] = b.Day[1] = 0;
  b.Month[0] = b.Month[1] = 0;
  b.Year[0] = b.Year[1] = 0;
  b.Hour[0] = b.Hour[1] = 0;
  b.Minute[0] = b.Minute[1] = 0;
  b.Decoded = b.Valid = b.CalendarExplicit = 0;
}

void TGDate::Clone(TGDate* target) const {
  if (target != nullptr && target != this) std::memcpy(target->data_, data_, kBlockSize);
}

void TGDate::Fusionne(const TGDate* other, TListeAssociation* /*associations: a date holds no identifiers*/) {
  if (other == nullptr || other->data_->Keyword[0] != 0) return;
  FusionneLesChampsInternes(other);
  data_->Keyword[0] = data_->Keyword[1] = 0;
}

void TGDate::FusionneLesChampsInternes(const TGDate* other) {
  if (other == nullptr) return;
  const dateT& o = *other->data_;
  dateT& b = *data_;
  // A finer field is only taken while every coarser field agrees, so that a
  // day is never grafted onto another month.
  for (int s = 0; s < 2; ++s) {
    if (b.Year[s] == 0) b.Year[s] = o.Year[s];
    if (b.Year[s] != o.Year[s]) continue;
    if (b.Month[s] == 0) b.Month[s] = o.Month[s];
    if (b.Month[s] != o.Month[s]) continue;
    if (b.Day[s] == 0) b.Day[s] = o.Day[s];
    if (b.Day[s] != o.Day[s]) continue;
    if (b.Hour[s] == 0) b.Hour[s] = o.Hour[s];
    if (b.Hour[s] != o.Hour[s]) continue;
    if (b.Minute[s] == 0) b.Minute[s] = o.Minute[s];
  }
}

void TGDate::EnGregorien(TGDate* target) {
  if (target == nullptr) return;
  std::uint32_t first = GetDateTriApp(false);
  std::uint32_t second = GetDateTriApp(true);
  dateT& t = *target->data_;
  t.Calendar[0] = t.Calendar[1] = kCalendarGregorian;
  t.Keyword[0] = data_->Keyword[0];
  t.Keyword[1] = data_->Keyword[1];
  target->SetDateTriApp(first, false);
  target->SetDateTriApp(second, true);
  // Unknown parts stay unknown: the key counted them as the first day or month.
  if (data_->Day[0] == 0) t.Day[0] = 0;
  if (data_->Day[1] == 0) t.Day[1] = 0;
  if (data_->Month[0] == 0) t.Month[0] = 0;
  if (data_->Month[1] == 0) t.Month[1] = 0;
}

int TGDate::GetAbsoluteYear() {
  TGDate copy;
  Clone(&copy);
  TGDate gregorian;
  copy.EnGregorien(&gregorian);
  return gregorian.GetYear(false);
}

int TGDate::GetDayOfWeek(bool side) const {
  if (data_->Day[side] == 0) return 0;
  std::int64_t key = MinuteKey(side);
  return DayOfWeek(key > 0 ? key / 1440 : 0);
}

int TGDate::GetNombreJoursParMois(int year, int month) {
  switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
    case 4: case 6: case 9: case 11: return 30;
    case 2: return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 29 : 28;
    default: return 0;
  }
}

}  // namespace genvora
