// The consistency control over small families with dated events: one table
// of the edge cases of every group (which rules fire, with their ages and
// gaps), the accepted person, the coherence dialog, the threshold block of
// the preferences and the completeness of events and persons.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/ValidControlCheck.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

constexpr bool kMan = false;
constexpr bool kWoman = true;
constexpr CodeID kSurname = 1;

struct Date {
  int day = 0, month = 0, year = 0;
  int keyword = kKeywordNone;
};

struct Family : testing::OneSurnameFamily {
  CodeID Event(CodeID owner, std::uint8_t type, Date date = {}, CodeID place = 0, std::uint8_t search = 0) {
    return writer.Event(owner, type, date.day, date.month, date.year, [&](TGEvenement& e) {
      e.SetDicoLieu(place);
      e.SetRechercheActe(search);
      if (date.year != 0) e.GetDate()->SetKeywordIndex(date.keyword, false);
    });
  }
  // A person born (and dying) on the dates given.
  CodeID Born(CodeID pere, CodeID mere, bool female, Date birth, Date death = {}) {
    const CodeID who = Person(pere, mere, female);
    Event(who, 4, birth);
    if (death.year != 0) Event(who, 12, death);
    return who;
  }
};

std::vector<ConstatControle> Check(Family& fam, TPreferenceGenvora5& prefs, CodeID who, bool* coherent = nullptr) {
  AnsiString text;
  std::vector<ConstatControle> found;
  const bool ok = ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, false, false, false, &found);
  if (coherent != nullptr) *coherent = ok;
  return found;
}

std::vector<std::string> Rules(const std::vector<ConstatControle>& found) {
  std::vector<std::string> names;
  for (const auto& f : found) names.push_back(NomRegle(f.regle));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ValidControlCheckTest, EdgeCasesOfEveryGroup) {
  RecordingHost host;
  struct Case {
    const char* what;
    // Builds the family and answers the person to check and, for `value`,
    // the code the first finding must name second.
    std::function<CodeID(Family&, CodeID& other)> build;
    std::vector<std::string> rules;  // sorted
    int years = -1000;               // the first finding's age in years, when set
    int days = -1000;                // the first finding's count of days, when set
  };
  const std::vector<Case> cases = {
      {"mother aged 12 at the birth, on the child",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kWoman, {1, 1, 1900});
         return f.Born(0, other, kMan, {1, 6, 1912});
       },
       {"mother-age-at-birth"}, 12},
      {"mother aged 12 at the birth, on the mother",
       [](Family& f, CodeID& other) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1900});
         other = f.Born(0, mother, kMan, {1, 6, 1912});
         return mother;
       },
       {"age-at-child-birth"}, 12},
      {"mother aged 13 at the birth",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kWoman, {1, 1, 1900});
         return f.Born(0, other, kMan, {1, 6, 1913});
       },
       {}},
      {"twins one day apart, on the mother",
       [](Family& f, CodeID&) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1880});
         f.Born(0, mother, kMan, {1, 3, 1905});
         f.Born(0, mother, kWoman, {2, 3, 1905});
         return mother;
       },
       {}},
      {"births 100 days apart, on the mother",
       [](Family& f, CodeID& other) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1880});
         f.Born(0, mother, kMan, {1, 1, 1905});
         other = f.Born(0, mother, kWoman, {11, 4, 1905});
         return mother;
       },
       {"births-gap"}, -1000, 100},
      {"births 100 days apart, on the first child",
       [](Family& f, CodeID& other) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1880});
         const CodeID first = f.Born(0, mother, kMan, {1, 1, 1905});
         other = f.Born(0, mother, kWoman, {11, 4, 1905});
         return first;
       },
       {"sibling-births-gap"}, -1000, 100},
      {"births 300 days apart",
       [](Family& f, CodeID&) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1880});
         f.Born(0, mother, kMan, {1, 1, 1905});
         f.Born(0, mother, kWoman, {28, 10, 1905});
         return mother;
       },
       {}},
      {"a man dying at 91", [](Family& f, CodeID&) { return f.Born(0, 0, kMan, {1, 1, 1800}, {1, 6, 1891}); },
       {"age-at-death"}, 91},
      {"a woman dying at 91", [](Family& f, CodeID&) { return f.Born(0, 0, kWoman, {1, 1, 1800}, {1, 6, 1891}); },
       {}},
      {"a death before the birth", [](Family& f, CodeID&) { return f.Born(0, 0, kMan, {1, 1, 1800}, {1, 6, 1798}); },
       {"death-before-birth"}, -1},
      {"a burial before the death gives the burial line only",
       [](Family& f, CodeID&) {
         const CodeID who = f.Born(0, 0, kMan, {1, 1, 1800}, {10, 5, 1870});
         f.Event(who, 6, {8, 5, 1870});
         return who;
       },
       {"burial-before-death"}, 0, -2},
      {"a burial on the day of the death",
       [](Family& f, CodeID&) {
         const CodeID who = f.Born(0, 0, kMan, {1, 1, 1800}, {10, 5, 1870});
         f.Event(who, 6, {10, 5, 1870});
         return who;
       },
       {}},
      {"a census two years after the death",
       [](Family& f, CodeID&) {
         const CodeID who = f.Born(0, 0, kMan, {1, 1, 1800}, {10, 5, 1870});
         f.Event(who, 7, {1, 6, 1872});
         return who;
       },
       {"event-after-death"}, 2},
      {"a census before the birth; a christening in the year of the birth",
       [](Family& f, CodeID&) {
         const CodeID who = f.Born(0, 0, kMan, {3, 4, 1800});
         f.Event(who, 7, {1, 6, 1797});
         f.Event(who, 8, {0, 0, 1800});
         return who;
       },
       {"event-before-birth"}, -2},
      {"spouses 35 years apart: the other union rules are skipped",
       [](Family& f, CodeID& other) {
         const CodeID man = f.Born(0, 0, kMan, {1, 1, 1800});
         other = f.Born(0, 0, kWoman, {1, 1, 1835});
         f.Event(f.Couple(man, other), 61, {1, 1, 1900});
         return man;
       },
       {"spouses-age-difference"}, 35},
      {"a wife married at 11",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kMan, {1, 1, 1845});
         const CodeID wife = f.Born(0, 0, kWoman, {1, 1, 1850});
         f.Event(f.Couple(other, wife), 61, {1, 6, 1861});
         return wife;
       },
       {"age-at-union", "union-event-too-young"}, 11},
      {"the husband of a wife married at 11",
       [](Family& f, CodeID& other) {
         const CodeID husband = f.Born(0, 0, kMan, {1, 1, 1845});
         other = f.Born(0, 0, kWoman, {1, 1, 1850});
         f.Event(f.Couple(husband, other), 61, {1, 6, 1861});
         return husband;
       },
       {"spouse-age-at-union"}, 11},
      {"a man married before his birth",
       [](Family& f, CodeID& other) {
         const CodeID man = f.Born(0, 0, kMan, {1, 1, 1850});
         other = f.Born(0, 0, kWoman, {1, 1, 1830});
         f.Event(f.Couple(man, other), 61, {1, 6, 1849});
         return man;
       },
       {"born-after-union", "union-event-before-birth"}, 0},
      {"a divorce two years after the man's death",
       [](Family& f, CodeID& other) {
         const CodeID man = f.Born(0, 0, kMan, {1, 1, 1800}, {1, 1, 1850});
         other = f.Born(0, 0, kWoman, {1, 1, 1805});
         const CodeID couple = f.Couple(man, other);
         f.Event(couple, 61, {1, 1, 1825});
         f.Event(couple, 54, {1, 3, 1852});
         return man;
       },
       {"union-event-after-death"}, 2},
      {"the same divorce, on the wife",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kMan, {1, 1, 1800}, {1, 1, 1850});
         const CodeID wife = f.Born(0, 0, kWoman, {1, 1, 1805});
         const CodeID couple = f.Couple(other, wife);
         f.Event(couple, 61, {1, 1, 1825});
         f.Event(couple, 54, {1, 3, 1852});
         return wife;
       },
       {"union-event-after-spouse-death"}, 2},
      {"the mother dead a year before the birth, on the child",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kWoman, {1, 1, 1800}, {1, 1, 1840});
         return f.Born(0, other, kMan, {1, 1, 1841});
       },
       {"mother-dead-before-birth"}, -1},
      {"the same, on the mother",
       [](Family& f, CodeID& other) {
         const CodeID mother = f.Born(0, 0, kWoman, {1, 1, 1800}, {1, 1, 1840});
         other = f.Born(0, mother, kMan, {1, 1, 1841});
         return mother;
       },
       {"child-after-death"}, -1},
      {"the mother dead a month before the birth",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kWoman, {1, 1, 1800}, {1, 12, 1840});
         return f.Born(0, other, kMan, {1, 1, 1841});
       },
       {"mother-dead-before-birth"}, 0},
      {"the father dead two years before the birth, on the child",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kMan, {1, 1, 1800}, {1, 1, 1840});
         return f.Born(other, 0, kMan, {1, 1, 1842});
       },
       {"father-dead-before-birth"}, -2},
      {"the same, on the father",
       [](Family& f, CodeID& other) {
         const CodeID father = f.Born(0, 0, kMan, {1, 1, 1800}, {1, 1, 1840});
         other = f.Born(father, 0, kMan, {1, 1, 1842});
         return father;
       },
       {"child-after-death"}, -2},
      {"a posthumous child, six months after the father's death",
       [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kMan, {1, 1, 1800}, {1, 1, 1840});
         return f.Born(other, 0, kMan, {1, 7, 1840});
       },
       {}},
      {"a father aged 71", [](Family& f, CodeID& other) {
         other = f.Born(0, 0, kMan, {1, 1, 1800});
         return f.Born(other, 0, kWoman, {1, 6, 1871});
       },
       {"father-age-at-birth"}, 71},
  };
  for (const Case& c : cases) {
    Family fam;
    TPreferenceGenvora5 prefs("");
    CodeID other = 0;
    const CodeID who = c.build(fam, other);
    bool coherent = true;
    const auto found = Check(fam, prefs, who, &coherent);
    EXPECT_EQ(Rules(found), c.rules) << c.what;
    EXPECT_EQ(coherent, c.rules.empty()) << c.what;
    if (found.empty()) continue;
    const ConstatControle& first = found.front();
    EXPECT_EQ(first.codes.front(), who) << c.what;
    if (other != 0) {
      EXPECT_NE(std::find(first.codes.begin(), first.codes.end(), other), first.codes.end()) << c.what;
    }
    if (c.years != -1000) {
      EXPECT_EQ(first.age.annees, c.years) << c.what;
    }
    if (c.days != -1000) {
      EXPECT_EQ(first.age.nombreJours, c.days) << c.what;
    }
    for (const auto& f : found) EXPECT_FALSE(f.ligne.empty()) << c.what;
  }
  EXPECT_TRUE(host.coherences.empty()) << "no report asked, no dialog";

  // A line that opens with a fragment meant for mid-sentence is capitalised.
  ScopedResourceLanguage english(Language::English);
  Family fam;
  TPreferenceGenvora5 prefs("");
  const CodeID husband = fam.Born(0, 0, kMan, {1, 1, 1845});
  const CodeID wife = fam.Born(0, 0, kWoman, {1, 1, 1850});
  fam.Event(fam.Couple(husband, wife), 61, {1, 6, 1861});
  const auto found = Check(fam, prefs, wife);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].ligne, "With P" + std::to_string(husband) + " Martin, at the time of the event Marriage 11 years of age");
  EXPECT_EQ(found[1].ligne, "At the time of the union, 11 years: the age she was");
}

TEST(ValidControlCheckTest, ThresholdsComeFromThePreferences) {
  Family fam;
  TPreferenceGenvora5 prefs("");
  const CodeID mother = fam.Born(0, 0, kWoman, {1, 1, 1900});
  const CodeID child = fam.Born(0, mother, kMan, {1, 6, 1912});
  EXPECT_EQ(Rules(Check(fam, prefs, child)), std::vector<std::string>{"mother-age-at-birth"});
  prefs.SetSeuil(TPreferenceGenvora5::scAgeMinMere, 12);
  EXPECT_TRUE(Check(fam, prefs, child).empty());
  prefs.RestoreDefaultControls();
  EXPECT_EQ(prefs.Seuil(TPreferenceGenvora5::scAgeMinMere), 13);
}

TEST(ValidControlCheckTest, AnAcceptedPersonIsCheckedOnlyWhenTheReportIsAsked) {
  RecordingHost host;
  Family fam;
  TPreferenceGenvora5 prefs("");
  const CodeID who = fam.Born(0, 0, kMan, {1, 1, 1800}, {1, 6, 1891});
  {
    TGIndividu indi;
    ASSERT_TRUE(indi.LitDans(who, fam.db.Tables().individus));
    indi.SetHorsControle(true);
    fam.db.Tables().individus->EcritData(&indi);
  }
  AnsiString text;
  std::vector<ConstatControle> found;
  EXPECT_TRUE(ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, false, false, false, &found));
  EXPECT_TRUE(found.empty());
  EXPECT_TRUE(text.empty());

  EXPECT_TRUE(ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, true, false, false, &found));
  EXPECT_EQ(Rules(found), std::vector<std::string>{"age-at-death"});
  EXPECT_FALSE(text.empty());
  EXPECT_TRUE(host.coherences.empty()) << "an accepted person is shown only when asked always";

  EXPECT_TRUE(ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, true, true, false, &found));
  ASSERT_EQ(host.coherences.size(), 1u);
  EXPECT_TRUE(host.coherences[0].acceptedBefore);
}

TEST(ValidControlCheckTest, TheDialogStoresTheAcceptedFlagOnlyWhenChanged) {
  ScopedResourceLanguage english(Language::English);
  RecordingHost host;
  Family fam;
  TPreferenceGenvora5 prefs("");
  const CodeID who = fam.Born(0, 0, kMan, {1, 1, 1800}, {1, 6, 1891});
  const CodeID fine = fam.Born(0, 0, kMan, {1, 1, 1800}, {1, 6, 1850});
  AnsiString text;

  // Nobody clicks: nothing is written, the person stays incoherent.
  EXPECT_FALSE(ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, true, false, false));
  ASSERT_EQ(host.coherences.size(), 1u);
  const AnsiString expectedName = AnsiString("P") + std::to_string(who) + AnsiString(" Martin");
  EXPECT_EQ(host.coherences[0].name, expectedName);
  EXPECT_EQ(host.coherences[0].lines.front(), "91 years: age at death of this man");
  EXPECT_EQ(text, "91 years: age at death of this man\r\n");
  TGIndividu indi;
  ASSERT_TRUE(indi.LitDans(who, fam.db.Tables().individus));
  EXPECT_FALSE(indi.GetHorsControle());

  // The user ticks the box: stored, and the person now counts as coherent.
  host.QueueCoherence(true);
  EXPECT_TRUE(ValidControlRangeCheckingV2(who, &fam.db, &prefs, text, true, false, false));
  ASSERT_TRUE(indi.LitDans(who, fam.db.Tables().individus));
  EXPECT_TRUE(indi.GetHorsControle());
  EXPECT_TRUE(fam.db.FichierModifie);

  // A coherent person is shown only when asked always, with the all-clear.
  host.Clear();
  host.coherences.clear();
  EXPECT_TRUE(ValidControlRangeCheckingV2(fine, &fam.db, &prefs, text, true, false, false));
  EXPECT_TRUE(host.coherences.empty());
  EXPECT_TRUE(ValidControlRangeCheckingV2(fine, &fam.db, &prefs, text, true, true, false));
  ASSERT_EQ(host.coherences.size(), 1u);
  EXPECT_EQ(host.coherences[0].lines, std::vector<AnsiString>{"No incoherence of dates."});

  // Missing arguments: true, nothing shown.
  EXPECT_TRUE(ValidControlRangeCheckingV2(0, &fam.db, &prefs, text, true, true, false));
  EXPECT_TRUE(ValidControlRangeCheckingV2(who, nullptr, &prefs, text, true, true, false));
  EXPECT_TRUE(ValidControlRangeCheckingV2(who, &fam.db, nullptr, text, true, true, false));
  EXPECT_EQ(host.coherences.size(), 1u);
}

TEST(ValidControlCheckTest, AgesAsTextAndAgesOfPartialDates) {
  ScopedResourceLanguage english(Language::English);
  struct Case {
    int y, m, d;
    bool absolute;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 0, false, "0 years"},
                                         {0, 0, 1, false, "1 day"},
                                         {0, 0, 12, false, "12 days"},
                                         {0, 3, 12, false, "3 months"},
                                         {1, 3, 12, false, "1 year"},
                                         {12, 3, 12, false, "12 years"},
                                         {-12, -3, 0, true, "12 years"},
                                         {0, -3, 0, true, "3 months"}}) {
    EXPECT_EQ(GetNombreAnneesTXT(c.y, c.m, c.d, c.absolute), c.text) << c.y << " " << c.m << " " << c.d;
  }

  Family fam;
  const CodeID who = fam.Person(0, 0, kMan);
  struct AgeCase {
    Date from, to;
    bool ok;
    int years, months, days, count;
  };
  for (const AgeCase& c : std::vector<AgeCase>{
           {{3, 4, 1800}, {3, 4, 1800}, true, 0, 0, 0, 0},
           {{3, 4, 1800}, {0, 0, 1800}, true, 0, 0, 0, 0},   // the year alone agrees
           {{3, 4, 1800}, {0, 4, 1800}, true, 0, 0, 0, 0},   // the month agrees too
           // Months and days are those the count of days reaches from 1 January.
           {{3, 4, 1800}, {5, 6, 1812}, true, 12, 2, 4, 4446},
           {{5, 6, 1812}, {3, 4, 1800}, true, -12, -2, -4, -4446},
           {{3, 4, 1800}, {2, 4, 1800}, true, 0, 0, -1, -1},
           {{3, 4, 1800}, {}, false, 0, 0, 0, 0},
       }) {
    const CodeID a = fam.Event(who, 4, c.from);
    const CodeID b = fam.Event(who, 12, c.to);
    AgeControle age;
    EXPECT_EQ(_CalculAge(&fam.db, a, b, age), c.ok);
    EXPECT_EQ(age.annees, c.years);
    EXPECT_EQ(age.mois, c.months);
    EXPECT_EQ(age.jours, c.days);
    EXPECT_EQ(age.nombreJours, c.count);
  }
  AgeControle age;
  EXPECT_FALSE(_CalculAge(&fam.db, 0, fam.Event(who, 4, {1, 1, 1800}), age)) << "an event that cannot be loaded";
  // Years begun before: one day is -1, one year exactly -1, a year and a day -2.
  age = {0, 0, -1, -1};
  EXPECT_EQ(age.AnneesEntamees(), -1);
  age = {-1, 0, 0, -365};
  EXPECT_EQ(age.AnneesEntamees(), -1);
  age = {-1, 0, -1, -366};
  EXPECT_EQ(age.AnneesEntamees(), -2);
}

TEST(ValidControlCheckTest, ThresholdBlockIsFiftySixBytesInTheUserStore) {
  TempDir dir;
  const std::string ini = dir.Path() + "/genvora.ini";
  {
    TPreferenceGenvora5 prefs(ini);
    EXPECT_EQ(prefs.AgeMaxHomme(), 90);
    EXPECT_EQ(prefs.AgeMaxFemme(), 100);
    const auto bytes = prefs.ControlesEnOctets();
    // Field 0 (15), field 9 (100), field 12 (30) and the flag at offset 52.
    const std::array<std::uint8_t, 56> expected = {
        15, 0, 0, 0, 12, 0, 0, 0, 70, 0, 0, 0, 60, 0, 0, 0, 15, 0, 0, 0, 13, 0, 0, 0, 70, 0, 0, 0, 50, 0, 0, 0,
        90, 0, 0, 0, 100, 0, 0, 0, 240, 0, 0, 0, 5, 0, 0, 0, 30, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
    prefs.SetSeuil(TPreferenceGenvora5::scEcartNaissancesMax, -2);
    prefs.SetAgeMaxHomme(95);
    prefs.CompletSource = true;
    prefs.CompletLieu = false;
    EXPECT_TRUE(prefs.SauveControles());
  }
  {
    TPreferenceGenvora5 prefs(ini);
    EXPECT_EQ(prefs.Seuil(TPreferenceGenvora5::scEcartNaissancesMax), -2);
    EXPECT_EQ(prefs.AgeMaxHomme(), 95);
    EXPECT_TRUE(prefs.CompletSource);
    EXPECT_FALSE(prefs.CompletLieu);
    EXPECT_EQ(prefs.ControlesEnOctets()[40], 0xFE);
    EXPECT_EQ(prefs.ControlesEnOctets()[43], 0xFF);
    // A stored value of the wrong size is ignored.
    prefs.GetConfigFile().WriteString(TPreferenceGenvora5::kSectionControles, "Seuils", "0F00");
  }
  TPreferenceGenvora5 damaged(ini);
  EXPECT_EQ(damaged.Seuil(TPreferenceGenvora5::scEcartNaissancesMax), 240);
  const std::uint8_t tooShort[3] = {1, 2, 3};
  EXPECT_FALSE(damaged.ControlesDepuis(tooShort, sizeof tooShort));
  EXPECT_EQ(damaged.Seuil(TPreferenceGenvora5::scAgeMinUnionHomme), 15);
}

TEST(ValidControlCheckTest, CompletenessOfEventsAndPersons) {
  Family fam;
  TPreferenceGenvora5 prefs("");
  const CodeID place = 77;  // any code: only its presence is read
  const int year = [] {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
  }();

  const CodeID who = fam.Person(0, 0, kWoman);
  const CodeID approximate = fam.Event(who, 4, {1, 1, 1850, kKeywordAbout}, place);
  const CodeID noDay = fam.Event(who, 4, {0, 3, 1850}, place);
  const CodeID full = fam.Event(who, 12, {1, 1, 1900}, place);
  const CodeID nothing = fam.Event(who, 12);
  const CodeID searched = fam.Event(who, 12, {1, 1, 1900}, place, 1);
  auto event = [&](CodeID code) {
    auto e = _NewFullEvenement(&fam.db, &prefs);
    e->SetCodeID(code);
    return e;
  };
  struct Case {
    const char* what;
    CodeID code;
    bool complete;
    int three;
  };
  const std::vector<Case> withDefaults = {{"approximate", approximate, false, ecPartiellementComplet},
                                          {"without day", noDay, false, ecPartiellementComplet},
                                          {"dated and placed", full, true, ecComplet},
                                          {"nothing", nothing, false, ecIncomplet},
                                          {"to be searched, criterion off", searched, true, ecComplet}};
  for (const Case& c : withDefaults) {
    auto e = event(c.code);
    std::vector<AnsiString> lines;
    EXPECT_EQ(CheckEvenement(e.get(), &prefs, &lines), c.complete) << c.what;
    EXPECT_EQ(lines.size(), c.complete ? 0u : 1u) << c.what;
    EXPECT_EQ(CheckEvenementTroisEtats(e.get(), &prefs, nullptr), c.three) << c.what;
  }
  std::vector<AnsiString> lines;
  EXPECT_EQ(CheckEvenementTroisEtats(event(nothing).get(), &prefs, &lines), ecIncomplet);
  EXPECT_EQ(lines.size(), 2u) << "no date and no place, both written";
  prefs.CompletRecherche = true;
  EXPECT_FALSE(CheckEvenement(event(searched).get(), &prefs, nullptr));
  EXPECT_EQ(CheckEvenementTroisEtats(event(searched).get(), &prefs, nullptr), ecPartiellementComplet);
  prefs.CompletSource = true;
  EXPECT_FALSE(CheckEvenement(event(full).get(), &prefs, nullptr)) << "no source document";
  prefs.CompletSource = prefs.CompletRecherche = false;
  prefs.CompletDateApproximative = false;
  EXPECT_TRUE(CheckEvenement(event(approximate).get(), &prefs, nullptr));
  prefs.CompletDateApproximative = true;

  EXPECT_EQ(ValidEvenement(0, &fam.db, &prefs, &lines), 0);
  EXPECT_EQ(ValidEvenement(full, &fam.db, &prefs, nullptr), 2);
  EXPECT_EQ(ValidEvenement(approximate, &fam.db, &prefs, nullptr), 1);

  // Persons: the three sides and the verdict.
  struct PersonCase {
    const char* what;
    std::function<CodeID(Family&)> build;
    int birth, alliance, death;
    bool complete;
  };
  const std::vector<PersonCase> persons = {
      {"an approximate birth, a placed death, no union but old enough",
       [&](Family& f) {
         const CodeID p = f.Person(0, 0, kMan);
         f.Event(p, 4, {0, 0, 1850, kKeywordAbout}, place);
         f.Event(p, 12, {1, 1, 1900}, place);
         return p;
       },
       ecPartiellementComplet, ecIncomplet, ecComplet, false},
      {"a child who died at 5: no union expected",
       [&](Family& f) {
         const CodeID p = f.Person(0, 0, kMan);
         f.Event(p, 4, {1, 1, 1850}, place);
         f.Event(p, 12, {1, 1, 1855}, place);
         return p;
       },
       ecComplet, ecNonAttendu, ecComplet, true},
      {"a girl of ten today: neither union nor death expected",
       [&](Family& f) {
         const CodeID p = f.Person(0, 0, kWoman);
         f.Event(p, 4, {1, 1, year - 10}, place);
         return p;
       },
       ecComplet, ecNonAttendu, ecNonAttendu, true},
      {"two unions, one without a start event",
       [&](Family& f) {
         const CodeID p = f.Person(0, 0, kMan);
         f.Event(p, 4, {1, 1, 1850}, place);
         f.Event(p, 12, {1, 1, 1920}, place);
         f.Event(f.Couple(p, f.Person(0, 0, kWoman)), 61, {1, 1, 1875}, place);
         f.Couple(p, f.Person(0, 0, kWoman));
         return p;
       },
       ecComplet, ecIncomplet, ecComplet, false},
      {"two unions, complete and partly complete",
       [&](Family& f) {
         const CodeID p = f.Person(0, 0, kMan);
         f.Event(p, 4, {1, 1, 1850}, place);
         f.Event(p, 12, {1, 1, 1920}, place);
         f.Event(f.Couple(p, f.Person(0, 0, kWoman)), 61, {1, 1, 1875}, place);
         f.Event(f.Couple(p, f.Person(0, 0, kWoman)), 61, {1, 1, 1885});
         return p;
       },
       ecComplet, ecPartiellementComplet, ecComplet, false},
      {"no birth at all", [&](Family& f) { return f.Person(0, 0, kMan); }, ecIncomplet, ecIncomplet, ecIncomplet,
       false},
  };
  for (const PersonCase& c : persons) {
    const CodeID p = c.build(fam);
    evenementCompletionValuesT b, u, d;
    EXPECT_EQ(IndividuEstIlComplet(p, &fam.db, &prefs, b, u, d, year), c.complete) << c.what;
    EXPECT_EQ(b, c.birth) << c.what;
    EXPECT_EQ(u, c.alliance) << c.what;
    EXPECT_EQ(d, c.death) << c.what;
  }

  // ValidIndividuComplet: a complete birth long ago without a death record
  // is not complete; the forced flag settles it.
  const CodeID old = fam.Person(0, 0, kMan);
  fam.Event(old, 4, {1, 1, 1850}, place);
  EXPECT_FALSE(ValidIndividuComplet(old, &fam.db, &prefs, year));
  const CodeID young = fam.Person(0, 0, kMan);
  fam.Event(young, 4, {1, 1, year - 30}, place);
  EXPECT_TRUE(ValidIndividuComplet(young, &fam.db, &prefs, year));
  TGIndividu indi;
  ASSERT_TRUE(indi.LitDans(old, fam.db.Tables().individus));
  indi.SetComplet(true);
  fam.db.Tables().individus->EcritData(&indi);
  EXPECT_TRUE(ValidIndividuComplet(old, &fam.db, &prefs, year));
  evenementCompletionValuesT b, u, d;
  EXPECT_TRUE(IndividuEstIlComplet(old, &fam.db, &prefs, b, u, d, year));
  EXPECT_FALSE(IndividuEstIlComplet(old, nullptr, &prefs, b, u, d, year));
  EXPECT_EQ(b, ecIncomplet);
  EXPECT_TRUE(ValidIndividuComplet(old, nullptr, &prefs, year));

  auto person = _NewFullIndividu(&fam.db, &prefs);
  person->SetCodeID(old);
  EXPECT_TRUE(_OkPourLesTests(&fam.db, person.get(), &prefs));
  person->SetCodeID(fam.Person(0, 0, kMan));
  EXPECT_FALSE(_OkPourLesTests(&fam.db, person.get(), &prefs));
}

}  // namespace
}  // namespace genvora
