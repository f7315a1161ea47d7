// Date text: reading a typed date into the block, printing it through the
// format tokens, names, sort keys, day counts and ages.
//
// Invariants:
//  1. Parsing never throws and never reads past the text; every token either
//     consumes at least one character or ends the scan.
//  2. What the default format prints in the language in force reads back to
//     the same fields (the formatter and the parser share one vocabulary).
//  3. Printed text is at most 255 characters.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dates/Calendars.h"
#include "dates/DateVocabulary.h"
#include "dates/TGDate.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"

namespace genvora {

using datetext::Vocab;
using datetext::Vocabulary;

namespace {

char g_dateOrder = 0;  // 0 until chosen

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// Tolerant comparison of the first n characters: wherever either side holds
// something other than an ASCII letter, digit or space (an accented letter, a
// dot) both sides get "$", so "fevrier" matches "février". A text with no
// ASCII letter or digit at all is compared exactly, so that punctuation alone
// never matches a word.
bool strnxcmp(std::string_view text, std::string_view entry, std::size_t n) {
  char t[64], e[64];
  if (n > sizeof t) return false;
  bool textHasAlnum = false;
  for (std::size_t i = 0; i < n; ++i) {
    t[i] = text[i];
    e[i] = entry[i];
    if (IsAsciiAlnum(t[i])) textHasAlnum = true;
  }
  if (!textHasAlnum) return text.substr(0, n) == entry.substr(0, n);
  for (std::size_t i = 0; i < n; ++i)
    if (!(IsAsciiAlnum(t[i]) || t[i] == ' ')) t[i] = e[i] = '$';
  for (std::size_t i = 0; i < n; ++i)
    if (!(IsAsciiAlnum(e[i]) || e[i] == ' ')) t[i] = e[i] = '$';
  for (std::size_t i = 0; i < n; ++i)
    if (AsciiUpper(t[i]) != AsciiUpper(e[i])) return false;
  return true;
}

// Reads a signed decimal number at the start of `text`. 0 counts as no
// number. Digits beyond what any date field can hold are consumed but the
// value saturates, so that a long run of digits cannot overflow.
bool ScanForNumber(std::string_view text, long& value, std::size_t& length) {
  if (text.empty() || !(IsAsciiDigit(text[0]) || text[0] == '-')) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-') {
    negative = true;
    ++i;
  }
  long v = 0;
  while (i < text.size() && IsAsciiDigit(text[i])) {
    if (v < 1000000) v = v * 10 + (text[i] - '0');
    ++i;
  }
  if (v == 0) return false;
  value = negative ? -v : v;
  length = i;
  return true;
}

struct Match {
  int kind = -1;
  int index = 0;
  std::size_t length = 0;
};

// Kind 12: an optional "an ", then a roman or arabic numeral up to the next
// space, compared over its own length.
bool ScanRepublicanYear(const Vocabulary& v, std::string_view text, Match& m) {
  std::size_t start = 0;
  if (text.size() > 3 && EqualNoCase(text.substr(0, 3), "an ")) start = 3;
  std::size_t end = text.find(' ', start);
  if (end == std::string_view::npos) end = text.size();
  std::string_view word = text.substr(start, end - start);
  if (word.empty() || word.size() > 5) return false;  // no numeral is longer
  for (const auto* list : {&v.romanYears, &v.arabicYears}) {
    for (std::size_t i = 1; i < list->size(); ++i) {
      std::string_view numeral = std::string_view((*list)[i]).substr(3);  // without "an "
      if (numeral.size() >= word.size() && EqualNoCase(numeral.substr(0, word.size()), word)) {
        m = {datetext::kRepublicanYears, static_cast<int>(i), end};
        return true;
      }
    }
  }
  return false;
}

bool IsTolerantKind(int kind) {
  return kind == datetext::kFrenchAbbreviations || kind == datetext::kLocalizedQualifiers ||
         kind == datetext::kFrenchMonths || kind == datetext::kFrenchRepublicanMonths ||
         kind == datetext::kRepublicanGedcomMonths || kind == datetext::kHebrewMonths ||
         kind == datetext::kCalendarNames;
}

bool ScanForTexte(const Vocabulary& v, std::string_view text, Match& m) {
  for (int kind = 0; kind < datetext::kKindCount; ++kind) {
    if (kind == datetext::kRepublicanYears) {
      if (text.empty()) return false;
      if (ScanRepublicanYear(v, text, m)) return true;
      continue;
    }
    const auto& list = v.lists[kind];
    bool tolerant = IsTolerantKind(kind);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const AnsiString& entry = list[i];
      std::size_t n = entry.size();
      if (n == 0 || text.size() < n) continue;
      bool same = tolerant ? strnxcmp(text, entry, n) : EqualNoCase(text.substr(0, n), entry);
      if (same) {
        m = {kind, static_cast<int>(i), n};
        return true;
      }
    }
  }
  return false;
}

// The registers of a side: a number or month shifts the day-month-pending
// window left. Fails (leaving the registers) when the day is already taken.
bool Push(long& day, long& month, long& pending) {
  if (day != 0) return false;
  day = month;
  month = pending;
  pending = 0;
  return true;
}

std::string_view Rest(const AnsiString& text, std::size_t pos) {
  return std::string_view(text).substr(std::min(pos, text.size()));
}

std::size_t SkipSpaces(const AnsiString& text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

bool BeforeGregorianReform(long year, long month, long day) {
  return year < 1582 || (year == 1582 && month < 12) || (year == 1582 && month == 12 && day < 10);
}

AnsiString TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
}

AnsiString Number(long value) { return std::to_string(value); }

// The republican year as printed: "an I " to "an XX ".
AnsiString RepublicanYear(int year) {
  const Vocabulary& v = Vocab();
  if (year < 1 || year > 20) return {};
  return v.romanYears[static_cast<std::size_t>(year)];
}

AnsiString ListEntry(const std::vector<AnsiString>& list, int index) {
  if (index < 1 || static_cast<std::size_t>(index) >= list.size()) return {};
  return list[static_cast<std::size_t>(index)];
}

AnsiString Lower(AnsiString s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

// ---- Date order -----------------------------------------------------------

void TGDate::InitializeStaticData() {
  // Month-day-year only when the user asked for it; without preferences the
  // French order applies.
  TPreferenceGenvora5* prefs = SharedPrefs();
  g_dateOrder = (prefs != nullptr && prefs->FormatDateFRUS == "1") ? '0' : '1';
}

char TGDate::GetDateOrder() {
  if (g_dateOrder == 0) InitializeStaticData();
  return g_dateOrder;
}

void TGDate::SetDateOrder(char order) { g_dateOrder = order; }

// ---- Reading --------------------------------------------------------------

void TGDate::PretraiteLesDatesSpeciales(AnsiString& text) {
  if (text.empty()) return;
  if (text.front() == '/') {
    text.replace(0, 1, "< ");
  } else if (text.back() == '/') {
    text.pop_back();
    text.insert(0, "> ");
  } else if (auto p = text.find("//"); p != AnsiString::npos) {
    text.replace(p, 2, LoadResString("Locfiches._et"));
    text.insert(0, LoadResString("Locfiches._entre"));
  } else if (Lower(text.substr(0, 3)) == "ca ") {
    text.replace(0, 2, LoadResString("Locfiches._vers"));
  } else if (Lower(text.substr(0, 6)) == "circa ") {
    text.replace(0, 5, LoadResString("Locfiches._vers"));
  }
}

bool TGDate::SetText(const AnsiString& text) {
  AnsiString work = text;
  PretraiteLesDatesSpeciales(work);
  return DecodeDate(work);
}

bool TGDate::Decode(const AnsiString& dateText, const AnsiString& timeText) {
  if (dateText.empty() && timeText.empty()) return true;
  bool result = true;
  if (!dateText.empty()) result = DecodeDate(dateText);
  if (result && !timeText.empty()) result = DecodeTime(timeText);
  return result;
}

bool TGDate::DecodeDate(const AnsiString& text) {
  Init();
  dateT& b = *data_;
  if (text.empty()) {
    b.Valid = 1;
    return true;
  }
  const Vocabulary& v = Vocab();
  const char order = GetDateOrder();
  std::size_t pos = 0;
  bool yearOutOfRange = false;
  std::uint32_t keys[2] = {0, 0};
  bool stopped = false;

  for (int s = 0; s < 2 && !stopped; ++s) {
    const bool side = s == 1;
    pos = SkipSpaces(text, pos);
    long day = 0, month = 0, pending = 0;
    bool sideEnds = false;
    auto endOnNumber = [&](bool bySize) {
      if (bySize) sideEnds = true;
      if (day != 0 && month != 0) {
        sideEnds = true;
        if (order == '0') std::swap(day, month);
      }
    };
    while (!sideEnds && pos < text.size()) {
      std::string_view rest = Rest(text, pos);
      long number = 0;
      std::size_t length = 0;
      if (ScanForNumber(rest, number, length)) {
        pos += length;
        if (!Push(day, month, pending)) {
          stopped = true;
          break;
        }
        pending = number;
        endOnNumber(number > 31 || number < 0);
        continue;
      }
      Match m;
      if (!ScanForTexte(v, rest, m)) {
        stopped = true;
        break;
      }
      switch (m.kind) {
        case datetext::kSeparators:
          if (b.Separator == 0) b.Separator = static_cast<std::uint8_t>(v.lists[m.kind][m.index][0]);
          pos += m.length;
          break;
        case datetext::kFrenchRepublicanMonths:
        case datetext::kRepublicanGedcomMonths:
        case datetext::kHebrewGedcomMonths:
        case datetext::kHebrewMonths:
          if (b.Calendar[s] == 0) {
            bool republican = m.kind == datetext::kFrenchRepublicanMonths || m.kind == datetext::kRepublicanGedcomMonths;
            b.Calendar[s] = static_cast<std::uint8_t>(republican ? kCalendarFrench : kCalendarJewish);
          }
          [[fallthrough]];
        case datetext::kFrenchAbbreviations:
        case datetext::kFrenchMonths:
        case datetext::kGedcomMonths:
        case datetext::kEnglishMonths:
          Push(day, month, pending);  // a month word goes on even when the window is full
          pending = m.index;
          // The entry's trailing space is matched but left for the next token.
          pos += m.length - 1;
          break;
        case datetext::kRepublicanYears:
          if (b.Calendar[s] == 0) b.Calendar[s] = kCalendarFrench;
          Push(day, month, pending);
          pending = m.index;
          pos += m.length;
          endOnNumber(true);
          break;
        case datetext::kLocalizedQualifiers:
        case datetext::kGedcomQualifiers:
        case datetext::kQualifierSymbols:
          pos += m.length;
          if (b.Keyword[s] == 0) {
            b.Keyword[s] = static_cast<std::uint8_t>(m.index);
            if (m.index == kKeywordAnd && b.Keyword[0] != kKeywordBetween) sideEnds = true;
          } else if (!side) {
            // A second qualifier on the first date belongs to the second
            // date ("entre 5 et 6"): it ends the first date.
            b.Keyword[1] = static_cast<std::uint8_t>(m.index);
            sideEnds = true;
          }
          break;
        default:  // calendar escapes, letters and names
          b.Calendar[s] = static_cast<std::uint8_t>(v.calendarCodes[static_cast<std::size_t>(m.index)]);
          b.CalendarExplicit = 1;
          pos += m.length;
          break;
      }
    }
    // End of the side: a date read without a final number (ending on a month)
    // takes its last value as the year.
    if (pending == 0) {
      pending = month;
      month = day;
      day = 0;
      if (pending == 0) {
        pending = month;
        month = 0;
      }
    }
    if (pending < -32768 || pending > 32767) {
      // A year the block cannot hold is not truncated into another year.
      yearOutOfRange = true;
      pending = 0;
    }
    b.Year[s] = static_cast<std::int16_t>(pending);
    b.Month[s] = static_cast<std::int8_t>(month);
    b.Day[s] = static_cast<std::int8_t>(day);
    if (b.Calendar[s] == 0 && BeforeGregorianReform(pending, month, day)) b.Calendar[s] = kCalendarJulian;
    keys[s] = GetDateTriApp(side);
    // Only an opened range reads a second date.
    if (b.Keyword[0] != kKeywordBetween) break;
  }

  // Trailing white space (which the formatter may leave after a republican
  // year) is not left-over text.
  const bool textLeft = SkipSpaces(text, pos) < text.size();
  if (b.Keyword[0] != kKeywordBetween) {
    b.Decoded = (keys[0] != 0 && !textLeft) ? 1 : 0;
    b.Valid = b.Decoded;
  } else if (b.Keyword[1] != kKeywordAnd) {
    b.Decoded = 0;
    b.Valid = 0;
  } else if (keys[0] != 0 && keys[0] < keys[1]) {
    b.Decoded = textLeft ? 0 : 1;
  } else if (keys[0] != 0) {
    b.Decoded = 0;
    b.Valid = 0;
  } else {
    b.Decoded = 0;
  }
  if (yearOutOfRange) b.Decoded = b.Valid = 0;
  return b.Decoded != 0;
}

bool TGDate::DecodeTime(const AnsiString& text) {
  if (text.empty()) return false;
  std::size_t pos = SkipSpaces(text, 0);
  long hour = 0, minute = 0;
  bool accepted = true;
  if (pos < text.size() && IsAsciiDigit(text[pos])) {
    while (pos < text.size() && IsAsciiDigit(text[pos])) {
      if (hour < 1000) hour = hour * 10 + (text[pos] - '0');
      ++pos;
    }
    if (pos < text.size() && std::strchr("/:hH-", text[pos]) != nullptr) {
      pos = SkipSpaces(text, pos + 1);
      while (pos < text.size() && IsAsciiDigit(text[pos])) {
        if (minute < 1000) minute = minute * 10 + (text[pos] - '0');
        ++pos;
      }
    } else {
      accepted = false;
    }
  }
  if (accepted && hour >= 0 && hour <= 24 && minute >= 0 && minute <= 59) {
    data_->Hour[0] = static_cast<std::int8_t>(hour);
    data_->Minute[0] = static_cast<std::int8_t>(minute);
    return true;
  }
  data_->Hour[0] = -1;
  data_->Minute[0] = -1;
  return false;
}

bool TGDate::TimeFromText(AnsiString& text, int& hour, int& minute) {
  auto h = text.find_first_of("hH");
  if (h != AnsiString::npos && h > 0) {
    bool last = h + 1 == text.size();
    text[h] = ':';
    if (last) text += "00";
  }
  if (text == "24:00" || text == "24") {
    hour = 24;
    minute = 0;
    text = "24:00";
    return true;
  }
  // The time conversion accepts "h:mm" and "h:mm:ss".
  int hh = 0, mm = 0, ss = 0;
  char tail = 0;
  int fields = std::sscanf(text.c_str(), "%d:%d:%d%c", &hh, &mm, &ss, &tail);
  if (fields < 2 || fields > 3 || hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 || ss > 59)
    throw EGenvoraError::Plain("'" + text + "' is not a valid time");
  hour = hh;
  minute = mm;
  return true;
}

bool TGDate::SetTimeFromText(AnsiString text) {
  int hour = 0, minute = 0;
  bool ok = TimeFromText(text, hour, minute);
  data_->Hour[0] = static_cast<std::int8_t>(hour);
  data_->Minute[0] = static_cast<std::int8_t>(minute);
  return ok;
}

// ---- Names ----------------------------------------------------------------

AnsiString TGDate::GetMonthName(bool side) const {
  const Vocabulary& v = Vocab();
  int month = data_->Month[side];
  switch (GetCalendar(side)) {
    case kCalendarFrench: return ListEntry(v.lists[datetext::kFrenchRepublicanMonths], month);
    case kCalendarJewish: return ListEntry(v.lists[datetext::kHebrewMonths], month);
    default: return (month >= 1 && month <= 12) ? v.monthNames[static_cast<std::size_t>(month)] : AnsiString();
  }
}

AnsiString TGDate::GetShortMonthName(bool side) const {
  const Vocabulary& v = Vocab();
  int month = data_->Month[side];
  switch (GetCalendar(side)) {
    case kCalendarFrench: return Lower(ListEntry(v.lists[datetext::kRepublicanGedcomMonths], month));
    case kCalendarJewish: return ListEntry(v.lists[datetext::kHebrewMonths], month);
    default: return (month >= 1 && month <= 12) ? v.shortMonthNames[static_cast<std::size_t>(month)] : AnsiString();
  }
}

AnsiString TGDate::GetDayName(bool side) const {
  if (data_->Day[side] == 0) return {};
  std::int64_t key = MinuteKey(side);
  if (key <= 0) return {};
  return Vocab().dayNames[static_cast<std::size_t>(DayOfWeek(key / 1440))];
}

AnsiString TGDate::GetShortDayName(bool side) const {
  if (data_->Day[side] == 0) return {};
  std::int64_t key = MinuteKey(side);
  if (key <= 0) return {};
  return Vocab().shortDayNames[static_cast<std::size_t>(DayOfWeek(key / 1440))];
}

AnsiString TGDate::GetKeyword(bool side) const {
  int index = data_->Keyword[side];
  if (index == 0 || index > 7) return {};
  return Vocab().keywords[static_cast<std::size_t>(index)];
}

// ---- Printing -------------------------------------------------------------

AnsiString TGDate::GetFormat(bool withCalendar) {
  switch (GetDateOrder()) {
    case '2': return withCalendar ? "%C%E %K%E %A%T%MX%SE%J%SE" : "%K%E %A%T%MX%SE%J%SE";
    case '0': return withCalendar ? "%C%E %K%E %MX%SE%J%SE%A%T" : "%K%E %MX%SE%J%SE%A%T";
    default: return withCalendar ? "%C%E %K%E %J%SE%MX%SE%A%T" : "%K%E %J%SE%MX%SE%A%T";
  }
}

namespace {

enum Code {
  kCC, kCL, kC, kJJJJ, kJJJ, kJJ, kJ, kMMMM, kMMM, kMM, kMX, kParenA, kABC, kA, kT, kParenT, kKS, kK,
  kH12, kHH12, kH24, kHH24, kXAM, kSE, kS, kE, kM, kGED, kGC, kGM, kGK, kQuestion, kCodeCount
};
// Matched in this order, by prefix and ignoring case: longer codes first
// where one is the prefix of another.
constexpr const char* kCodes[kCodeCount] = {"CC",  "CL",   "C",   "JJJJ", "JJJ", "JJ",  "J",   "MMMM",
                                            "MMM", "MM",   "MX",  "(A)",  "ABC", "A",   "T",   "(T)",
                                            "KS",  "K",    "H12", "HH12", "H24", "HH24", "XAM", "SE",
                                            "S",   "E",    "M",   "GED",  "GC",  "GM",  "GK",  "?"};

int MatchCode(std::string_view token, std::size_t& length) {
  for (int c = 0; c < kCodeCount; ++c) {
    std::string_view code = kCodes[c];
    if (token.size() >= code.size() && EqualNoCase(token.substr(0, code.size()), code)) {
      length = code.size();
      return c;
    }
  }
  length = 0;
  return -1;
}

constexpr std::size_t kMaxPrinted = 255;

}  // namespace

AnsiString TGDate::GetChaine(AnsiString format) const {
  const Vocabulary& v = Vocab();
  const dateT& b = *data_;
  bool gedcom = false;
  if (format.empty()) {
    format = GetFormat(true);
  } else if (EqualNoCase(format, "%GED")) {
    gedcom = true;
    format = IsDouble() ? "%C%E %K%E %J%E %M%A%E %K%E %J%E %M%A" : "%C%E %K%E %J%E %M%A";
  }
  // A double date applies the format twice; the second qualifier switches to
  // the second date.
  if (!gedcom && IsDouble()) format = format + " " + format;

  AnsiString out;
  int s = 0;
  int qualifierCount = 0;
  bool previousAppended = false;
  std::size_t start = 0;
  while (start <= format.size()) {
    std::size_t end = format.find('%', start);
    if (end == AnsiString::npos) end = format.size();
    std::string_view token = std::string_view(format).substr(start, end - start);
    start = end + 1;
    if (token.empty()) continue;

    const std::size_t before = out.size();
    std::size_t codeLength = 0;
    int code = MatchCode(token, codeLength);
    const bool side = s == 1;
    const int day = b.Day[side];
    const int month = b.Month[side];
    const int year = b.Year[side];
    const int hour = b.Hour[side];
    const char calendar = GetCalendar(side);
    const int calendarIndex = GetCalendarIndex(side);
    const bool republican = calendar == kCalendarFrench;
    const bool hebrew = calendar == kCalendarJewish;
    const char separator = b.Separator != 0 ? static_cast<char>(b.Separator) : '.';
    switch (code) {
      case kCC:
        if (b.CalendarExplicit) out += "[" + v.calendarLetters[static_cast<std::size_t>(calendarIndex)] + "]";
        break;
      case kCL:
        if (b.CalendarExplicit) out += v.lists[datetext::kCalendarNames][static_cast<std::size_t>(calendarIndex)];
        break;
      case kC:
        if (gedcom && calendar != 0 && calendar != kCalendarGregorian)
          out += v.lists[datetext::kGedcomCalendars][static_cast<std::size_t>(calendarIndex)];
        else if (b.CalendarExplicit)
          out += v.calendarLetters[static_cast<std::size_t>(calendarIndex)];
        break;
      case kJJJJ:
      case kJJJ:
        if (day != 0 && !republican && !hebrew) {
          AnsiString name = GetDayName(side);
          out += code == kJJJ ? name.substr(0, 3) : name;
        }
        break;
      case kJJ:
        if (day != 0) out += TwoDigits(day);
        break;
      case kJ:
        if (day != 0) out += Number(day);
        break;
      case kMMMM: out += GetMonthName(side); break;
      case kMMM: out += hebrew ? GetMonthName(side) : GetShortMonthName(side); break;
      case kMM:
        if (month != 0) out += republican ? GetShortMonthName(side) : hebrew ? GetMonthName(side) : TwoDigits(month);
        break;
      case kMX:
        if (month != 0) out += b.Separator == ' ' ? GetMonthName(side) : Number(month);
        break;
      case kParenA:
      case kABC:
      case kA:
        if (republican && !gedcom) {
          if (code == kParenA || year != 0) out += RepublicanYear(year);
        } else if (code == kParenA) {
          if (year < -1) {
            out += '(';
            out += Number(-year);
            out += ')';
          } else if (year != -1) {
            out += Number(year);
          }
        } else if (year != 0) {
          out += code == kABC ? Number(std::abs(year)) + (year < 0 ? " (av J.C.)" : "") : Number(year);
        }
        break;
      case kKS:
      case kK: {
        ++qualifierCount;
        const int index = qualifierCount >= 2 ? b.Keyword[1] : b.Keyword[0];
        if (index >= 0 && index <= 7) {
          if (gedcom) {
            if (index != 0) out += v.lists[datetext::kGedcomQualifiers][static_cast<std::size_t>(index)];
          } else if (code == kKS) {
            out += v.keywordSymbols[static_cast<std::size_t>(index)];
          } else {
            const AnsiString& text = v.keywords[static_cast<std::size_t>(index)];
            if (!text.empty()) out += text.substr(0, text.size() - 1);
          }
        }
        if (qualifierCount >= 2 && index == kKeywordAnd) s = 1;
        break;
      }
      case kH12:
      case kHH12:
        if (hour >= 0) {
          int h = hour > 12 ? hour - 12 : hour;
          out += code == kHH12 ? TwoDigits(h) : Number(h);
        }
        break;
      case kH24:
      case kHH24:
        if (hour >= 0) out += code == kHH24 ? TwoDigits(hour) : Number(hour);
        break;
      case kXAM:
        if (hour >= 0) out += b.Minute[side] == -1 ? AnsiString("00") : TwoDigits(b.Minute[side]);
        break;
      case kSE:
        if (previousAppended) out += separator;
        break;
      case kS: out += separator; break;
      case kM:
        if (month != 0) {
          if (gedcom) {
            int list = republican ? datetext::kRepublicanGedcomMonths
                       : hebrew   ? datetext::kHebrewGedcomMonths
                                  : datetext::kGedcomMonths;
            out += ListEntry(v.lists[static_cast<std::size_t>(list)], month);
          } else {
            out += republican ? GetShortMonthName(side) : hebrew ? GetMonthName(side) : Number(month);
          }
        }
        break;
      case -1:
        // Not a code: the token is kept as text.
        out += token;
        break;
      default:  // T, (T), E, GED, GC, GM, GK, ?: nothing
        break;
    }
    if (code != -1 && !(code == kE && !previousAppended)) out += token.substr(codeLength);
    previousAppended = out.size() > before;
  }
  if (out.size() > kMaxPrinted) out.resize(kMaxPrinted);
  return out;
}

AnsiString TGDate::GetText() const {
  const AnsiString format = format_.empty() ? GetFormat(true) : format_;
  AnsiString out;
  if (!gregorien_) {
    out = GetChaine(format);
  } else {
    TGDate copy;
    Clone(&copy);
    TGDate gregorian;
    Clone(&gregorian);
    copy.EnGregorien(&gregorian);
    out = gregorian.GetChaine(format);
  }
  for (auto p = out.find("  "); p != AnsiString::npos; p = out.find("  ", p)) out.erase(p, 1);
  // List entries carry a trailing space; an edge space is never part of a date.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(0, 1);
  return out;
}

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

}  // namespace

bool TGDate::AgeA(TGDate* eventDate, TGDate* result) {
  if (eventDate == nullptr || result == nullptr) return false;
  result->Init();
  result->SetText("1/1/1");
  const std::int64_t base = result->GetDateTriApp(false);
  const std::int64_t b1 = GetDateTriApp(false);
  const std::int64_t b2 = IsDouble() ? GetDateTriApp(true) : b1;
  const std::int64_t e1 = eventDate->GetDateTriApp(false);
  const std::int64_t e2 = eventDate->IsDouble() ? eventDate->GetDateTriApp(true) : e1;
  // Signed arithmetic: an event long before the birth must not wrap around.
  const std::int64_t low = e1 - b2 + base;
  const std::int64_t high = e2 - b1 + base;
  if (!FitsKey(low) || !FitsKey(high)) return false;
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
  const std::int64_t b1 = GetDateTriApp(false);
  const std::int64_t b2 = IsDouble() ? GetDateTriApp(true) : b1;
  const std::int64_t e1 = eventDate->GetDateTriApp(false);
  const std::int64_t e2 = eventDate->IsDouble() ? eventDate->GetDateTriApp(true) : e1;
  const std::int64_t low = e1 - b2 + base;
  const std::int64_t high = e2 - b1 + base;
  if (!FitsKey(low) || !FitsKey(high)) return false;
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
