// Date text, reading: a typed date into the block (SetText, Decode and
// their steps), a typed time, and the date order both reading and printing
// follow.
//
// Invariants:
//  1. Parsing never throws and never reads past the text; every token either
//     consumes at least one character or ends the scan.
//  2. What the default format prints in the language in force reads back to
//     the same fields (the formatter of DateTextPrint.cpp and this parser
//     share one vocabulary).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dates/Calendars.h"
#include "dates/DateTextSupport.h"
#include "dates/DateVocabulary.h"
#include "dates/TGDate.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"

namespace genvora {

using datetext::AsciiUpper;
using datetext::EqualNoCase;
using datetext::Lower;
using datetext::Vocab;
using datetext::Vocabulary;

namespace {

// 0 until chosen; threads that print dates may ask for it at once.
std::atomic<char> g_dateOrder{0};

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

}  // namespace genvora
