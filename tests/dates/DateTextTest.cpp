// Date text: what typed texts give, how dates print in each format, sort
// keys, ages, the round trip through the default format, and input that must
// be refused without harm.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dates/Calendars.h"
#include "dates/TGDate.h"
#include "platform/Encoding.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

// Every test starts French, day-month-year, and leaves it so.
class DateText : public ::testing::Test {
 protected:
  void SetUp() override { TGDate::SetDateOrder('1'); }
  void TearDown() override { TGDate::InitializeStaticData(); }
  ScopedResourceLanguage french_{Language::French};
};

AnsiString A(const char* utf8) { return Utf8ToAnsi(utf8); }
std::string U(const AnsiString& ansi) { return AnsiToUtf8(ansi); }

std::string Fields(const TGDate& d) {
  auto side = [&](bool s) {
    char cal = d.GetCalendar(s);
    return std::string(1, cal == 0 ? '0' : cal) + ":" + std::to_string(d.GetKeywordIndex(s)) + ":" +
           std::to_string(d.GetDay(s)) + "/" + std::to_string(d.GetMonth(s)) + "/" + std::to_string(d.GetYear(s));
  };
  char sep = d.GetSeparator();
  return std::string("sep[") + (sep == 0 ? std::string() : std::string(1, sep)) + "] " + side(false) + " " +
         side(true) + (d.GetCalendarExplicit() ? " explicit" : "");
}

struct ParseCase {
  const char* text;
  const char* fields;     // Fields() of the block it gives
  const char* display;    // GetText with the default format
  const char* gedcom;     // GetText with %GED
  const char* gregorian;  // GetText converted to Gregorian; null = not checked
};

const ParseCase kAccepted[] = {
    {"1850", "sep[] 0:0:0/0/1850 0:0:0/0/1850", "1850", "1850", "1850"},
    {"12/03/1850", "sep[/] 0:0:12/3/1850 0:0:12/3/1850", "12/3/1850", "12 MAR 1850", "12/3/1850"},
    {"12 mars 1850", "sep[ ] 0:0:12/3/1850 0:0:12/3/1850", "12 mars 1850", "12 MAR 1850", "12 mars 1850"},
    {"3/1850", "sep[/] 0:0:0/3/1850 0:0:0/3/1850", "3/1850", "MAR 1850", "3/1850"},
    {"vers 1850", "sep[] 0:4:0/0/1850 0:0:0/0/1850", "vers 1850", "ABT 1850", "vers 1850"},
    {"ABT 1850", "sep[] 0:4:0/0/1850 0:0:0/0/1850", "vers 1850", "ABT 1850", nullptr},
    {"~ 1850", "sep[] 0:4:0/0/1850 0:0:0/0/1850", "vers 1850", "ABT 1850", nullptr},
    {"ca 1850", "sep[] 0:4:0/0/1850 0:0:0/0/1850", "vers 1850", "ABT 1850", nullptr},
    {"circa 1850", "sep[] 0:4:0/0/1850 0:0:0/0/1850", "vers 1850", "ABT 1850", nullptr},
    {"/1850", "sep[] 0:2:0/0/1850 0:0:0/0/1850", "avant 1850", "BEF 1850", nullptr},
    {"1850/", "sep[] 0:1:0/0/1850 0:0:0/0/1850", "après 1850", "AFT 1850", nullptr},
    {"calculée 1850", "sep[] 0:5:0/0/1850 0:0:0/0/1850", "calculée 1850", "CAL 1850", nullptr},
    {"estimee 1850", "sep[] 0:6:0/0/1850 0:0:0/0/1850", "estimée 1850", "EST 1850", nullptr},
    {"après 5 mars 1850", "sep[ ] 0:1:5/3/1850 0:0:5/3/1850", "après 5 mars 1850", "AFT 5 MAR 1850", nullptr},
    {"entre 1850 et 1860", "sep[] 0:3:0/0/1850 0:7:0/0/1860", "entre 1850 et 1860", "BET 1850 AND 1860",
     "entre 1850 et 1860"},
    {"BET 1850 AND 1860", "sep[ ] 0:3:0/0/1850 0:7:0/0/1860", "entre 1850 et 1860", "BET 1850 AND 1860", nullptr},
    {"1850//1860", "sep[] 0:3:0/0/1850 0:7:0/0/1860", "entre 1850 et 1860", "BET 1850 AND 1860", nullptr},
    {"entre 1580 et 1590", "sep[] J:3:0/0/1580 J:7:0/0/1590", "entre 1580 et 1590",
     "@#DJULIAN@ BET 1580 AND 1590", nullptr},
    {"an IV", "sep[] R:0:0/0/4 R:0:0/0/4", "an IV", "@#DFRENCH R@ 4", "1795"},
    {"an 4", "sep[] R:0:0/0/4 R:0:0/0/4", "an IV", "@#DFRENCH R@ 4", "1795"},
    {"3 brumaire an II", "sep[ ] R:0:3/2/2 R:0:3/2/2", "3 brumaire an II", "@#DFRENCH R@ 3 BRUM 2",
     "24 octobre 1793"},
    {"3 vendemiaire an II", "sep[ ] R:0:3/1/2 R:0:3/1/2", "3 vendémiaire an II", "@#DFRENCH R@ 3 VEND 2",
     "24 septembre 1793"},
    {"@#DFRENCH R@ 3 BRUM 2", "sep[ ] R:0:3/2/2 R:0:3/2/2 explicit", "R 3 brumaire an II",
     "@#DFRENCH R@ 3 BRUM 2", nullptr},
    {"1 Tishri 5760", "sep[ ] H:0:1/1/5760 H:0:1/1/5760", "1 Tishri 5760", "@#DHEBREW@ 1 TSH 5760",
     "11 septembre 1999"},
    {"1500", "sep[] J:0:0/0/1500 J:0:0/0/1500", "1500", "@#DJULIAN@ 1500", "1500"},
    {"9/12/1582", "sep[/] J:0:9/12/1582 J:0:9/12/1582", "9/12/1582", "@#DJULIAN@ 9 DEC 1582", "19/12/1582"},
    {"10/12/1582", "sep[/] 0:0:10/12/1582 0:0:10/12/1582", "10/12/1582", "10 DEC 1582", "10/12/1582"},
    {"J 1 janvier 1700", "sep[ ] J:0:1/1/1700 J:0:1/1/1700 explicit", "J 1 janvier 1700",
     "@#DJULIAN@ 1 JAN 1700", "G 11 janvier 1700"},
    {"@#DJULIAN@ 1 JAN 1700", "sep[ ] J:0:1/1/1700 J:0:1/1/1700 explicit", "J 1 janvier 1700",
     "@#DJULIAN@ 1 JAN 1700", nullptr},
    {"1 January 1850", "sep[ ] 0:0:1/1/1850 0:0:1/1/1850", "1 janvier 1850", "1 JAN 1850", nullptr},
    {"1 fevrier 1850", "sep[ ] 0:0:1/2/1850 0:0:1/2/1850", "1 février 1850", "1 FEB 1850", nullptr},
    {"-500", "sep[] J:0:0/0/-500 J:0:0/0/-500", "-500", "@#DJULIAN@ -500", nullptr},
    // A month word at the end keeps its trailing space in the vocabulary: with
    // the space the month index is the last value read, hence the year.
    {"12 mars ", "sep[ ] J:0:0/12/3 J:0:0/12/3", "décembre 3", "@#DJULIAN@ DEC 3", nullptr},
};

TEST_F(DateText, AcceptedTextsGiveTheirBlockAndPrintBackInEveryFormat) {
  for (const auto& c : kAccepted) {
    SCOPED_TRACE(c.text);
    TGDate date;
    EXPECT_TRUE(date.SetText(A(c.text)));
    EXPECT_TRUE(date.IsDecoded());
    EXPECT_TRUE(date.IsValid());
    EXPECT_EQ(Fields(date), c.fields);
    EXPECT_EQ(U(date.GetText()), c.display);
    TGDate gedcom;
    date.Clone(&gedcom);
    gedcom.SetFormat("%GED");
    EXPECT_EQ(U(gedcom.GetText()), c.gedcom);
    if (c.gregorian != nullptr) {
      date.SetGregorien(true);
      EXPECT_EQ(U(date.GetText()), c.gregorian);
    }
  }
}

TEST_F(DateText, RefusedTextsAreNotDecoded) {
  const char* refused[] = {
      "BET 1860 AND 1850",  // a range must go forward
      "entre 1850 et 1850", "BET 1850",  // a range never closed
      "entre et", "12-03-1850",          // "-03" reads as the number -3, which ends the date
      "12 mars",                         // the month word needs its trailing space: text left over
      "31/02/1850", "32/13/1850", "0", "1850 x", "29/02/1900", "30 AdarII 5761",
      "99999",  // no year a block can hold
  };
  for (const char* text : refused) {
    TGDate date;
    EXPECT_FALSE(date.SetText(A(text))) << text;
    EXPECT_FALSE(date.IsDecoded()) << text;
    EXPECT_FALSE(date.IsValid()) << text;
  }
  TGDate empty;
  EXPECT_TRUE(empty.SetText(""));
  EXPECT_TRUE(empty.IsValid());
  EXPECT_TRUE(empty.EstVide());
}

TEST_F(DateText, FormatTokens) {
  struct Case {
    const char* text;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"1850", "%J%SE%MM%SE%A", "1850"},
      {"1 janvier 1850", "%JJJJ %J %MMMM %A", "mardi 1 janvier 1850"},
      {"1/1/1850", "%JJJ %JJ %MMM %A", "mar 01 jan 1850"},
      {"1/1/1850", "%J%SE%MM%SE%A", "1/01/1850"},
      {"1/1/1850", "%J%S%M%S%A", "1/1/1850"},
      {"-500", "%ABC", "500 (av J.C.)"},
      {"-500", "%(A)", "(500)"},
      {"vers 1850", "%KS%E %A", "~ 1850"},
      {"J 1/1/1700", "%CC%E %CL%E %A", "[J] Julien 1700"},
      {"3 brumaire an II", "%J %MM %A", "3 brum an II"},
      {"3 brumaire an II", "%JJJJ%J", "3"},  // no weekday names in the republican calendar
      {"1 Tishri 5760", "%J %MMM %A", "1 Tishri 5760"},
      {"entre 1850 et 1860", "%KS%E %A", "<> 1850 & 1860"},
      {"1/1/1850", "le %J", "le 1"},
  };
  for (const auto& c : cases) {
    TGDate date;
    date.SetText(A(c.text));
    date.SetFormat(c.format);
    EXPECT_EQ(U(date.GetText()), c.expected) << c.text << " " << c.format;
  }
  // Without a separator the SE code prints ".", and GetChaine keeps the
  // GEDCOM keyword's own space that GetText then folds.
  TGDate plain;
  plain.SetDay(1, false);
  plain.SetMonth(1, false);
  plain.SetYear(1850, false);
  plain.GetDateTriApp(false);
  EXPECT_EQ(plain.GetChaine("%J%SE%MM%SE%A"), "1.01.1850");
  TGDate about;
  about.SetText("vers 1850");
  EXPECT_EQ(about.GetChaine("%GED"), "ABT  1850");

  // Formats are cut into pieces once and a few are kept: more formats than
  // are kept, each printed again after the others, print the same.
  std::vector<std::string> first;
  for (int round = 0; round < 2; ++round) {
    for (int n = 0; n < 40; ++n) {
      const std::string printed = plain.GetChaine("%J%SE%MM%SE%A #" + std::to_string(n));
      if (round == 0) first.push_back(printed);
      else EXPECT_EQ(printed, first[static_cast<std::size_t>(n)]);
    }
  }
  EXPECT_EQ(first[7], "1.01.1850 #7");

  TGDate timed;
  ASSERT_TRUE(timed.Decode("1/1/1850", "14h30"));
  EXPECT_EQ(timed.GetChaine("%HH24:%XAM %H12"), "14:30 2");
  EXPECT_FALSE(timed.DecodeTime("25:00"));
  EXPECT_EQ(timed.GetHour(false), -1);
  EXPECT_FALSE(timed.DecodeTime("14"));
  int hour = 0, minute = 0;
  AnsiString midnight = "24h";
  EXPECT_TRUE(TGDate::TimeFromText(midnight, hour, minute));
  EXPECT_EQ(hour, 24);
  EXPECT_EQ(midnight, "24:00");
  AnsiString half = "9H30";
  EXPECT_TRUE(TGDate::TimeFromText(half, hour, minute));
  EXPECT_EQ(minute, 30);
}

TEST_F(DateText, EnglishWordsReadAndPrintInEnglish) {
  ScopedResourceLanguage english(Language::English);
  struct Case {
    const char* text;
    const char* display;
  };
  const Case cases[] = {{"about 1850", "about 1850"},
                        {"between 1850 and 1860", "between 1850 and 1860"},
                        {"12 March 1850", "12 March 1850"},
                        {"ca 1850", "about 1850"},
                        {"1850//1860", "between 1850 and 1860"},
                        {"after 5 mai 1850", "after 5 May 1850"}};
  for (const auto& c : cases) {
    TGDate date;
    EXPECT_TRUE(date.SetText(c.text)) << c.text;
    EXPECT_EQ(U(date.GetText()), c.display);
  }
}

TEST_F(DateText, MonthDayYearOrderComesFromThePreferences) {
  ScopedPrefs prefs;
  prefs->FormatDateFRUS = "1";
  TGDate::InitializeStaticData();
  EXPECT_EQ(TGDate::GetDateOrder(), '0');
  TGDate date;
  ASSERT_TRUE(date.SetText("12/03/1850"));
  EXPECT_EQ(date.GetDay(false), 3);
  EXPECT_EQ(date.GetMonth(false), 12);
  EXPECT_EQ(date.GetText(), "12/3/1850");
  prefs->FormatDateFRUS = "0";
  TGDate::InitializeStaticData();
  EXPECT_EQ(TGDate::GetDateOrder(), '1');
}

double Key(const char* text) {
  TGDate d;
  EXPECT_TRUE(d.SetText(Utf8ToAnsi(text))) << text;
  return d.GetDateTriDouble(false);
}

double KeyAt(const char* text, int hour, int minute) {
  TGDate d;
  EXPECT_TRUE(d.SetText(text));
  d.SetHour(hour, false);
  d.SetMinute(minute, false);
  return d.GetDateTriDouble(false);
}

TEST_F(DateText, SortKeysPlaceQualifiedDatesAroundTheirPeriod) {
  EXPECT_GT(Key("après 1850"), KeyAt("31/12/1850", 23, 59));
  EXPECT_LT(Key("après 1850"), Key("1/1/1851"));
  EXPECT_LT(Key("avant 1850"), KeyAt("1/1/1850", 0, 0));
  EXPECT_GT(Key("avant 1850"), KeyAt("31/12/1849", 23, 59));
  EXPECT_GT(Key("après 5 mars 1850"), KeyAt("5/3/1850", 23, 59));
  EXPECT_LT(Key("après 5 mars 1850"), Key("6/3/1850"));
  EXPECT_GT(Key("après décembre 1850"), KeyAt("31/12/1850", 23, 59));
  EXPECT_LT(Key("après décembre 1850"), Key("1/1/1851"));
  // Thirteen-month calendars roll over after their last month, not the 12th.
  EXPECT_GT(Key("après Av 5761"), Key("29 Av 5761"));
  EXPECT_LT(Key("après Av 5761"), Key("2 Elul 5761"));
  EXPECT_GT(Key("après Elul 5760"), Key("29 Elul 5760"));
  EXPECT_LT(Key("après Elul 5760"), Key("2 Tishri 5761"));
  EXPECT_GT(Key("après jour comp. an II"), Key("5 jour comp. an II"));
  EXPECT_LT(Key("après jour comp. an II"), Key("2 vendémiaire an III"));
  EXPECT_GT(Key("après an XIV"), Key("22/9/1806"));
  EXPECT_LT(Key("après an XIV"), Key("24/9/1806"));

  TGDate early, late;
  early.SetText("vers 1850");
  late.SetText("1/1/1851");
  EXPECT_TRUE(early < late);
  EXPECT_TRUE(early <= early);
  EXPECT_FALSE(late < early);
  TGDate empty;
  EXPECT_EQ(empty.GetDateTriDouble(false), 0.0);

  struct Days {
    const char* text;
    int y, m, d;
  };
  const Days days[] = {{"après mars 1850", 1850, 3, 31},
                       {"après 1850", 1850, 12, 31},
                       {"après 5 mars 1850", 1850, 3, 4},
                       {"vers 5 mars 1850", 1850, 3, 5}};
  for (const auto& c : days) {
    TGDate d;
    d.SetText(A(c.text));
    EXPECT_EQ(d.GetNombreDeJours(false), static_cast<int>(GregorianToSdn(c.y, c.m, c.d))) << c.text;
  }
}

TEST_F(DateText, AgesAsDatesWithTheirQualifier) {
  struct Case {
    const char* birth;
    const char* event;
    bool ok;
    int y, m, d, keyword;
    bool approx;
  };
  const Case cases[] = {
      {"15/6/1800", "14/6/1850", true, 49, 12, 31, 0, false},
      {"15/6/1800", "15/6/1850", true, 50, 1, 1, 0, false},
      {"15/6/1800", "15/6/1800", true, 0, 1, 1, 0, false},
      {"vers 15/6/1800", "15/6/1850", true, 50, 1, 1, 4, false},
      {"après 15/6/1800", "vers 15/6/1850", true, 50, 1, 1, 2, true},
      {"estimée 15/6/1800", "15/6/1850", false, 0, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    TGDate birth, event, age;
    birth.SetText(A(c.birth));
    event.SetText(A(c.event));
    EXPECT_EQ(birth.AgeA(&event, &age), c.ok) << c.birth << " " << c.event;
    if (!c.ok) continue;
    EXPECT_EQ(age.GetYear(false), c.y) << c.birth << " " << c.event;
    EXPECT_EQ(age.GetMonth(false), c.m);
    EXPECT_EQ(age.GetDay(false), c.d);
    EXPECT_EQ(age.GetKeywordIndex(false), c.keyword);
    EXPECT_EQ(age.AgeApproximatif(), c.approx);
  }
  TGDate birth, event, age;
  birth.SetText("entre 1800 et 1802");
  event.SetText("1850");
  ASSERT_TRUE(birth.AgeA(&event, &age));
  EXPECT_EQ(age.GetKeywordIndex(false), kKeywordAfter);

  TGDate b2, e2, a2;
  b2.SetText("15/6/1800");
  e2.SetText("15/6/1850");
  ASSERT_TRUE(b2._AgeA(&e2, &a2));
  EXPECT_EQ(a2.GetYear(false), 50);
  EXPECT_EQ(a2.GetMonth(false), 1);
  TGDate late, early, a3;
  late.SetText("15/6/1850");
  early.SetText("15/6/1800");
  EXPECT_FALSE(late._AgeA(&early, &a3)) << "an event before the birth has no age";
}

TEST_F(DateText, BirthDateFromAnAge) {
  struct Case {
    const char* reference;
    int years, months, days;
    const char* fields;
  };
  const Case cases[] = {
      {"15/6/1850", 50, 0, 0, "sep[ ] 0:5:15/6/1800 0:0:15/6/1800"},
      {"15/6/1850", 0, 7, 20, "sep[ ] 0:5:26/10/1849 0:0:26/10/1849"},
      {"6/1850", 30, 0, 0, "sep[ ] 0:5:0/6/1820 0:0:0/6/1820"},
      {"1850", 30, 2, 0, "sep[] 0:5:0/0/1819 0:0:0/0/1819"},
  };
  for (const auto& c : cases) {
    TGDate reference, birth;
    reference.SetText(c.reference);
    EXPECT_TRUE(birth.CalCuleDateDeNaissance(&reference, c.years, c.months, c.days)) << c.reference;
    EXPECT_EQ(Fields(birth), c.fields) << c.reference;
  }
  TGDate reference, birth;
  reference.SetText("15/6/1850");
  ASSERT_TRUE(birth.CalCuleDateDeNaissance(&reference, 50, 0, 0));
  EXPECT_EQ(U(birth.GetText()), "calculée 15 juin 1800");
}

TEST_F(DateText, BadInputIsRefusedWithoutHarm) {
  std::vector<AnsiString> texts = {"32/13/1850", "entre et", AnsiString(10000, '1'), AnsiString(10000, 'a'),
                                   AnsiString(10000, '\xE9'), AnsiString(10000, ' ') + "q"};
  AnsiString pattern;
  for (int i = 0; i < 2000; ++i) pattern += "<>";
  texts.push_back(pattern);
  AnsiString words;
  while (words.size() < 10000) words += "entre an IV et @#DHEBREW@ ";
  texts.push_back(words);
  AnsiString high;
  for (int i = 0; i < 10000; ++i) high += static_cast<char>(0x80 + i % 128);
  texts.push_back(high);
  for (const auto& text : texts) {
    TGDate date;
    EXPECT_FALSE(date.SetText(text)) << U(text.substr(0, 40)) << " " << Fields(date);
    EXPECT_LE(date.GetText().size(), 255u);
    date.GetDateTriDouble(false);
  }

  // Random mixtures of vocabulary fragments, digits and high bytes: nothing
  // may crash or read out of bounds, whatever the flags say.
  const char* fragments[] = {"entre ", "et ", "vers ", "an ",  "IV",    "XX", "/",     "-",  " ",   "0",
                             "31",     "1850", "mars ", "@#D", "@#DJULIAN@", "H ", "Tishri ", "(c)", "\xE9", "\xFF",
                             "BET ",   "AND",  "jour comp. ", "~ ", "//", "ca ", "<>", "99999", "-0", "."};
  std::mt19937 rng(1234);
  for (int i = 0; i < 5000; ++i) {
    AnsiString text;
    int parts = static_cast<int>(rng() % 8);
    for (int p = 0; p < parts; ++p) text += fragments[rng() % std::size(fragments)];
    TGDate date;
    date.SetText(text);
    date.GetText();
    date.SetGregorien(true);
    date.GetText();
    TGDate gedcom;
    date.Clone(&gedcom);
    gedcom.GetChaine("%GED");
    date.GetDateTriDouble(true);
    date.GetNombreDeJours(false);
  }
}

// ---- Round trip through the default format ---------------------------------

struct Generated {
  char calendar;  // 'G', 'J', 'R', 'H'
  bool explicitCalendar;
  int y, m, d;
};

// A random valid date of the calendar; precision is year, month-year or full.
Generated RandomSide(std::mt19937& rng, char calendar, bool explicitCalendar) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
  for (;;) {
    Generated g{calendar, explicitCalendar, 0, 0, 0};
    switch (calendar) {
      case 'G': g.y = explicitCalendar ? pick(1, 3400) : pick(1583, 3400); break;
      case 'J': g.y = explicitCalendar ? pick(-4000, 3400) : pick(-4000, 1581); break;
      case 'R': g.y = pick(1, 14); break;
      default: g.y = pick(3800, 7000); break;
    }
    if (g.y == 0) continue;
    int precision = pick(0, 2);
    if (precision >= 1) g.m = pick(1, calendar == 'R' || calendar == 'H' ? 13 : 12);
    if (precision == 2) g.d = pick(1, 31);
    TGDate check;
    check.SetCalendar(calendar, false);
    check.SetYear(g.y, false);
    check.SetMonth(g.m, false);
    check.SetDay(g.d, false);
    check.GetDateTriApp(false);
    if (check.IsValid()) return g;
  }
}

std::uint32_t KeyOf(const Generated& g) {
  TGDate d;
  d.SetCalendar(g.calendar, false);
  d.SetYear(g.y, false);
  d.SetMonth(g.m, false);
  d.SetDay(g.d, false);
  return d.GetDateTriApp(false);
}

TEST_F(DateText, RandomDatesPrintedWithTheDefaultFormatReadBackToTheSameFields) {
  std::mt19937 rng(20240531);
  const char calendars[] = {'G', 'J', 'R', 'H'};
  const int singleKeywords[] = {0, 1, 2, 4, 5, 6};
  int failures = 0;
  std::string first;
  for (int i = 0; i < 6000; ++i) {
    char calendar = calendars[rng() % 4];
    bool explicitCalendar = rng() % 3 == 0;
    char separator = rng() % 2 ? ' ' : '/';
    // Hebrew months print as numbers with "/", which only the calendar letter
    // can tell from Gregorian ones.
    if (calendar == 'H' && separator == '/') explicitCalendar = true;
    bool range = rng() % 4 == 0;
    Generated a = RandomSide(rng, calendar, explicitCalendar);
    Generated b = a;
    if (range) {
      b = RandomSide(rng, calendar, explicitCalendar);
      if (KeyOf(a) == KeyOf(b)) continue;
      // A first date ending in a small number (a year up to 31) does not end
      // there: the next word joins it. Listed as a known limit.
      if (calendar != 'R' && ((a.y >= 1 && a.y <= 31) || (b.y >= 1 && b.y <= 31))) continue;
      if (KeyOf(a) > KeyOf(b)) std::swap(a, b);
    }
    // A Hebrew year without a month name prints as a bare number too.
    if (calendar == 'H' && (a.m == 0 || b.m == 0)) explicitCalendar = true;
    TGDate date;
    // Gregorian dates not named as such are stored with calendar 0.
    char stored = calendar == 'G' && !explicitCalendar ? 0 : calendar;
    date.SetSeparator(separator);
    date.Block().CalendarExplicit = explicitCalendar ? 1 : 0;
    for (int s = 0; s < 2; ++s) {
      const Generated& g = s == 0 ? a : b;
      date.SetCalendar(stored, s == 1);
      date.SetYear(g.y, s == 1);
      date.SetMonth(g.m, s == 1);
      date.SetDay(g.d, s == 1);
    }
    if (range) {
      date.SetKeywordIndex(kKeywordBetween, false);
      date.SetKeywordIndex(kKeywordAnd, true);
    } else {
      date.SetKeywordIndex(singleKeywords[rng() % 6], false);
    }
    date.GetDateTriApp(false);
    AnsiString text = date.GetText();

    TGDate back;
    back.SetText(text);
    // The separator is only printed between a day, month and year.
    bool separatorPrinted = a.m != 0 || b.m != 0;
    if (!separatorPrinted) date.SetSeparator(0);
    bool same = back.IsDecoded() && back.IsValid() && Fields(back) == Fields(date);
    if (!same && failures++ == 0) first = U(text) + " => " + Fields(back) + " expected " + Fields(date);
  }
  EXPECT_EQ(failures, 0) << first;
}

// ---- The tool ---------------------------------------------------------------

// The French words of these dates are read when French is in force.
std::string RunDate(const std::string& args) { return RunTool("date " + args, "LANG=fr_FR.UTF-8").out; }

TEST(DateCommand, PrintsDisplayTextAndJson) {
  EXPECT_EQ(RunDate("'vers 1850' '3 brumaire an II'"), "vers 1850\n3 brumaire an II\n");
  EXPECT_EQ(RunDate("--gregorian '3 brumaire an II'"), "24 octobre 1793\n");
  EXPECT_EQ(RunDate("--format '%GED' 'entre 1850 et 1860'"), "BET 1850 AND 1860\n");
  auto j = nlohmann::json::parse(RunDate("--json 'après 1850'"));
  EXPECT_EQ(j["display"], "après 1850");
  EXPECT_EQ(j["gedcom"], "AFT 1850");
  EXPECT_EQ(j["decoded"], true);
  EXPECT_EQ(j["first"]["keyword"], 1);
  EXPECT_EQ(j["first"]["year"], 1850);
  EXPECT_EQ(j["first"]["minutes"], GregorianToSdn(1850, 1, 1) * 1440ull);
  EXPECT_DOUBLE_EQ(j["sort_key"].get<double>(), (GregorianToSdn(1851, 1, 1) * 1440.0) - 0.9);
  auto bad = nlohmann::json::parse(RunDate("--json '32/13/1850'"));
  EXPECT_EQ(bad["decoded"], false);
}

}  // namespace
}  // namespace genvora
