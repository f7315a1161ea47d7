// TGDate: a genealogical date (qualified, possibly a range, in one of four
// calendars, possibly with a time of day) and the 32-byte block it is stored
// in inside events, documents, media and historical facts.
//
// The date block, little-endian, copied as a whole:
//
// | offset | size | field                                                  |
// |--------|------|--------------------------------------------------------|
// | 0      | 1    | Separator typed (" ", "/", "-", ".", ","), 0 = none     |
// | 1      | 1    | Calendar of the first date ('G','R','J','H'; other = G)|
// | 2      | 1    | Calendar of the second date                            |
// | 3      | 1    | Keyword (qualifier index 0 to 7) of the first date     |
// | 4      | 1    | Keyword of the second date; 7 (and) closes a range     |
// | 5      | 1    | Day of the first date (int8, 0 = unknown)              |
// | 6      | 1    | Day of the second date                                 |
// | 7      | 1    | Month of the first date (int8, 0 = unknown)            |
// | 8      | 1    | Month of the second date                               |
// | 9      | 1    | padding                                                |
// | 10     | 2    | Year of the first date (int16, 0 = unknown, no year 0) |
// | 12     | 2    | Year of the second date                                |
// | 14     | 1    | Hour of the first date (int8, -1 = rejected time)      |
// | 15     | 1    | Hour of the second date                                |
// | 16     | 1    | Minute of the first date (int8, -1 = rejected time)    |
// | 17     | 1    | Minute of the second date                              |
// | 18     | 1    | Decoded: the last text read gave a usable date         |
// | 19     | 1    | Valid: empty, or converts to an SDN and back unchanged |
// | 20     | 1    | CalendarExplicit: the text named the calendar          |
// | 21     | 11   | reserved                                               |
//
// Invariants:
//  1. The padding and reserved bytes are never interpreted; they are kept as
//     read and written back unchanged (Init leaves them alone too).
//  2. Decoded and Valid only change when a text is parsed or a minute key is
//     computed; setting fields one by one leaves them as they were.
//  3. The minute key of a side is SDN x 1440 + hour x 60 + minute and fits an
//     unsigned 32-bit value; a date whose key would not is invalid.
//  4. No operation throws; bad input gives key 0, Valid 0 or Decoded 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/ByteCursor.h"
#include "platform/Types.h"

namespace genvora {

class TListeAssociation;

// Qualifier indexes stored in the Keyword fields; they never change.
enum TGDateKeyword : std::uint8_t {
  kKeywordNone = 0,
  kKeywordAfter = 1,
  kKeywordBefore = 2,
  kKeywordBetween = 3,
  kKeywordAbout = 4,
  kKeywordCalculated = 5,
  kKeywordEstimated = 6,
  kKeywordAnd = 7,
};

class TGDate {
 public:
#pragma pack(push, 1)
  struct dateT {
    std::uint8_t Separator;
    std::uint8_t Calendar[2];
    std::uint8_t Keyword[2];
    std::int8_t Day[2];
    std::int8_t Month[2];
    std::uint8_t Padding;
    std::int16_t Year[2];
    std::int8_t Hour[2];
    std::int8_t Minute[2];
    std::uint8_t Decoded;
    std::uint8_t Valid;
    std::uint8_t CalendarExplicit;
    std::uint8_t Reserved[11];
  };
#pragma pack(pop)
  static constexpr std::size_t kBlockSize = 32;
  static_assert(sizeof(dateT) == kBlockSize);

  // The block as stored in a record: read and written byte for byte.
  static bool LitDans(ByteReader& reader, dateT& block);
  static void EcritDans(ByteWriter& writer, const dateT& block);

  TGDate();                                // owns a zero-filled block
  explicit TGDate(dateT* externalBlock);   // wraps a record's block
  TGDate(const TGDate&) = delete;
  TGDate& operator=(const TGDate&) = delete;
  ~TGDate() = default;

  dateT& Block() { return *data_; }
  const dateT& Block() const { return *data_; }
  bool DataExternal() const { return owned_ == nullptr; }

  // Field access; side false = first date, true = second date.
  char GetCalendar(bool side) const { return static_cast<char>(data_->Calendar[side]); }
  void SetCalendar(char code, bool side) { data_->Calendar[side] = static_cast<std::uint8_t>(code); }
  int GetDay(bool side) const { return data_->Day[side]; }
  void SetDay(int day, bool side) { data_->Day[side] = static_cast<std::int8_t>(day); }
  int GetMonth(bool side) const { return data_->Month[side]; }
  void SetMonth(int month, bool side) { data_->Month[side] = static_cast<std::int8_t>(month); }
  int GetYear(bool side) const { return data_->Year[side]; }
  void SetYear(int year, bool side) { data_->Year[side] = static_cast<std::int16_t>(year); }
  int GetHour(bool side) const { return data_->Hour[side]; }
  void SetHour(int hour, bool side) { data_->Hour[side] = static_cast<std::int8_t>(hour); }
  int GetMinute(bool side) const { return data_->Minute[side]; }
  void SetMinute(int minute, bool side) { data_->Minute[side] = static_cast<std::int8_t>(minute); }
  char GetSeparator() const { return static_cast<char>(data_->Separator); }
  void SetSeparator(char separator) { data_->Separator = static_cast<std::uint8_t>(separator); }
  int GetKeywordIndex(bool side) const { return data_->Keyword[side]; }
  void SetKeywordIndex(int index, bool side) { data_->Keyword[side] = static_cast<std::uint8_t>(index); }
  // 0 Gregorian (also 0 and unknown codes), 1 republican, 2 Julian, 3 Hebrew.
  int GetCalendarIndex(bool side) const;
  bool GetCalendarExplicit() const { return data_->CalendarExplicit != 0; }

  // The integer-side forwards used by the host's forms.
  int _GetJour(int side) const { return GetDay(side != 0); }
  int _GetMois(int side) const { return GetMonth(side != 0); }
  int _GetAnnee(int side) const { return GetYear(side != 0); }
  int _GetHeure(int side) const { return GetHour(side != 0); }
  int _GetMinute(int side) const { return GetMinute(side != 0); }
  char _GetCalendar(int side) const { return GetCalendar(side != 0); }
  void _SetJour(int v, int side) { SetDay(v, side != 0); }
  void _SetMois(int v, int side) { SetMonth(v, side != 0); }
  void _SetAnnee(int v, int side) { SetYear(v, side != 0); }
  void _SetHeure(int v, int side) { SetHour(v, side != 0); }
  void _SetMinute(int v, int side) { SetMinute(v, side != 0); }
  void _SetCalendar(char v, int side) { SetCalendar(v, side != 0); }

  // Minute key of a side; refreshes Valid. Computing the first side of a date
  // that is not a range copies the first date into the second.
  std::uint32_t GetDateTriApp(bool side);
  void SetDateTriApp(std::uint32_t minutes, bool side);

  bool IsValid() const { return data_->Valid != 0; }
  bool IsDecoded() const { return data_->Decoded != 0; }
  bool EstVide() const;
  bool EstIncomplete() const;
  bool EstApproximative() const { return data_->Keyword[0] != 0; }
  bool IsDouble() const;
  // Set by the age computation when the age is only approximate.
  bool AgeApproximatif() const { return ageApproximatif_; }

  void Init();
  void Clone(TGDate* target) const;
  void Fusionne(const TGDate* other, TListeAssociation* associations);
  void FusionneLesChampsInternes(const TGDate* other);
  void EnGregorien(TGDate* target);
  int GetAbsoluteYear();
  int GetDayOfWeek(bool side) const;
  static int GetNombreJoursParMois(int year, int month);

  // Feasts: each sets the first date to the feast of `year` and returns its
  // SDN (Easter steps) or nothing.
  std::uint32_t DatePaques(int year);
  std::uint32_t GregorianEaster(int year);
  std::uint32_t JulianEaster(int year);
  void DatePaquesSdnEtJour(int year, int offset);
  void DateMardiGras(int year) { DatePaquesSdnEtJour(year, -47); }
  void DateMercrediDesCendres(int year) { DatePaquesSdnEtJour(year, -46); }
  void DateRameaux(int year) { DatePaquesSdnEtJour(year, -7); }
  void DateAscension(int year) { DatePaquesSdnEtJour(year, 39); }
  void DatePentecote(int year) { DatePaquesSdnEtJour(year, 49); }
  void DateTrinitee(int year) { DatePaquesSdnEtJour(year, 56); }
  void DateFeteDieu(int year) { DatePaquesSdnEtJour(year, 60); }
  void DatePaquesOrthodoxe(int year);
  void DatePaquesJuive(int year);

  // ---- Reading (DateTextRead.cpp) ----

  // Date order: '1' day-month-year, '0' month-day-year, '2' year-month-day.
  // Chosen from the preferences ("FormatDateFRUS") at first use and again by
  // InitializeStaticData.
  static void InitializeStaticData();
  static char GetDateOrder();
  static void SetDateOrder(char order);

  bool SetText(const AnsiString& text);
  bool Decode(const AnsiString& dateText, const AnsiString& timeText);
  bool DecodeDate(const AnsiString& text);
  bool DecodeTime(const AnsiString& text);
  // Throws EGenvoraError for a text that is not a time.
  static bool TimeFromText(AnsiString& text, int& hour, int& minute);
  bool SetTimeFromText(AnsiString text);
  static void PretraiteLesDatesSpeciales(AnsiString& text);

  // ---- Names and printing (DateTextPrint.cpp) ----

  static AnsiString GetFormat(bool withCalendar);
  AnsiString GetChaine(AnsiString format) const;
  AnsiString GetText() const;
  void SetFormat(const AnsiString& format) { format_ = format; }
  const AnsiString& GetFormatText() const { return format_; }
  void SetGregorien(bool on) { gregorien_ = on; }
  bool GetGregorien() const { return gregorien_; }

  AnsiString GetMonthName(bool side) const;
  AnsiString GetShortMonthName(bool side) const;
  AnsiString GetDayName(bool side) const;
  AnsiString GetShortDayName(bool side) const;
  AnsiString GetKeyword(bool side) const;

  // ---- Sort keys, day counts and ages (DateAges.cpp) ----

  double GetDateTriDouble(bool side) const;
  int GetNombreDeJours(bool side) const;
  bool operator<(const TGDate& other) const { return GetDateTriDouble(false) < other.GetDateTriDouble(false); }
  bool operator<=(const TGDate& other) const { return GetDateTriDouble(false) <= other.GetDateTriDouble(false); }

  // The age at `eventDate` of a person born on this date, as a date in
  // `result`: its year the whole years, its month and day those reached from
  // 1 January (month 1, day 1: no extra month or day). The two forms differ:
  //  - AgeA reads the age back in the Julian calendar, keeps an age whose
  //    event comes before the birth (its year is then negative), qualifies
  //    it from both qualifiers and sets AgeApproximatif where the pair makes
  //    it only approximate ("about" against "after"...); it fails on a pair
  //    that gives no age (both "after", an estimated date against another).
  //  - _AgeA reads it back in the Gregorian calendar, always fills both
  //    sides (one value, or the span of a double date), never sets the
  //    approximation flag but fails on the pairs AgeA calls approximate,
  //    gives an unqualified age when either date is calculated, estimated
  //    or closes a range, and fails for an event before the birth.
  // Callers: none in this engine or tool besides the tests, which pin both.
  // The consistency control of dates takes AgeA: its rules fire on a
  // negative age (a death before the birth) and must tell an approximate
  // age from a sure one. _AgeA has no such caller; it stays for the host,
  // which imports both.
  bool AgeA(TGDate* eventDate, TGDate* result);
  bool _AgeA(TGDate* eventDate, TGDate* result);
  bool CalCuleDateDeNaissance(TGDate* reference, int years, int months, int days);

 private:
  // Minute key without side effects (for printing and sorting); -1 when the
  // side does not round-trip.
  std::int64_t MinuteKey(bool side) const;

  std::unique_ptr<dateT> owned_;
  dateT* data_;
  bool ageApproximatif_ = false;
  AnsiString format_;
  bool gregorien_ = false;
};

}  // namespace genvora
