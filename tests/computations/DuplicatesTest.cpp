// Duplicate detection: the first-name methods, the date tolerance, sexes,
// the ancestry exclusion, pairs reported once, surname variants and the
// search of one file's persons in another.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "computations/TV8Trieur.h"
#include "dates/TGDate.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

using Pairs = std::vector<std::pair<CodeID, CodeID>>;

struct Date {
  int day = 0, month = 0, year = 0;
};

struct File {
  File() {
    EXPECT_TRUE(db.SetAsNewFile());
    martin = Surname("Martin");
  }
  CodeID Surname(const char* text, CodeID master = 0) {
    TGNom nom;
    nom.SetNom(text);
    const CodeID code = 100000 + next++;
    if (master != 0) nom.SetRattachement(master);
    nom.EcritDans(code, db.Tables().dicoNoms);
    return code;
  }
  // sexe: 'm', 'f' or '?'.
  CodeID Person(const char* prenoms, char sexe = 'm', Date birth = {}, CodeID pere = 0, CodeID mere = 0,
                CodeID nom = 0) {
    const CodeID code = writer.Person(pere, mere, sexe == 'f', prenoms, nom != 0 ? nom : martin);
    if (sexe == '?') {
      TGIndividu i;
      EXPECT_TRUE(i.LitDans(code, db.Tables().individus));
      i.SetChar(10, "?");
      db.Tables().individus->EcritData(&i);
    }
    if (birth.year != 0) Event(code, 4, birth);
    return code;
  }
  CodeID Event(CodeID owner, std::uint8_t type, Date date) {
    return writer.Event(owner, type, date.day, date.month, date.year);
  }
  TGDatabaseSosa db;
  testing::FamilyWriter writer{db};
  CodeID martin = 0;
  int next = 0;
};

Pairs Scan(File& f, TEnumPrenomFnt prenoms, TEnumEventFnt events, bool exclude = true, TGDatabase* other = nullptr) {
  TV8Trieur t;
  t.SetFiler1(&f.db);
  t.SetFiler2(other != nullptr ? other : &f.db);
  t.SetPrenomsFnt(prenoms);
  t.SetEventFnt(events);
  t.ExclureAscendance = exclude;
  t.Doublons();
  return t.Paires();
}

bool Same(const Pairs& pairs, CodeID a, CodeID b) {
  for (const auto& p : pairs)
    if ((p.first == a && p.second == b) || (p.first == b && p.second == a)) return true;
  return false;
}

TEST(DuplicatesTest, FirstNameMethods) {
  struct Case {
    const char* a;
    const char* b;
    bool subset, oneMatch, first;
  };
  const Case cases[] = {
      {"Jean Pierre", "Pierre", true, true, false},
      {"Jean", "Pierre", false, false, false},
      {"Jean Pierre", "Pierre Louis", false, true, false},
      {"Jean Pierre", "Jean", true, true, true},
      {"Pierre", "Jean Pierre", true, true, false},
      {"jean,pierre", "PIERRE", true, true, false},
      {"Jean Louis", "Louis Jean", true, true, false},
      {"?", "?", false, false, false},
      {"Jean ?", "Jean", false, false, false},
      {"", "Jean", false, false, false},
      {"", "", false, false, false},
  };
  TV8Trieur t;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_TRUE(t.Methode1(c.a, c.b));
    EXPECT_EQ(t.Methode2(c.a, c.b), c.subset);
    EXPECT_EQ(t.Methode3(c.a, c.b), c.oneMatch);
    EXPECT_EQ(t.Methode4(c.a, c.b), c.first);
  }

  // The same through a scan of a file, without dates.
  for (const Case& c : cases) {
    if (*c.a == 0 || *c.b == 0) continue;
    SCOPED_TRACE(std::string("scan ") + c.a + " / " + c.b);
    File f;
    const CodeID a = f.Person(c.a), b = f.Person(c.b);
    EXPECT_TRUE(Same(Scan(f, epfNoMatch, eefNothing), a, b));
    EXPECT_EQ(Same(Scan(f, epfAsSubset, eefNothing), a, b), c.subset);
    EXPECT_EQ(Same(Scan(f, epfAtLeastOneMatch, eefNothing), a, b), c.oneMatch);
    EXPECT_EQ(Same(Scan(f, epfFirstMatching, eefNothing), a, b), c.first);
  }
}

TEST(DuplicatesTest, DatesWithinTheToleranceMatch) {
  struct Case {
    Date a, b;
    bool within2Years, sameYear, identical;
  };
  const Case cases[] = {
      {{1, 1, 1850}, {31, 12, 1851}, true, false, false},  // 729 days <= 730
      {{1, 1, 1850}, {2, 1, 1852}, false, false, false},   // 731 days
      {{1, 1, 1850}, {1, 1, 1852}, true, false, false},    // 730 days
      {{1, 1, 1850}, {31, 12, 1850}, true, true, false},  {{5, 6, 1850}, {5, 6, 1850}, true, true, true},
      {{0, 0, 0}, {5, 6, 1850}, false, false, false},  // an empty date never matches
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.a.year) + " / " + std::to_string(c.b.day) + "." + std::to_string(c.b.month) + "." +
                 std::to_string(c.b.year));
    TGDate a, b;
    for (auto [date, d] : {std::pair{&a, c.a}, std::pair{&b, c.b}}) {
      date->SetDay(d.day, false);
      date->SetMonth(d.month, false);
      date->SetYear(d.year, false);
    }
    TV8Trieur t;
    t.IntervaleFlou = 2;
    EXPECT_EQ(t.CompareDate(&a, &b), c.within2Years);
    t.AnneeIdentique = true;
    EXPECT_EQ(t.CompareDate(&a, &b), c.sameYear);
    t.DateIdentique = true;
    EXPECT_EQ(t.CompareDate(&a, &b), c.identical);

    // Through a scan: births compared with the default tolerance.
    if (c.a.year == 0) continue;
    File f;
    const CodeID x = f.Person("Jean", 'm', c.a), y = f.Person("Jean", 'm', c.b);
    EXPECT_EQ(Same(Scan(f, epfAsSubset, eefMatching), x, y), c.within2Years);
  }
}

TEST(DuplicatesTest, EventsRequiredUnlessOneSideHasNone) {
  File f;
  const CodeID a = f.Person("Jean", 'm', {1, 1, 1850});
  const CodeID b = f.Person("Jean");
  const CodeID c = f.Person("Paul"), d = f.Person("Paul");
  EXPECT_FALSE(Same(Scan(f, epfAsSubset, eefMatching), a, b));
  EXPECT_FALSE(Same(Scan(f, epfAsSubset, eefMatching), c, d)) << "neither has events";
  TV8Trieur t;
  t.SetFiler1(&f.db);
  t.SetFiler2(&f.db);
  t.SansEvenementAccepte = true;
  t.Doublons();
  EXPECT_TRUE(Same(t.Paires(), a, b));
  EXPECT_FALSE(Same(t.Paires(), c, d));
  // A marriage-like event of type 20 (not birth, christening, death or
  // burial) compared with any other of the same kind.
  File g;
  const CodeID e = g.Person("Louis"), h = g.Person("Louis");
  g.Event(e, 20, {3, 3, 1880});
  g.Event(h, 30, {3, 3, 1881});
  EXPECT_TRUE(Same(Scan(g, epfAsSubset, eefMatching), e, h));
}

TEST(DuplicatesTest, KnownAndUnknownSex) {
  struct Case {
    char a, b;
    bool found;
  };
  for (const Case& c : {Case{'m', '?', true}, Case{'?', 'f', true}, Case{'?', '?', true}, Case{'m', 'm', true},
                        Case{'m', 'f', false}}) {
    SCOPED_TRACE(std::string(1, c.a) + c.b);
    File f;
    const CodeID a = f.Person("Camille", c.a), b = f.Person("Camille", c.b);
    EXPECT_EQ(Same(Scan(f, epfAsSubset, eefNothing), a, b), c.found);
  }
}

TEST(DuplicatesTest, FatherAndSonOfTheSameNameExcludedWithTheAncestry) {
  File f;
  const CodeID father = f.Person("Jean");
  const CodeID son = f.Person("Jean", 'm', {}, father);
  EXPECT_EQ(Scan(f, epfAsSubset, eefNothing, true), Pairs{});
  EXPECT_TRUE(Same(Scan(f, epfAsSubset, eefNothing, false), father, son));
  // A grandson too; and the son's own duplicate is still found although
  // the father comes first among his candidates.
  const CodeID grandson = f.Person("Jean", 'm', {}, son);
  const CodeID copy = f.Person("Jean");
  const Pairs pairs = Scan(f, epfAsSubset, eefNothing, true);
  EXPECT_FALSE(Same(pairs, father, son));
  EXPECT_FALSE(Same(pairs, father, grandson));
  EXPECT_FALSE(Same(pairs, son, grandson));
  EXPECT_TRUE(Same(pairs, son, copy) || Same(pairs, father, copy) || Same(pairs, grandson, copy));
  TV8Trieur t;
  t.SetFiler1(&f.db);
  EXPECT_TRUE(t.CheckLienRecursif(grandson, father));
  EXPECT_FALSE(t.CheckLienRecursif(father, grandson));
}

TEST(DuplicatesTest, PairFoundBothWaysIsReportedOnce) {
  File f;
  const CodeID a = f.Person("Jean", 'm', {1, 1, 1850});
  const CodeID b = f.Person("Jean", 'm', {1, 1, 1850});
  TV8Trieur t;
  t.SetFiler1(&f.db);
  t.SetFiler2(&f.db);
  t.Doublons();
  ASSERT_EQ(t.Paires().size(), 1u);
  EXPECT_TRUE(Same(t.Paires(), a, b));
  // Both persons found each other: two tested pairs, one reported.
  EXPECT_EQ(t.PairesTestees().size(), 2u);
  EXPECT_EQ(t.ListeDoublons().size(), 2u);
  EXPECT_EQ(t.Resume(), "1 possible duplicate pair(s)");
}

TEST(DuplicatesTest, SurnameVariantsShareCandidatesAndDifferentSurnamesDoNot) {
  File f;
  const CodeID martyn = f.Surname("Martyn", f.martin);
  const CodeID durand = f.Surname("Durand");
  const CodeID a = f.Person("Jean", 'm', {}, 0, 0, martyn);
  const CodeID b = f.Person("Jean");
  const CodeID c = f.Person("Jean", 'm', {}, 0, 0, durand);
  const Pairs pairs = Scan(f, epfAsSubset, eefNothing);
  EXPECT_TRUE(Same(pairs, a, b));
  EXPECT_FALSE(Same(pairs, a, c));
  EXPECT_FALSE(Same(pairs, b, c));

  TV8Trieur t;
  t.SetFiler1(&f.db);
  t.SetFiler2(&f.db);
  t.SetEventFnt(eefNothing);
  const auto candidates = t.GetDoublonsDsBox1(a);
  ASSERT_EQ(candidates.size(), 1u);
  EXPECT_EQ(candidates[0].code, b);
  EXPECT_TRUE(candidates[0].rattachement);
}

TEST(DuplicatesTest, ParentsCompared) {
  File f;
  const CodeID p1 = f.Person("Louis"), p2 = f.Person("Louis"), p3 = f.Person("Henri");
  const CodeID a = f.Person("Jean", 'm', {}, p1), b = f.Person("Jean", 'm', {}, p2);
  const CodeID c = f.Person("Paul", 'm', {}, p1), d = f.Person("Paul", 'm', {}, p3);
  const CodeID e = f.Person("Marc"), g = f.Person("Marc");
  TV8Trieur t;
  t.SetFiler1(&f.db);
  t.SetFiler2(&f.db);
  t.SetEventFnt(eefNothing);
  t.ComparerParents = true;
  t.Doublons();
  EXPECT_TRUE(Same(t.Paires(), a, b));
  EXPECT_FALSE(Same(t.Paires(), c, d));
  EXPECT_FALSE(Same(t.Paires(), e, g)) << "no parent known";
}

TEST(DuplicatesTest, PersonsOfOneFileLookedForInAnother) {
  File f, g;
  const CodeID a = f.Person("Jean Pierre", 'm', {1, 1, 1850});
  f.Person("Paul", 'm', {1, 1, 1850});
  const CodeID durandF = f.Surname("Durand");
  f.Person("Jean", 'm', {1, 1, 1850}, 0, 0, durandF);
  // The other file's codes differ: its surname comes later.
  g.Person("Louis");
  const CodeID b = g.Person("Pierre", 'm', {2, 3, 1851});
  const Pairs pairs = Scan(f, epfAsSubset, eefMatching, true, &g.db);
  EXPECT_EQ(pairs, (Pairs{{a, b}}));
}

TEST(DuplicatesTest, PreselectionGivesThePairsOfThePlainWalk) {
  // A crowded surname: first names from a small pool (with "?" and empty
  // ones), births over a few years, fathers among earlier persons, a
  // variant surname; every method compared with the walk of every
  // candidate, pairs and order.
  File f;
  const CodeID martyn = f.Surname("Martyn", f.martin);
  const char* pool[] = {"Jean", "Pierre", "Marie", "Jean Pierre", "Pierre Louis", "Louis, Jean", "?", "", "Marie Anne"};
  const char sexes[] = {'m', 'f', '?'};
  std::uint32_t seed = 12345;
  auto next = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  std::vector<CodeID> people;
  for (int i = 0; i < 160; ++i) {
    const Date birth = next(4) == 0 ? Date{}
                                    : Date{1 + static_cast<int>(next(28)), 1 + static_cast<int>(next(12)),
                                           1850 + static_cast<int>(next(6))};
    const CodeID pere = !people.empty() && next(3) == 0 ? people[next(static_cast<std::uint32_t>(people.size()))] : 0;
    people.push_back(f.Person(pool[next(9)], sexes[next(3)], birth, pere, 0, next(5) == 0 ? martyn : 0));
  }
  for (TEnumPrenomFnt prenoms : {epfNoMatch, epfAsSubset, epfAtLeastOneMatch, epfFirstMatching}) {
    for (TEnumEventFnt events : {eefNothing, eefMatching}) {
      for (int variant = 0; variant < 6; ++variant) {
        SCOPED_TRACE(std::to_string(prenoms) + " " + std::to_string(events) + " " + std::to_string(variant));
        Pairs found[2];
        for (int plain = 0; plain < 2; ++plain) {
          TV8Trieur t;
          t.SetFiler1(&f.db);
          t.SetFiler2(&f.db);
          t.SetPrenomsFnt(prenoms);
          t.SetEventFnt(events);
          t.ExclureAscendance = variant != 1;
          t.SansEvenementAccepte = variant == 2;
          t.ComparerParents = variant == 2;
          t.AnneeIdentique = variant == 3;
          t.IntervaleFlou = variant == 4 ? 0 : 2;
          t.DateIdentique = variant == 5;
          t.SansPreselection = plain == 1;
          t.Doublons();
          found[plain] = t.Paires();
        }
        EXPECT_EQ(found[0], found[1]);
        if (prenoms == epfAsSubset && events == eefNothing && variant == 1) {
          EXPECT_FALSE(found[0].empty());
        }
      }
    }
  }
}

}  // namespace
}  // namespace genvora
