// The words of date texts, in Windows-1252: the fixed vocabularies the parser
// reads (GEDCOM forms, symbols, month lists of each calendar) and the
// localized words, which the formatter prints and the parser reads from the
// same table. Built once per language on first use.
#pragma once

#include <array>
#include <vector>

#include "platform/Types.h"

namespace genvora::datetext {

// Scanning kinds, in the order the parser tries them.
enum Kind {
  kSeparators = 0,
  kFrenchAbbreviations = 1,
  kLocalizedQualifiers = 2,
  kFrenchMonths = 3,
  kGedcomMonths = 4,
  kGedcomQualifiers = 5,
  kGedcomCalendars = 6,
  kFrenchRepublicanMonths = 7,
  kRepublicanGedcomMonths = 8,
  kHebrewGedcomMonths = 9,
  kEnglishMonths = 10,
  kHebrewMonths = 11,
  kRepublicanYears = 12,
  kCalendarLetters = 13,
  kCalendarNames = 14,
  kQualifierSymbols = 15,
  kKindCount = 16,
};

struct Vocabulary {
  // Entries read by each kind; entry 0 of the month and qualifier lists is a
  // placeholder. Kind 12 uses romanYears and arabicYears instead.
  std::array<std::vector<AnsiString>, kKindCount> lists;
  std::vector<AnsiString> romanYears;   // "an I " ... "an XX "
  std::vector<AnsiString> arabicYears;  // "an 1 " ... "an 20 "
  // Localized words (the language in force when built).
  std::array<AnsiString, 13> monthNames;       // 1 to 12
  std::array<AnsiString, 13> shortMonthNames;  // 1 to 12
  std::array<AnsiString, 7> dayNames;          // 0 = Sunday
  std::array<AnsiString, 7> shortDayNames;
  std::array<AnsiString, 8> keywords;          // qualifier texts, trailing space
  // Printed forms.
  std::array<AnsiString, 8> keywordSymbols;    // "", ">", "<", "<>", "~", "(c)", "(e)", "&"
  std::array<AnsiString, 6> calendarLetters;   // "G", "R", "J", "H", "?", "?"
  std::array<char, 6> calendarCodes;           // 'G', 'R', 'J', 'H', '?', '?'
};

// The vocabulary of the language in force.
const Vocabulary& Vocab();

}  // namespace genvora::datetext
