// Full records over a database's own tables: the family circles of a person
// with half-siblings on both sides, the orders of time of events and
// persons, arrival and departure, whether a person may be alive, the report
// of a failed load, and what a union answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/TFullUnion.h"
#include "computations/TGDatabaseSosa.h"
#include "containers/CodeList.h"
#include "platform/Exception.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

constexpr bool kMan = false;
constexpr bool kWoman = true;
constexpr CodeID kSurname = 1;

std::vector<CodeID> Sorted(std::vector<CodeID> codes) {
  std::sort(codes.begin(), codes.end());
  return codes;
}

struct Date {
  int day = 0, month = 0, year = 0;
};

// A new database, open, with one surname for everybody.
struct Family : testing::OneSurnameFamily {
  CodeID Event(CodeID owner, std::uint8_t type, Date date = {}, CodeID place = 0) {
    return writer.Event(owner, type, date.day, date.month, date.year, [place](TGEvenement& e) { e.SetDicoLieu(place); });
  }
};

// Grandparents GF x GM and MF x MM; the father F married M (children P, S)
// and W (child HF); the mother M married OM too (child HM). P married Sp,
// whose parents are SF and SM; their child C married Cs and has G. S married
// Ss and has N. F's brother U married Uw and has K; F's sister A; M's
// brother V.
struct Circles : Family {
  Circles() {
    gf = Person(0, 0, kMan), gm = Person(0, 0, kWoman), mf = Person(0, 0, kMan), mm = Person(0, 0, kWoman);
    Couple(gf, gm);
    Couple(mf, mm);
    f = Person(gf, gm, kMan), u = Person(gf, gm, kMan), a = Person(gf, gm, kWoman);
    m = Person(mf, mm, kWoman), v = Person(mf, mm, kMan);
    w = Person(0, 0, kWoman), om = Person(0, 0, kMan);
    Couple(f, m);
    Couple(f, w);
    Couple(om, m);
    p = Person(f, m, kMan), s = Person(f, m, kWoman), hf = Person(f, w, kMan), hm = Person(om, m, kWoman);
    sf = Person(0, 0, kMan), sm = Person(0, 0, kWoman);
    Couple(sf, sm);
    sp = Person(sf, sm, kWoman);
    unionP = Couple(p, sp);
    c = Person(p, sp, kMan), c2 = Person(p, sp, kWoman);
    cs = Person(0, 0, kWoman);
    Couple(c, cs);
    g = Person(c, cs, kMan);
    ss = Person(0, 0, kMan);
    Couple(ss, s);
    n = Person(ss, s, kMan);
    uw = Person(0, 0, kWoman);
    Couple(u, uw);
    k = Person(u, uw, kWoman);
  }
  CodeID gf, gm, mf, mm, f, u, a, m, v, w, om, p, s, hf, hm, sf, sm, sp, unionP, c, c2, cs, g, ss, n, uw, k;
};

TEST(FullRecordsTest, FamilyCirclesListEachRelativeOnceAndNeverThePerson) {
  Circles fam;
  TFullIndividu person;
  person.ConjointsON = true;
  person.SetFiler(&fam.db);
  person.SetCodeID(fam.p);
  ASSERT_EQ(person.GetCodeID(), fam.p);

  LArray list(4, nullptr, false), spouses(4, nullptr, false);
  struct Case {
    const char* circle;
    int (*call)(TFullIndividu&, LArray*);
    std::vector<CodeID> expected;
  };
  const std::vector<Case> cases = {
      {"parents", [](TFullIndividu& x, LArray* l) { return x.Parents(l); }, {fam.f, fam.m}},
      {"grandparents", [](TFullIndividu& x, LArray* l) { return x.GrandsParents(l); }, {fam.gf, fam.gm, fam.mf, fam.mm}},
      {"parents-in-law", [](TFullIndividu& x, LArray* l) { return x.BeauxParents(l); }, {fam.sf, fam.sm}},
      // Half-brothers and half-sisters of both sides, once each.
      {"siblings", [](TFullIndividu& x, LArray* l) { return x.FreresEtSoeurs(l); }, {fam.s, fam.hf, fam.hm}},
      // Never the person's own father or mother.
      {"uncles and aunts", [](TFullIndividu& x, LArray* l) { return x.OnclesEtTantes(l); }, {fam.u, fam.a, fam.v}},
      {"nephews", [](TFullIndividu& x, LArray* l) { return x.NeveuxEtNieces(l); }, {fam.n}},
      {"cousins", [](TFullIndividu& x, LArray* l) { return x.CousinsEtCousines(l); }, {fam.k}},
      {"grandchildren", [](TFullIndividu& x, LArray* l) { return x.PetitsEnfants(l); }, {fam.g}},
      {"children", [](TFullIndividu& x, LArray* l) { return x.EnfantsConjoint(l); }, {fam.c, fam.c2}},
  };
  for (const Case& row : cases) {
    list.AddItem(&fam.p, 4);  // each circle empties its list first
    const int count = row.call(person, &list);
    EXPECT_EQ(Sorted(ItemsOf(list)), Sorted(row.expected)) << row.circle;
    EXPECT_EQ(count, static_cast<int>(row.expected.size())) << row.circle;
  }

  // With spouses: the relatives' spouses join the list, and the spouses
  // that are not relatives themselves are handed back apart.
  person.FreresEtSoeurs(&list, true, &spouses);
  EXPECT_EQ(Sorted(ItemsOf(list)), Sorted({fam.s, fam.hf, fam.hm, fam.ss}));
  EXPECT_EQ(ItemsOf(spouses), std::vector<CodeID>{fam.ss});
  spouses.Flush();
  person.EnfantsConjoint(&list, true, &spouses);
  EXPECT_EQ(Sorted(ItemsOf(list)), Sorted({fam.c, fam.c2, fam.cs}));
  EXPECT_EQ(ItemsOf(spouses), std::vector<CodeID>{fam.cs});

  EXPECT_TRUE(person.SearchInA(fam.gm));
  EXPECT_FALSE(person.SearchInA(fam.u));
  EXPECT_EQ(person.Ancetre(&list, false, 1), 2);
  EXPECT_EQ(Sorted(ItemsOf(list)), Sorted({fam.f, fam.m}));
}

TEST(FullRecordsTest, TheNameShowsTheSurnameWithItsParticle) {
  Family fam;
  for (const char* stored : {"de la Fontaine", "d'Artagnan"}) {
    TGNom nom;
    nom.SetNom(stored);
    const CodeID code = fam.db.GetNextID();
    nom.EcritDans(code, fam.db.Tables().dicoNoms);
    TFullIndividu person(&fam.db, fam.writer.Person(0, 0, kMan, "Jean", code));
    EXPECT_EQ(person.GetText(), std::string("Jean ") + stored);
  }
}

TEST(FullRecordsTest, SosaNumberOfAFullRecordFollowsTheDeCujus) {
  Circles fam;
  fam.db.SetDeCujus(fam.p);
  TFullIndividu grandmother(&fam.db, fam.mm);
  ASSERT_TRUE(grandmother.GetSosa().has_value());
  EXPECT_EQ(grandmother.GetSosa()->GetText(), "7");
  TFullIndividu uncle(&fam.db, fam.u);
  EXPECT_FALSE(uncle.GetSosa().has_value());
}

TEST(FullRecordsTest, ArrivalAndDeparturePreferDatedThenPlacedEvents) {
  Family fam;
  const CodeID place = 77;
  struct Case {
    const char* what;
    std::vector<std::pair<std::uint8_t, Date>> events;  // type, date
    std::vector<bool> placed;
    int arrival;    // index into events, -1 none
    int departure;
  };
  const std::vector<Case> cases = {
      {"dated christening over undated birth", {{4, {}}, {8, {2, 3, 1850}}}, {false, false}, 1, -1},
      {"dated birth first", {{8, {2, 3, 1850}}, {4, {1, 3, 1850}}}, {false, false}, 1, -1},
      {"placed birth over bare christening", {{8, {}}, {4, {}}}, {false, true}, 1, -1},
      {"bare birth over bare christening", {{8, {}}, {4, {}}}, {false, false}, 1, -1},
      {"dated burial over undated death", {{12, {}}, {6, {9, 9, 1900}}}, {false, false}, -1, 1},
  };
  for (const Case& c : cases) {
    const CodeID who = fam.Person(0, 0, kMan);
    std::vector<CodeID> codes;
    for (std::size_t i = 0; i < c.events.size(); ++i)
      codes.push_back(fam.Event(who, c.events[i].first, c.events[i].second, c.placed[i] ? place : 0));
    TFullIndividu person(&fam.db, who);
    person.SortedList = true;
    EXPECT_EQ(person.GetArrivee(), c.arrival < 0 ? 0 : codes[c.arrival]) << c.what;
    EXPECT_EQ(person.GetDepart(), c.departure < 0 ? 0 : codes[c.departure]) << c.what;
  }
}

TEST(FullRecordsTest, EventsOfALifeInOrderOfTime) {
  Family fam;
  const CodeID who = fam.Person(0, 0, kMan);
  const CodeID burial = fam.Event(who, 6, {3, 4, 1900});
  const CodeID death = fam.Event(who, 12, {3, 4, 1900});
  const CodeID residence = fam.Event(who, 30, {0, 0, 1860});
  const CodeID occupation = fam.Event(who, 23);
  const CodeID birth = fam.Event(who, 4);
  const CodeID christening = fam.Event(who, 8, {5, 6, 1850});

  TFullIndividu person(&fam.db, who);
  person.SortedList = true;
  struct Case {
    const char* what;
    std::vector<CodeID> in, out;
  };
  const std::vector<Case> cases = {
      // The undated birth first; the undated occupation before the first
      // dated death; the burial after the death of the same day.
      {"a life", {burial, death, residence, occupation, birth, christening},
       {birth, christening, residence, occupation, death, burial}},
      {"death then burial", {death, burial}, {death, burial}},
      {"burial then death", {burial, death}, {death, burial}},
  };
  LArray list(4, nullptr, false);
  for (const Case& c : cases) {
    list.Flush();
    for (CodeID code : c.in) list.AddItem(&code, 4);
    person.TrierEvenements(&list);
    EXPECT_EQ(ItemsOf(list), c.out) << c.what;
  }
  // The full record's own list is in that order.
  EXPECT_EQ(ItemsOf(*person.GetTableEvenements()), cases[0].out);

  // Without SortedList nothing moves.
  person.SortedList = false;
  list.Flush();
  for (CodeID code : {burial, death}) list.AddItem(&code, 4);
  person.TrierEvenements(&list);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{burial, death}));
}

TEST(FullRecordsTest, PersonsAndUnionsInOrderOfTimeWithTheUndatedLast) {
  Family fam;
  const CodeID late = fam.Person(0, 0, kMan), undated = fam.Person(0, 0, kMan), early = fam.Person(0, 0, kWoman);
  fam.Event(late, 4, {1, 1, 1900});
  fam.Event(early, 8, {1, 1, 1850});
  const CodeID u1 = fam.Couple(late, early), u2 = fam.Couple(undated, early);
  fam.Event(u1, 61, {1, 1, 1920});
  fam.Event(u2, 68, {1, 1, 1870});

  TFullIndividu sorter(&fam.db, undated);
  sorter.SortedList = true;
  LArray list(4, nullptr, false);
  for (CodeID code : {undated, late, early}) list.AddItem(&code, 4);
  sorter.TrierCetteTable(&list);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{early, late, undated}));

  list.Flush();
  for (CodeID code : {u1, u2}) list.AddItem(&code, 4);
  sorter.TrierCetteTable(&list);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{u2, u1}));
}

TEST(FullRecordsTest, AliveWithinTheMaximumAgeAtDeath) {
  Family fam;
  ScopedPrefs prefs;
  prefs->SetAgeMaxHomme(90);
  prefs->SetAgeMaxFemme(100);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int year = local.tm_year + 1900;

  struct Case {
    const char* what;
    bool female;
    int age;
    bool died;
    bool alive;
  };
  const std::vector<Case> cases = {
      {"man of 85", kMan, 85, false, true},     {"man of 91", kMan, 91, false, false},
      {"man of 90", kMan, 90, false, true},     {"woman of 95", kWoman, 95, false, true},
      {"man of 40 who died", kMan, 40, true, false},
  };
  for (const Case& c : cases) {
    const CodeID who = fam.Person(0, 0, c.female);
    fam.Event(who, 4, {1, 1, year - c.age});
    if (c.died) fam.Event(who, 12);
    TFullIndividu person(&fam.db, who);
    EXPECT_FALSE(person.EstVivant()) << c.what << ": needs its events";
    person.EvenementsON = true;
    EXPECT_EQ(person.EstVivant(), c.alive) << c.what;
    person.Prefs = nullptr;
    EXPECT_FALSE(person.EstVivant()) << c.what << ": needs preferences";
  }
  const CodeID nobody = fam.Person(0, 0, kMan);
  TFullIndividu person(&fam.db, nobody);
  person.EvenementsON = true;
  EXPECT_FALSE(person.EstVivant()) << "no arrival";
}

// An individual whose surname is missing from the dictionary.
CodeID Unreadable(Family& fam) { return fam.writer.Person(0, 0, kMan, "X", 99); }

TEST(FullRecordsTest, AFailedLoadIsReportedOncePerDatabase) {
  TempDir dir;
  ScopedPrefs prefs;
  Family fam;
  fam.db.AssigneNomDeFichier(dir.Path() + "/tree.genvora");
  const CodeID bad = Unreadable(fam), bad2 = Unreadable(fam), good = fam.Person(0, 0, kMan);
  fam.db.FichierModifie = false;

  RecordingHost host;
  host.savesFiles = true;
  TFullIndividu person;
  person.SetFiler(&fam.db);
  try {
    person.SetCodeID(bad);
    FAIL() << "the first failure raises";
  } catch (const EGenvoraError& e) {
    const std::string text = e.Text();
    EXPECT_EQ(text.rfind(TFullRoot::kUnreadable, 0), 0U) << text;
    EXPECT_NE(text.find("individual " + std::to_string(bad)), std::string::npos) << text;
    EXPECT_NE(text.find("surname 99"), std::string::npos) << text;
  }
  ASSERT_EQ(host.messages.size(), 1U);
  EXPECT_EQ(host.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(fam.db.Tag, TFullRoot::kErrorLatch);
  EXPECT_TRUE(fam.db.GetTaggedFile()) << "a host that saves has the file checked";
  EXPECT_EQ(person.GetCodeID(), 0U);

  // Latched: silent and empty, whatever is asked.
  for (CodeID code : {bad2, good}) {
    EXPECT_NO_THROW(person.SetCodeID(code));
    EXPECT_EQ(person.GetCodeID(), 0U);
    EXPECT_EQ(person.GetTableEvenements()->GetCount(), 0U);
  }
  EXPECT_EQ(host.messages.size(), 1U);

  // Once the host clears the latch, loads work again.
  fam.db.Tag = 0;
  person.SetCodeID(good);
  EXPECT_EQ(person.GetCodeID(), good);
}

TEST(FullRecordsTest, AReadOnlyHostIsNeitherOfferedToSaveNorTagged) {
  TempDir dir;
  ScopedPrefs prefs;
  Family fam;
  fam.db.AssigneNomDeFichier(dir.Path() + "/tree.genvora");
  fam.db.FichierModifie = true;
  const CodeID bad = Unreadable(fam);

  RecordingHost host;  // does not save files
  TFullIndividu person;
  person.SetFiler(&fam.db);
  EXPECT_THROW(person.SetCodeID(bad), EGenvoraError);
  ASSERT_EQ(host.messages.size(), 1U);
  EXPECT_EQ(host.messages[0].buttons, MsgButtons::Ok) << "no offer to save";
  EXPECT_FALSE(fam.db.GetTaggedFile());

  // A host that saves is offered to save the unsaved changes.
  fam.db.Tag = 0;
  host.savesFiles = true;
  host.QueueAnswer(MsgAnswer::No);
  EXPECT_THROW(person.SetCodeID(bad), EGenvoraError);
  ASSERT_EQ(host.messages.size(), 2U);
  EXPECT_EQ(host.messages[1].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(fam.db.FichierModifie) << "answered No";
}

TEST(FullRecordsTest, UnknownCodesAndOtherKindsFailToLoad) {
  Family fam;
  const CodeID man = fam.Person(0, 0, kMan), woman = fam.Person(0, 0, kWoman);
  const CodeID couple = fam.Couple(man, woman);
  for (CodeID code : {couple, CodeID{12345}}) {
    RecordingHost host;
    fam.db.Tag = 0;
    TFullIndividu person;
    person.SetFiler(&fam.db);
    EXPECT_THROW(person.SetCodeID(code), EGenvoraError) << code;
  }
  fam.db.Tag = 0;
  RecordingHost host;
  TFullUnion notAUnion;
  notAUnion.SetFiler(&fam.db);
  EXPECT_THROW(notAUnion.SetCodeID(man), EGenvoraError);
  TFullIndividu withoutDatabase;
  EXPECT_THROW(withoutDatabase.SetCodeID(man), EGenvoraError);
  EXPECT_FALSE(withoutDatabase.Sauve());
}

TEST(FullRecordsTest, AUnionItsSpousesEventsAndChildren) {
  Family fam;
  const CodeID husband = fam.Person(0, 0, kMan), wife = fam.Person(0, 0, kWoman), other = fam.Person(0, 0, kWoman);
  const CodeID couple = fam.Couple(husband, wife);
  const CodeID second = fam.Person(husband, wife, kWoman), first = fam.Person(husband, wife, kMan);
  fam.Person(husband, other, kMan);  // not a child of this union
  fam.Event(first, 4, {1, 1, 1901});
  fam.Event(second, 4, {1, 1, 1905});
  const CodeID civil = fam.Event(couple, 61);
  const CodeID religious = fam.Event(couple, 68, {2, 2, 1900});
  const CodeID divorce = fam.Event(couple, 54, {3, 3, 1910});

  TFullUnion full;
  EXPECT_EQ(full.LeConjoint(husband), 0U) << "nothing loaded";
  full.SortedList = true;
  full.SetFiler(&fam.db);
  full.SetCodeID(couple);
  EXPECT_EQ(full.LeConjoint(husband), wife);
  EXPECT_EQ(full.LeConjoint(wife), husband);
  EXPECT_EQ(full.LeConjoint(other), 0U);
  EXPECT_EQ(full.GetMainEvent(), civil);
  EXPECT_EQ(full.GetDebut(), religious) << "the first dated of the four";
  EXPECT_EQ(full.GetFin(), divorce);
  EXPECT_EQ(ItemsOf(*full.GetTableEnfants()), (std::vector<CodeID>{first, second}));

  // Saving a new wife moves the union in the spouse index.
  full.Union().SetEpouse(other);
  EXPECT_TRUE(full.Sauve());
  EXPECT_TRUE(fam.db.FichierModifie);
  std::vector<CodeID> ofOther, ofWife;
  fam.db.Tables().unions->LesUnionsDe(0, other, ofOther);
  fam.db.Tables().unions->LesUnionsDe(0, wife, ofWife);
  EXPECT_EQ(ofOther, std::vector<CodeID>{couple});
  EXPECT_TRUE(ofWife.empty());
}

TEST(FullRecordsTest, AnIndividualWithoutAnyTieAndItsUnions) {
  Family fam;
  const CodeID alone = fam.Person(0, 0, kMan);
  const CodeID father = fam.Person(0, 0, kMan);
  const CodeID child = fam.Person(father, 0, kWoman);
  const CodeID wife = fam.Person(0, 0, kWoman), other = fam.Person(0, 0, kWoman);
  const CodeID u1 = fam.Couple(father, wife), u2 = fam.Couple(father, other);
  const CodeID ofOther = fam.Person(father, other, kMan);

  TFullIndividu person(&fam.db, alone);
  EXPECT_TRUE(person.IsSansLien());
  person.SetCodeID(child);
  EXPECT_FALSE(person.IsSansLien()) << "only a father";

  person.UnionsON = true;
  person.ConjointsON = true;
  person.SetCodeID(father);
  EXPECT_EQ(Sorted(ItemsOf(*person.GetTableUnions())), Sorted({u1, u2}));
  EXPECT_EQ(Sorted(ItemsOf(*person.GetTableConjoints())), Sorted({wife, other}));
  LArray mono(4, nullptr, false);
  EXPECT_TRUE(person.LesEnfantsMono(&mono));
  EXPECT_EQ(ItemsOf(mono), std::vector<CodeID>{child}) << "the child of no union";
  (void)ofOther;
}

}  // namespace
}  // namespace genvora
