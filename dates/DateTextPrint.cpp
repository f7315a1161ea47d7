// Date text, printing: the month, day and qualifier names of a date, and
// the date printed through the format tokens (GetChaine, GetText).
//
// Invariants:
//  1. The default format prints, in the language in force, what the parser
//     of DateTextRead.cpp reads back to the same fields.
//  2. Printed text is at most 255 characters.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "dates/Calendars.h"
#include "dates/DateTextSupport.h"
#include "dates/DateVocabulary.h"
#include "dates/TGDate.h"

namespace genvora {

using datetext::EqualNoCase;
using datetext::Lower;
using datetext::Number;
using datetext::Vocab;
using datetext::Vocabulary;

namespace {

AnsiString TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
}

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

}  // namespace

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
constexpr std::string_view kCodes[kCodeCount] = {"CC",  "CL",   "C",   "JJJJ", "JJJ", "JJ",  "J",   "MMMM",
                                            "MMM", "MM",   "MX",  "(A)",  "ABC", "A",   "T",   "(T)",
                                            "KS",  "K",    "H12", "HH12", "H24", "HH24", "XAM", "SE",
                                            "S",   "E",    "M",   "GED",  "GC",  "GM",  "GK",  "?"};

int MatchCode(std::string_view token, std::size_t& length) {
  for (int c = 0; c < kCodeCount; ++c) {
    const std::string_view code = kCodes[c];
    if (token.size() >= code.size() && EqualNoCase(token.substr(0, code.size()), code)) {
      length = code.size();
      return c;
    }
  }
  length = 0;
  return -1;
}

constexpr std::size_t kMaxPrinted = 255;

// One piece of a format: the code it starts with (-1 for none) and its text.
struct FormatToken {
  int code;
  std::size_t codeLength;
  AnsiString text;
};

// The pieces of `format`, cut once: dates are printed by the million through
// a handful of formats. The few formats met last are kept, per thread.
const std::vector<FormatToken>& TokensOf(const AnsiString& format) {
  thread_local std::vector<std::pair<AnsiString, std::vector<FormatToken>>> known;
  for (const auto& [text, tokens] : known)
    if (text == format) return tokens;
  std::vector<FormatToken> tokens;
  std::size_t start = 0;
  while (start <= format.size()) {
    std::size_t end = format.find('%', start);
    if (end == AnsiString::npos) end = format.size();
    const std::string_view token = std::string_view(format).substr(start, end - start);
    start = end + 1;
    if (token.empty()) continue;
    std::size_t codeLength = 0;
    const int code = MatchCode(token, codeLength);
    tokens.push_back({code, codeLength, AnsiString(token)});
  }
  constexpr std::size_t kKept = 16;
  if (known.size() >= kKept) known.erase(known.begin());
  known.emplace_back(format, std::move(tokens));
  return known.back().second;
}

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
  for (const FormatToken& piece : TokensOf(format)) {
    const std::string_view token = piece.text;
    const std::size_t before = out.size();
    const std::size_t codeLength = piece.codeLength;
    const int code = piece.code;
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

}  // namespace genvora
