// Individuals, quick list, unions, events and links: the per-person queries
// and the upkeep of their indexes when records are rewritten.
#include <gtest/gtest.h>

#include "TablesTestSupport.h"
#include "platform/Host.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiens.h"
#include "tables/TGTableUnion.h"

namespace genvora {
namespace {

// 1830-ish minute keys: every real date key is above 2^31.
constexpr std::uint32_t Key(std::uint32_t year) { return (2379000u + (year - 1830u) * 365u) * 1440u; }

class FamilyTables : public ::testing::Test {
 protected:
  FamilyTables() {
    individus.SetTableEvenements(&evenements);
    evenements.SetTableIndividus(&individus);
  }
  CodeID Nom(CodeID code, const char* text) {
    TGNom nom(individus.GetDicoNoms()->GetSplitter());
    nom.SetCodeID(code);
    nom.SetNom(text);
    nom.SetRattachement(code);
    EXPECT_NE(individus.GetDicoNoms()->EcritData(&nom), 0);
    return code;
  }
  CodeID Indi(CodeID code, CodeID nom, const char* prenoms, CodeID pere = 0, CodeID mere = 0, bool male = true) {
    TGIndividu individu;
    individu.SetCodeID(code);
    individu.SetCodeNom(nom);
    individu.SetChar(5, prenoms);
    individu.SetCodePere(pere);
    individu.SetCodeMere(mere);
    individu.SetMasculin(male);
    EXPECT_NE(individus.EcritData(&individu), 0);
    return code;
  }
  void Event(CodeID code, CodeID owner, std::uint32_t type, std::uint32_t key) {
    const unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_NE(evenements.EcritEvenement({owner, key, type, code}, bytes, sizeof bytes), 0);
  }
  std::vector<CodeID> Children(CodeID a, CodeID b) {
    LArray out(4, nullptr, false);
    individus.LesEnfantsDe(a, b, &out);
    return Codes(out);
  }
  std::vector<CodeID> Events(CodeID owner) {
    LArray out(4, nullptr, false);
    evenements.LesEvenementsDe(owner, &out);
    return Codes(out);
  }

  TGTableIndividus individus;
  TGTableEvenements evenements;
};

TEST_F(FamilyTables, ChildrenOfOneParentOrOfBoth) {
  Indi(1, 0, "Pere");
  Indi(2, 0, "Mere1", 0, 0, false);
  Indi(3, 0, "Mere2", 0, 0, false);
  Indi(10, 0, "A", 1, 2);
  Indi(11, 0, "B", 1, 3);
  Indi(12, 0, "C", 1, 2);
  Indi(13, 0, "D", 0, 2);
  EXPECT_EQ(Children(1, 0), (std::vector<CodeID>{10, 11, 12}));
  EXPECT_EQ(Children(1, 2), (std::vector<CodeID>{10, 12}));
  EXPECT_EQ(Children(2, 0), (std::vector<CodeID>{10, 12, 13}));
  EXPECT_EQ(Children(99, 0), std::vector<CodeID>{});

  // A rewrite replaces the pairs: 11 now belongs to 2, and no pair doubles.
  Indi(11, 0, "B", 1, 2);
  Indi(11, 0, "B", 1, 2);
  EXPECT_EQ(Children(3, 0), std::vector<CodeID>{});
  EXPECT_EQ(Children(1, 2), (std::vector<CodeID>{10, 12, 11}));
  EXPECT_EQ(individus.GetQuickList()->GetChilds()->GetCount(), 7u);
  EXPECT_EQ(individus.GetQuickList()->GetCount(), 7u);

  individus.DeleteData(12);
  EXPECT_EQ(Children(1, 2), (std::vector<CodeID>{10, 11}));
}

TEST_F(FamilyTables, AncestorsListEachOnceWithPedigreeCollapse) {
  // 1 and 2 are cousins: their child 7 has great-grandparents 5 and 6 twice.
  Indi(5, 0, "Ancetre");
  Indi(6, 0, "Ancetre", 0, 0, false);
  Indi(3, 0, "Frere", 5, 6);
  Indi(4, 0, "Soeur", 5, 6, false);
  Indi(1, 0, "Cousin", 3, 0);
  Indi(2, 0, "Cousine", 0, 4, false);
  Indi(7, 0, "Enfant", 1, 2);
  LArray out(4, nullptr, false);
  individus.AscendanceDe(7, &out);
  // Depth first, father's line first: 7, 1, 3, 5, 6, then 2, 4.
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{7, 1, 3, 5, 6, 2, 4}));
  individus.AscendanceDeCoupleDe(3, 4, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{3, 5, 6, 4}));
  // A loop in damaged data ends.
  Indi(5, 0, "Ancetre", 7, 0);
  individus.AscendanceDe(7, &out);
  EXPECT_EQ(out.GetCount(), 7u);
}

TEST_F(FamilyTables, EventsInDateOrderUndatedLastAndMovedOnRewrite) {
  Indi(1, 0, "X");
  Event(100, 1, TGTableEvenements::kDeces, Key(1900));
  Event(101, 1, 20, 0);
  Event(102, 1, TGTableEvenements::kNaissance, Key(1850));
  Event(103, 1, TGTableEvenements::kBapteme, Key(1851));
  Event(200, 2, TGTableEvenements::kNaissance, Key(1700));
  EXPECT_EQ(Events(1), (std::vector<CodeID>{102, 103, 100, 101}));
  // A key below 2^31 (before about 630 BC) sorts after the undated one.
  Event(104, 1, 20, 1000);
  EXPECT_EQ(Events(1), (std::vector<CodeID>{102, 103, 100, 101, 104}));
  evenements.DeleteData(104);

  Event(100, 1, TGTableEvenements::kDeces, Key(1840));  // moved, not doubled
  EXPECT_EQ(Events(1), (std::vector<CodeID>{100, 102, 103, 101}));
  EXPECT_EQ(evenements.GetIndex()->GetCount(), 5u);
  EXPECT_EQ(evenements.NaissanceDe(1), 102u);
  EXPECT_EQ(evenements.baptemeDe(1), 103u);
  EXPECT_EQ(evenements.InhumationDe(1), 0u);
  evenements.DeleteData(102);
  EXPECT_EQ(Events(1), (std::vector<CodeID>{100, 103, 101}));
  EXPECT_EQ(evenements.NaissanceDe(1), 0u);
}

TEST_F(FamilyTables, ArrivalKey) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> events;  // type, key
    std::uint32_t arrival;
  };
  const std::vector<Case> cases = {
      {"birth wins over an earlier christening", {{8, Key(1850)}, {4, Key(1849)}}, Key(1849)},
      {"christening without birth", {{8, Key(1850)}, {12, Key(1840)}}, Key(1850)},
      {"earlier of death and burial", {{6, Key(1901)}, {12, Key(1900)}}, Key(1900)},
      {"undated birth is skipped", {{4, 0}, {12, Key(1900)}}, Key(1900)},
      {"nothing dated", {{4, 0}, {20, Key(1880)}}, 0},
  };
  CodeID owner = 1, code = 100;
  for (const Case& c : cases) {
    for (const auto& [type, key] : c.events) Event(code++, owner, type, key);
    EXPECT_EQ(evenements.ArriveeDe(owner), c.arrival) << c.what;
    ++owner;
  }
}

TEST_F(FamilyTables, AlphabeticalOrderBySurnameFirstNamesArrivalCode) {
  Nom(50, "Martin");
  Nom(51, "Dupont");
  Nom(52, "de la Fontaine");  // sorts as Fontaine
  Indi(1, 50, "Jean");
  Indi(2, 51, "Paul");
  Indi(3, 52, "Anne");
  Indi(4, 51, "Jean");
  Indi(5, 51, "Jean");
  Indi(6, 51, "Jean");
  // Same surname and first names: the smaller arrival key first (none is
  // 0, so 4 leads), then the code.
  Event(100, 6, TGTableEvenements::kNaissance, Key(1800));
  Event(101, 5, TGTableEvenements::kNaissance, Key(1810));
  EXPECT_EQ(Codes(*individus.GetIndexAlpha()), (std::vector<CodeID>{4, 6, 5, 2, 3, 1}));
  // A new birth moves the person.
  Event(101, 5, TGTableEvenements::kNaissance, Key(1700));
  EXPECT_EQ(Codes(*individus.GetIndexAlpha()), (std::vector<CodeID>{4, 5, 6, 2, 3, 1}));

  EXPECT_EQ(individus.PremierDuNom(51, false), 4u);
  EXPECT_EQ(individus.PremierDuNom(52, false), 3u);
  EXPECT_EQ(individus.PremierDuNom(99, false), 0u);
  LArray out(4, nullptr, false);
  individus.PorteursDuNom(51, &out, prTous, false);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{4, 5, 6, 2}));
  out.Flush();
  individus.PorteursDuNom(51, &out, prPasHommes, false);
  EXPECT_EQ(Codes(out), std::vector<CodeID>{});

  // Rebuilding gives the array the additions gave.
  const auto before = Codes(*individus.GetIndexAlpha());
  const auto beforeR = Codes(*individus.GetIndexAlphaR());
  RecordingHost host;
  individus.Reindex();
  EXPECT_EQ(Codes(*individus.GetIndexAlpha()), before);
  EXPECT_EQ(Codes(*individus.GetIndexAlphaR()), beforeR);
  EXPECT_FALSE(host.progress.empty());
  EXPECT_LE(host.progress.size(), 110u);
}

TEST_F(FamilyTables, RattachementIndexFollowsTheMasterSurname) {
  Nom(50, "Martin");
  Nom(51, "Dupont");
  TGNom variant(individus.GetDicoNoms()->GetSplitter());
  variant.SetCodeID(52);
  variant.SetNom("Martinez");
  variant.SetRattachement(51);  // a variant of Dupont
  individus.GetDicoNoms()->EcritData(&variant);
  Indi(1, 50, "A");
  Indi(2, 52, "B");
  Indi(3, 51, "C");
  EXPECT_EQ(Codes(*individus.GetIndexAlpha()), (std::vector<CodeID>{3, 1, 2}));
  EXPECT_EQ(Codes(*individus.GetIndexAlphaR()), (std::vector<CodeID>{2, 3, 1}));
  LArray out(4, nullptr, false);
  individus.PorteursDuNom(51, &out, prTous, true);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{2, 3}));

  // Martinez becomes a variant of Martin: once its bearer's keys are
  // refreshed, the index files him under his new master, not the old one.
  variant.SetRattachement(50);
  individus.GetDicoNoms()->EcritData(&variant);
  LArray bearers(4, nullptr, false);
  const CodeID bearer = 2;
  bearers.AddItem(&bearer, 4);
  individus.UpdateAlphaIndis(&bearers);
  EXPECT_EQ(Codes(*individus.GetIndexAlphaR()), (std::vector<CodeID>{3, 1, 2}));
  LArray martins(4, nullptr, false);
  individus.PorteursDuNom(50, &martins, prTous, true);
  EXPECT_EQ(Codes(martins), (std::vector<CodeID>{1, 2}));
}

TEST_F(FamilyTables, BatchModeLeavesIndexesToReindex) {
  individus.SetBatchModeTo(true);
  Indi(1, 0, "B", 0, 0);
  Indi(2, 0, "A", 1, 0);
  EXPECT_EQ(individus.GetIndexAlpha()->GetCount(), 0u);
  individus.SetBatchModeTo(false);
  individus.Reindex();
  EXPECT_EQ(Codes(*individus.GetIndexAlpha()), (std::vector<CodeID>{2, 1}));
  EXPECT_EQ(Children(1, 0), std::vector<CodeID>{2});
}

TEST(UnionTable, UnionsSpousesAndCouples) {
  TGTableUnion unions;
  auto write = [&](CodeID code, CodeID epoux, CodeID epouse) {
    TGUnion uni;
    uni.SetCodeID(code);
    uni.SetEpoux(epoux);
    uni.SetEpouse(epouse);
    EXPECT_NE(unions.EcritData(&uni), 0);
  };
  write(100, 1, 2);
  write(101, 1, 3);
  write(102, 4, 2);
  write(103, 5, 0);  // wife unknown: {0, 103} is still an entry
  std::vector<CodeID> out;
  unions.LesUnionsDe(1, 0, out);
  EXPECT_EQ(out, (std::vector<CodeID>{100, 101}));
  out.clear();
  unions.LesUnionsDe(0, 2, out);
  EXPECT_EQ(out, (std::vector<CodeID>{100, 102}));
  out.clear();
  unions.LesUnionsDe(0, 0, out);
  EXPECT_EQ(out, std::vector<CodeID>{103});
  EXPECT_EQ(unions.UnionCouple(4, 2), 102u);
  EXPECT_EQ(unions.UnionCouple(4, 3), 0u);
  EXPECT_EQ(unions.UnionCouple(0, 2), 0u);

  LArray list(4, nullptr, false);
  unions.LesUnionsDe(0, 2, &list);
  LArray spouses(4, nullptr, false);
  unions.LesConjointsDe(2, &list, &spouses);
  EXPECT_EQ(Codes(spouses), (std::vector<CodeID>{1, 4}));

  write(101, 6, 3);  // a new husband moves the key
  out.clear();
  unions.LesUnionsDe(1, 0, out);
  EXPECT_EQ(out, std::vector<CodeID>{100});
  EXPECT_EQ(unions.GetIndexHusb()->GetCount(), 4u);
  EXPECT_EQ(unions.GetIndexSpouse()->GetCount(), 4u);
  unions.DeleteData(100);
  EXPECT_EQ(unions.UnionCouple(1, 2), 0u);
  EXPECT_EQ(unions.GetIndexHusb()->GetCount(), 3u);
}

TEST(LinkTable, LinksInEachModeAndSharedEvents) {
  TGTableLiens liens;
  auto write = [&](CodeID code, CodeID de, CodeID vers, liensListT type) {
    TGLien lien;
    lien.SetCodeID(code);
    lien.SetLienDe(de);
    lien.SetLienVers(vers);
    lien.SetType(type);
    EXPECT_NE(liens.EcritData(&lien), 0);
  };
  write(100, 1, 2, 1);
  write(101, 3, 1, 2);
  write(102, 1, 4, 3);
  write(103, 0, 1, 4);
  write(104, 50, 1, 105);  // 50 is an event, 1 a witness
  std::vector<CodeID> out;
  liens.LesLiensDe(1, out, llDe);
  EXPECT_EQ(out, (std::vector<CodeID>{100, 102}));
  out.clear();
  liens.LesLiensDe(1, out, llVers);  // "TBLINK-IdxDE" order: by LienDe
  EXPECT_EQ(out, (std::vector<CodeID>{103, 101, 104}));
  out.clear();
  liens.LesLiensDe(1, out, llTous);
  EXPECT_EQ(out, (std::vector<CodeID>{103, 100, 102, 101, 104}));
  EXPECT_EQ(liens.LeLienIndiEvt(1, 50), 104u);
  EXPECT_EQ(liens.LeLienIndiEvt(50, 1), 104u);
  EXPECT_EQ(liens.LeLienIndiEvt(2, 50), 0u);

  LArray shared(4, nullptr, false);
  liens.AjouteEvenementsPartages(1, &shared);
  liens.AjouteEvenementsPartages(1, &shared);
  EXPECT_EQ(Codes(shared), std::vector<CodeID>{50});
  LArray witnesses(4, nullptr, false);
  EXPECT_TRUE(liens.LesIndisDeEvtPartage(50, &witnesses, true));
  EXPECT_EQ(Codes(witnesses), std::vector<CodeID>{1});

  write(102, 5, 4, 3);  // rewritten: moves out of 1's links
  out.clear();
  liens.LesLiensDe(1, out, llDe);
  EXPECT_EQ(out, std::vector<CodeID>{100});
  liens.DeleteData(100);
  out.clear();
  liens.LesLiensDe(2, out, llTous);
  EXPECT_TRUE(out.empty());
  const auto de = Codes(*liens.GetIndexDe());
  liens.ReIndex();
  EXPECT_EQ(Codes(*liens.GetIndexDe()), de);
}

// Stored person-to-event links go from the person (LienDe) to the event
// (LienVers): the persons of a shared event are the links' LienDe, the
// shared events of a person their LienVers.
TEST(LinkTable, PersonsOfASharedEventAndEventsOfAPerson) {
  TGTableLiens liens;
  const struct {
    CodeID code, person, event;
  } links[] = {{200, 1, 50}, {201, 2, 50}, {202, 1, 51}};
  for (const auto& l : links) {
    TGLien lien;
    lien.SetCodeID(l.code);
    lien.SetLienDe(l.person);
    lien.SetLienVers(l.event);
    lien.SetType(static_cast<liensListT>(107));
    ASSERT_NE(liens.EcritData(&lien), 0);
  }
  LArray persons(4, nullptr, false);
  EXPECT_TRUE(liens.LesIndisDeEvtPartage(50, &persons, false));
  EXPECT_EQ(Codes(persons), (std::vector<CodeID>{1, 2}));
  LArray first(4, nullptr, false);
  EXPECT_TRUE(liens.LesIndisDeEvtPartage(51, &first, true));
  EXPECT_EQ(Codes(first), std::vector<CodeID>{1});
  LArray shared(4, nullptr, false);
  liens.AjouteEvenementsPartages(1, &shared);
  EXPECT_EQ(Codes(shared), (std::vector<CodeID>{50, 51}));
}

}  // namespace
}  // namespace genvora
