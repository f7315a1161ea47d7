// Merging individual B into individual A: what the grid holds, what each
// choice does to A, and that afterwards nothing names B and every index
// agrees with its store.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "computations/TGSuppression.h"
#include "computations/V8FusionGestionnaire.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGUnion.h"
#include "tables/TGTableLiensPrenoms.h"
#include "tests/support/DatabaseProblems.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

constexpr bool kMan = false;
constexpr bool kWoman = true;

struct Fixture : testing::OneSurnameFamily {
  Fixture() {
    a = Person(0, 0, kMan);
    b = Person(0, 0, kMan);
  }
  TGIndividu Individu(CodeID code) {
    TGIndividu i;
    EXPECT_TRUE(i.LitDans(code, db.Tables().individus));
    return i;
  }
  void Change(CodeID code, const std::function<void(TGIndividu&)>& edit) {
    TGIndividu i = Individu(code);
    edit(i);
    db.Tables().individus->EcritData(&i);
  }
  TGEvenement Event(CodeID code) {
    TGEvenement e;
    EXPECT_TRUE(e.LitDans(code, db.Tables().evenements));
    return e;
  }
  // The grid of A and B with the default choices.
  V8FusionGestionnaire& Grid(bool preferB = false) {
    merge.SetDatabase(&db);
    EXPECT_TRUE(merge.SetCodes(a, b));
    merge.SelectionParDefaut(preferB);
    return merge;
  }
  // The first line of `kind` under `parent`; -1 when none.
  int Line(champsListeFusion kind, int parent = 0) const {
    for (int i = 1; i < merge.GetCount(); ++i)
      if (merge.Lignes()[static_cast<std::size_t>(i)].GetChamp() == kind &&
          merge.Lignes()[static_cast<std::size_t>(i)].GetParent() == parent)
        return i;
    return -1;
  }
  void Tick(int line, bool sideA, bool sideB) {
    ASSERT_GE(line, 0);
    merge.GetElement(line).SetSelectionA(sideA);
    merge.GetElement(line).SetSelectionB(sideB);
  }
  void Merge() {
    ASSERT_TRUE(merge.Fusion());
    EXPECT_EQ(merge.GetIndividuSupprimme(), b);
    EXPECT_FALSE(db.EstIndividu(b));
    EXPECT_EQ(testing::DatabaseProblems(db, {b}), std::vector<std::string>{});
  }

  CodeID a = 0, b = 0;
  V8FusionGestionnaire merge;
};

// What each choice on one text line gives A.
TEST(MergeTest, TextLinesJoinCopyKeepOrClear) {
  struct Case {
    const char* what;
    champsListeFusion kind;
    int selector;  // the individual's text selector
    const char* a;
    const char* b;
    bool tickA, tickB;
    const char* expected;
  };
  const Case cases[] = {
      {"user field joined", static_cast<champsListeFusion>(cfUser0 + 2), 15, "Paris", "Lyon", true, true,
       "Paris - Lyon"},
      {"first names joined word by word", cfPrenoms, 5, "Jean Pierre", "Pierre Louis", true, true,
       "Jean Pierre Louis"},
      {"a name inside another is still missing", cfPrenoms, 5, "Jean-Pierre", "Pierre", true, true,
       "Jean-Pierre Pierre"},
      {"alias joined", cfAlias, 8, "le Grand", "Jeannot", true, true, "le Grand - Jeannot"},
      {"professions joined", cfProfessions, 6, "laboureur", "tisserand", true, true, "laboureur - tisserand"},
      {"suffix both ticked keeps A", cfSuffixe, 7, "fils", "aîné", true, true, "fils"},
      {"number both ticked keeps A", cfNumero, 12, "12", "13", true, true, "12"},
      {"B alone replaces", cfTitre, 9, "comte", "baron", false, true, "baron"},
      {"A alone keeps", cfTitre, 9, "comte", "baron", true, false, "comte"},
      {"neither clears A", static_cast<champsListeFusion>(cfUser0), 13, "x", "y", false, false, ""},
      {"B ticked on an empty side takes its nothing", cfAlias, 8, "le Grand", "", false, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.Change(f.a, [&](TGIndividu& i) { i.SetChar(c.selector, c.a); });
    f.Change(f.b, [&](TGIndividu& i) { i.SetChar(c.selector, c.b); });
    f.Grid();
    f.Tick(f.Line(c.kind), c.tickA, c.tickB);
    f.Merge();
    EXPECT_EQ(f.Individu(f.a).GetChar(c.selector), c.expected);
  }
}

TEST(MergeTest, JoinedFirstNamesAreRegisteredForA) {
  Fixture f;
  f.Change(f.a, [](TGIndividu& i) { i.SetChar(5, "Jean Pierre"); });
  f.Change(f.b, [](TGIndividu& i) { i.SetChar(5, "Pierre Louis"); });
  f.Grid();
  f.Tick(f.Line(cfPrenoms), true, true);
  f.Merge();
  LArray names(4, nullptr, false);
  f.db.Tables().liensPrenoms->GetPrenoms(f.a, &names);
  EXPECT_EQ(names.GetCount(), 3u);
  LArray left(4, nullptr, false);
  f.db.Tables().liensPrenoms->GetPrenoms(f.b, &left);
  EXPECT_EQ(left.GetCount(), 0u);
}

// An unknown sex never overwrites a known one; an unknown sex takes the
// other's.
TEST(MergeTest, SexRules) {
  struct Case {
    const char* a;
    const char* b;
    const char* expected;
  };
  for (const Case& c : {Case{"?", "f", "f"}, Case{"m", "?", "m"}, Case{"m", "f", "m"}, Case{"?", "?", "?"}}) {
    SCOPED_TRACE(std::string(c.a) + " + " + c.b);
    Fixture f;
    f.Change(f.a, [&](TGIndividu& i) { i.SetChar(10, c.a); });
    f.Change(f.b, [&](TGIndividu& i) { i.SetChar(10, c.b); });
    f.Grid();
    f.Merge();
    EXPECT_EQ(f.Individu(f.a).GetChar(10), c.expected);
  }
}

// B, A's father, merged into A: A's father field would name B (or A).
TEST(MergeTest, MergingAFatherClearsTheFatherField) {
  for (bool preferB : {false, true}) {
    SCOPED_TRACE(preferB ? "prefer B" : "prefer A");
    Fixture g;
    const CodeID gf = g.Person(0, 0, kMan);
    g.Change(g.b, [&](TGIndividu& i) { i.SetCodePere(gf); });
    g.Change(g.a, [&](TGIndividu& i) { i.SetCodePere(g.b); });
    g.Grid(preferB);
    // A is no child of the merged person.
    EXPECT_EQ(g.Line(cfEnfant), -1);
    g.Merge();
    EXPECT_EQ(g.Individu(g.a).GetCodePere(), preferB ? gf : 0u);
  }
}

// The de cujus removed by a merge is set again to the surviving person.
TEST(MergeTest, DeCujusIsSetAgainWhenItWasRemoved) {
  struct Case {
    const char* what;
    bool deCujusIsB;
    bool wholeB;  // line 0 with B ticked: A goes
  };
  for (const Case& c : {Case{"B merged", true, false}, Case{"A dropped whole", false, true},
                        Case{"A stays", false, false}}) {
    SCOPED_TRACE(c.what);
    Fixture f;
    const CodeID father = f.Person(0, 0, kMan);
    f.Change(f.a, [&](TGIndividu& i) { i.SetCodePere(father); });
    f.db.SetDeCujus(c.deCujusIsB ? f.b : f.a);
    f.Grid();
    if (c.wholeB) f.Tick(0, false, true);
    ASSERT_TRUE(f.merge.Fusion());
    const CodeID gone = c.wholeB ? f.a : f.b, kept = c.wholeB ? f.b : f.a;
    EXPECT_EQ(f.merge.GetIndividuSupprimme(), gone);
    EXPECT_EQ(f.db.Header.GetDeCujus(), kept);
    EXPECT_EQ(f.merge.GetDeCujusChange(), c.deCujusIsB || c.wholeB);
    EXPECT_EQ(testing::DatabaseProblems(f.db, {gone}), std::vector<std::string>{});
  }
}

// Line 0 is never ticked by default, and ticking A on it drops B whole.
TEST(MergeTest, WholeIndividualLine) {
  Fixture f;
  f.Change(f.b, [](TGIndividu& i) { i.SetChar(8, "Jeannot"); });
  f.Grid();
  EXPECT_FALSE(f.merge.Lignes()[0].GetSelectionA());
  EXPECT_FALSE(f.merge.Lignes()[0].GetSelectionB());
  f.Tick(0, true, false);
  f.Merge();
  EXPECT_EQ(f.Individu(f.a).GetChar(8), "");
}

// B's events, unions and children come over to A; paired events merge
// field by field.
TEST(MergeTest, EventsUnionsAndChildrenCarriedOver) {
  for (bool preferB : {false, true}) {
    SCOPED_TRACE(preferB ? "prefer B" : "prefer A");
    Fixture f;
    const CodeID birthA = f.writer.Event(f.a, 4, 0, 0, 0, [](TGEvenement& e) {
      e.SetText(TGEvenement::kSubdivision, "paroisse");
    });
    const CodeID birthB = f.writer.Event(f.b, 4, 3, 5, 1850);
    const CodeID deathB = f.writer.Event(f.b, 12, 0, 0, 1910);
    const CodeID wife = f.Person(0, 0, kWoman);
    const CodeID unionB = f.Couple(f.b, wife);
    const CodeID marriage = f.writer.Event(unionB, 61, 0, 0, 1875);
    const CodeID child = f.Person(f.b, wife, kMan);
    const CodeID friendB = f.Person(0, 0, kMan);
    TGLien link;
    link.SetCodeID(f.db.GetNextID());
    link.SetLienDe(f.b);
    link.SetLienVers(friendB);
    link.SetType(2);
    f.db.Tables().liens->EcritData(&link);

    f.Grid(preferB);
    const int birthLine = f.Line(cfEvenement);
    ASSERT_GE(birthLine, 0);
    EXPECT_EQ(f.merge.Lignes()[static_cast<std::size_t>(birthLine)].GetCode2(), birthB);
    f.Merge();

    // The birth: B's date, A's subdivision (B has none).
    const TGEvenement birth = f.Event(birthA);
    EXPECT_EQ(birth.GetDate()->GetYear(false), 1850);
    EXPECT_EQ(birth.GetSubdivision(), "paroisse");
    EXPECT_FALSE(f.db.EstEvenement(birthB));
    EXPECT_EQ(f.Event(deathB).GetProprietaire(), f.a);
    // The union with the wife, its marriage, the child and the link.
    std::vector<CodeID> unions;
    f.db.Tables().unions->LesUnionsDe(f.a, wife, unions);
    ASSERT_EQ(unions.size(), 1u);
    std::vector<CodeID> events;
    f.db.Tables().evenements->LesEvenementsDe(unions[0], events);
    // B's marriage itself, now the union's.
    ASSERT_EQ(events, std::vector<CodeID>{marriage});
    EXPECT_EQ(f.Event(events[0]).GetDate()->GetYear(false), 1875);
    EXPECT_EQ(f.Individu(child).GetCodePere(), f.a);
    TGLien moved;
    ASSERT_TRUE(moved.LitDans(link.GetCodeID(), f.db.Tables().liens));
    EXPECT_EQ(moved.GetLienDe(), f.a);
    EXPECT_EQ(testing::DatabaseProblems(f.db, {f.b, unionB, birthB}), std::vector<std::string>{});
  }
}

// A shared event of B handed to A is reached through A's own link (the
// person at the LienDe end); a link that would join A to itself goes.
TEST(MergeTest, SharedEventAndSelfLink) {
  Fixture f;
  const CodeID census = f.writer.Event(f.b, 40, 0, 0, 1872, [](TGEvenement& e) { e.SetPartage(true); });
  TGLien self;
  self.SetCodeID(f.db.GetNextID());
  self.SetLienDe(f.b);
  self.SetLienVers(f.a);
  self.SetType(7);
  f.db.Tables().liens->EcritData(&self);
  f.Grid();
  f.Merge();
  EXPECT_EQ(f.Event(census).GetProprietaire(), f.a);
  const CodeID own = f.db.Tables().liens->LeLienIndiEvt(f.a, census);
  ASSERT_NE(own, 0u);
  TGLien link;
  ASSERT_TRUE(link.LitDans(own, f.db.Tables().liens));
  EXPECT_EQ(link.GetLienDe(), f.a);
  EXPECT_FALSE(TGDatabase::EstDans(f.db.Tables().liens, self.GetCodeID()));
}

// A's father and mother without a union get one.
TEST(MergeTest, ParentsTakenFromBGetAUnion) {
  Fixture f;
  const CodeID father = f.Person(0, 0, kMan), mother = f.Person(0, 0, kWoman);
  f.Change(f.b, [&](TGIndividu& i) {
    i.SetCodePere(father);
    i.SetCodeMere(mother);
  });
  f.Grid();
  f.Merge();
  EXPECT_EQ(f.Individu(f.a).GetCodePere(), father);
  EXPECT_EQ(f.Individu(f.a).GetCodeMere(), mother);
  std::vector<CodeID> unions;
  f.db.Tables().unions->LesUnionsDe(father, mother, unions);
  EXPECT_EQ(unions.size(), 1u);
}

TEST(MergeTest, TheSamePersonOrANonPersonGivesNoGrid) {
  Fixture f;
  const CodeID event = f.writer.Event(f.a, 4);
  V8FusionGestionnaire merge;
  merge.SetDatabase(&f.db);
  EXPECT_FALSE(merge.SetCodes(f.a, f.a));
  EXPECT_FALSE(merge.SetCodes(f.a, event));
  EXPECT_EQ(merge.GetCount(), 0);
  EXPECT_FALSE(merge.Fusion());
}

}  // namespace
}  // namespace genvora
