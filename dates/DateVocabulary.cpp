// The date vocabularies. The fixed lists are written here in UTF-8 and
// converted to Windows-1252 once, because the tolerant comparison of the
// parser works on single-byte characters (an accented letter is one byte that
// matches anything).
#include "dates/DateVocabulary.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Encoding.h"
#include "platform/Resources.h"

namespace genvora::datetext {

namespace {

std::vector<AnsiString> List(std::initializer_list<const char*> utf8) {
  std::vector<AnsiString> out;
  out.reserve(utf8.size());
  for (const char* s : utf8) out.push_back(Utf8ToAnsi(s));
  return out;
}

const char* const kRoman[21] = {"",   "I",   "II",   "III", "IV", "V",   "VI",   "VII",   "VIII", "IX", "X",
                                "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII", "XVIII", "XIX",  "XX"};

std::unique_ptr<Vocabulary> Build() {
  auto v = std::make_unique<Vocabulary>();
  auto& l = v->lists;
  l[kSeparators] = List({" ", "/", "-", ".", ","});
  l[kFrenchAbbreviations] =
      List({"NAM", "jan ", "fév ", "mar ", "avr ", "mai ", "juin ", "juil ", "août ", "sep ", "oct ", "nov ", "déc "});
  l[kFrenchMonths] = List({"Not a Month", "janvier ", "février ", "mars ", "avril ", "mai ", "juin ", "juillet ",
                           "août ", "septembre ", "octobre ", "novembre ", "décembre "});
  l[kGedcomMonths] = List({"Not a Month", "JAN ", "FEB ", "MAR ", "APR ", "MAY ", "JUN ", "JUL ", "AUG ", "SEP ",
                           "OCT ", "NOV ", "DEC "});
  l[kGedcomQualifiers] = List({"Not a Keyword", "AFT ", "BEF ", "BET ", "ABT ", "CAL ", "EST ", "AND"});
  l[kGedcomCalendars] =
      List({"@#DGREGORIAN@", "@#DFRENCH R@", "@#DJULIAN@", "@#DHEBREW@", "@#DROMAN@", "@#DUNKNOWN@"});
  l[kFrenchRepublicanMonths] =
      List({"Not a Month", "vendémiaire ", "brumaire ", "frimaire ", "nivôse ", "pluviôse ", "ventôse ", "germinal ",
            "floréal ", "prairial ", "messidor ", "thermidor ", "fructidor ", "jour comp. "});
  l[kRepublicanGedcomMonths] = List({"Not a Month", "VEND ", "BRUM ", "FRIM ", "NIVO ", "PLUV ", "VENT ", "GERM ",
                                     "FLOR ", "PRAI ", "MESS ", "THER ", "FRUC ", "COMP "});
  l[kHebrewGedcomMonths] = List({"Not a Month", "TSH ", "CSH ", "KSL ", "TVT ", "SHV ", "ADR ", "ADS ", "NSN ", "IYR ",
                                 "SVN ", "TMZ ", "AAV ", "ELL "});
  l[kEnglishMonths] = List({"Not a Month", "January ", "February ", "March ", "April ", "May ", "June ", "July ",
                            "August ", "September ", "October ", "November ", "December "});
  l[kHebrewMonths] = List({"Not a Month", "Tishri ", "Heshvan ", "Kislev ", "Tevet ", "Shevat ", "AdarI ", "AdarII ",
                           "Nisan ", "Iyyar ", "Sivan ", "Tammuz ", "Av ", "Elul "});
  l[kCalendarLetters] = List({"G ", "R ", "J ", "H ", "NaC", "NaC"});
  l[kCalendarNames] = List({"Grégorien", "Républicain", "Julien", "Hébraïque", "Romain", "Inconnu"});
  // Entry 0 stands for "no qualifier" and is never read as a symbol.
  l[kQualifierSymbols] = List({"", "> ", "< ", "<>", "~ ", "(c)", "(e)", "& "});

  v->romanYears.push_back("Not a Date");
  v->arabicYears.push_back("Not a Date");
  for (int year = 1; year <= 20; ++year) {
    v->romanYears.push_back(std::string("an ") + kRoman[year] + " ");
    v->arabicYears.push_back("an " + std::to_string(year) + " ");
  }

  static const char* const kMonthIds[12] = {"Janvier", "Fevrier", "Mars",     "Avril",   "Mai",      "Juin",
                                            "Juillet", "Aout",    "Septembre", "Octobre", "Novembre", "Decembre"};
  for (int m = 1; m <= 12; ++m) {
    v->monthNames[m] = LoadResString(std::string("Vg5reportstrings.m") + kMonthIds[m - 1]);
    v->shortMonthNames[m] = LoadResString(std::string("Vg5reportstrings.mShort") + kMonthIds[m - 1]);
  }
  static const char* const kDayIds[7] = {"Dimanche", "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi"};
  for (int d = 0; d < 7; ++d) {
    v->dayNames[d] = LoadResString(std::string("Vg5reportstrings.j") + kDayIds[d]);
    v->shortDayNames[d] = LoadResString(std::string("Vg5reportstrings.jShort") + kDayIds[d]);
  }
  for (int k = 0; k < 8; ++k) {
    std::string key = "Cg5vclfunctions.RTFchxMotCLe" + std::to_string(k);
    // A missing entry reads as an empty text, never as its key.
    v->keywords[k] = HasResString(key) ? LoadResString(key) : AnsiString();
  }
  l[kLocalizedQualifiers].assign(v->keywords.begin(), v->keywords.end());

  v->keywordSymbols = {"", ">", "<", "<>", "~", "(c)", "(e)", "&"};
  v->calendarLetters = {"G", "R", "J", "H", "?", "?"};
  v->calendarCodes = {'G', 'R', 'J', 'H', '?', '?'};
  return v;
}

}  // namespace

const Vocabulary& Vocab() {
  // One table per language, built on first use: the parser and the formatter
  // follow the language in force without a restart.
  // Built once even when threads ask at the same time (an export prints
  // dates on several).
  static std::unique_ptr<Vocabulary> tables[2];
  static std::once_flag built[2];
  const int index = GetResourceLanguage() == Language::French ? 0 : 1;
  std::call_once(built[index], [&] { tables[index] = Build(); });
  return *tables[index];
}

}  // namespace genvora::datetext
