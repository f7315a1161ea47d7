// The kinship services and the Sosa numbering over a database's own tables:
// a family with first cousins married (the great-grandparents G1 and G2 are
// reached through both of D's parents), a child of F with unknown mother, a
// witness of F and M's marriage and a person linked to D.
//
//        G1 ── G2
//       ┌──┴──┐
//  AW ─ A     B ─ BH
//       │     │
//       F ─── M          L: child of F alone
//          │
//          D ··· R       (link D → R)
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "computations/SosaTestSupport.h"
#include "computations/TGDatabaseParenteSource.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/TV5SosaMaker.h"
#include "containers/CodeList.h"
#include "records/TGEvenement.h"
#include "records/TGLien.h"
#include "support/DatabaseFixtures.h"
#include "support/FamilyWriter.h"

namespace genvora {
namespace {

struct Family {
  CodeID G1, G2, A, AW, B, BH, F, M, D, L, W, R;
  CodeID uG, uA, uB, uFM, uLone;
  CodeID mariage, lienTemoin, lienR;
};

Family FillFamily(TGDatabase& db) {
  TGDatabaseTables& t = db.Tables();
  Family f{};
  testing::FamilyWriter writer{db};
  auto person = [&](CodeID pere, CodeID mere, bool female) { return writer.Person(pere, mere, female); };
  auto couple = [&](CodeID husband, CodeID wife) { return writer.Couple(husband, wife); };
  auto link = [&](CodeID de, CodeID vers, liensListT type) {
    TGLien lien;
    CodeID code = db.GetNextID();
    lien.SetCodeID(code);
    lien.SetLienDe(de);
    lien.SetLienVers(vers);
    lien.SetType(type);
    t.liens->EcritData(&lien);
    return code;
  };
  f.G1 = person(0, 0, false);
  f.G2 = person(0, 0, true);
  f.uG = couple(f.G1, f.G2);
  f.A = person(f.G1, f.G2, false);
  f.B = person(f.G1, f.G2, true);
  f.AW = person(0, 0, true);
  f.BH = person(0, 0, false);
  f.uA = couple(f.A, f.AW);
  f.uB = couple(f.BH, f.B);
  f.F = person(f.A, f.AW, false);
  f.M = person(f.BH, f.B, true);
  f.uFM = couple(f.F, f.M);
  f.D = person(f.F, f.M, false);
  f.L = person(f.F, 0, true);
  f.W = person(0, 0, false);
  f.R = person(0, 0, true);
  // A union whose wife is unknown: its {0, union} entry names nobody.
  f.uLone = couple(f.R, 0);
  TGEvenement ev;
  f.mariage = db.GetNextID();
  ev.SetCodeID(f.mariage);
  ev.SetProprietaire(f.uFM);
  ev.SetType(static_cast<TV5EventList>(1));
  const std::string bytes = ev.EncodeToString();
  t.evenements->EcritEvenement({f.uFM, 0, 1, f.mariage}, bytes.data(), static_cast<unsigned>(bytes.size()));
  f.lienTemoin = link(f.W, f.mariage, 101);  // from the witness to the event
  f.lienR = link(f.D, f.R, 1);               // individual-to-individual
  return f;
}

std::vector<CodeID> Sorted(std::vector<CodeID> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(DatabaseKinshipTest, SourceAnswersFromTheTables) {
  TGDatabaseSosa db;
  const Family f = FillFamily(db);
  TGDatabaseParenteSource source(db);
  CodeID pere = 9, mere = 9;
  EXPECT_TRUE(source.Parents(f.D, pere, mere));
  EXPECT_EQ(std::make_pair(pere, mere), std::make_pair(f.F, f.M));
  EXPECT_TRUE(source.Parents(f.L, pere, mere));
  EXPECT_EQ(std::make_pair(pere, mere), std::make_pair(f.F, CodeID{0}));
  EXPECT_FALSE(source.Parents(f.mariage, pere, mere));  // not a person: no entry
  EXPECT_EQ(std::make_pair(pere, mere), std::make_pair(CodeID{0}, CodeID{0}));

  struct Case {
    const char* what;
    std::vector<CodeID> got, expected;
  };
  auto children = [&](CodeID p, CodeID q) {
    std::vector<CodeID> out;
    source.LesEnfantsDe(p, q, out);
    return out;
  };
  auto unions = [&](CodeID p) {
    std::vector<CodeID> out;
    source.LesUnionsDe(p, out);
    return out;
  };
  auto links = [&](CodeID c, TLiensParente kind) {
    std::vector<CodeID> out;
    source.LesLiensDe(c, out, kind);
    return out;
  };
  std::vector<CodeID> events;
  source.LesEvenementsDe(f.uFM, events);
  const Case cases[] = {
      {"children of F", children(f.F, 0), {f.D, f.L}},
      {"children of F and M", children(f.F, f.M), {f.D}},
      {"children of M and F", children(f.M, f.F), {f.D}},
      {"children of unknown", children(0, 0), {}},
      {"unions of M, as wife", unions(f.M), {f.uFM}},
      {"unions of F, as husband", unions(f.F), {f.uFM}},
      {"unions of nobody", unions(0), {}},
      {"events of the couple", events, {f.mariage}},
      {"person-to-person links of D", links(f.D, ldIISeuls), {f.lienR}},
      {"person-to-event links of D", links(f.D, ldIESeuls), {}},
      {"person-to-event links of the marriage", links(f.mariage, ldIESeuls), {f.lienTemoin}},
      {"all links of R", links(f.R, ldTous), {f.lienR}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;

  CodeID mari = 9, femme = 9;
  EXPECT_TRUE(source.Partenaires(f.uB, mari, femme));
  EXPECT_EQ(std::make_pair(mari, femme), std::make_pair(f.BH, f.B));
  EXPECT_FALSE(source.Partenaires(f.D, mari, femme));
  EXPECT_EQ(source.LienDe(f.lienTemoin), f.W);
  EXPECT_EQ(source.LienVers(f.lienTemoin), f.mariage);
  EXPECT_EQ(source.LienVers(f.D), 0U);
  EXPECT_TRUE(source.EstIndividu(f.W));
  EXPECT_FALSE(source.EstIndividu(f.mariage));
}

TEST(DatabaseKinshipTest, WalksVisitACollapsedPedigreeOnceAndFillTheDatabaseBasket) {
  RecordingHost host;
  TGDatabaseSosa db;
  const Family f = FillFamily(db);
  TGDatabaseParente kinship(db);

  // G1 and G2 are met through F and again through M: listed once.
  LArray list(4, nullptr, false);
  kinship->AjouterAscendance(f.D, &list, -1);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{f.F, f.A, f.G1, f.G2, f.AW, f.M, f.BH, f.B}));
  // D is met through A's line and again as M's child: listed once.
  list.Flush();
  kinship->AjouterDescendance(f.G1, &list, -1);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{f.A, f.F, f.D, f.L, f.M, f.AW, f.B, f.BH, f.G2}));

  class Collector : public TDescendanceList {
   public:
    void Ajoute(CodeID code, LArray* into) override {
      calls.push_back(code);
      into->AddItem(&code, sizeof code);
    }
    std::vector<CodeID> calls;
  } collector;
  list.Flush();
  EXPECT_EQ(kinship->DescendanceDe(f.G1, &list, &collector), 10U);
  EXPECT_EQ(collector.calls, (std::vector<CodeID>{f.G1, f.G2, f.A, f.AW, f.F, f.L, f.M, f.D, f.B, f.BH}));

  // The basket is the database's; the options bring the marriage's witness
  // (M is in the list) and the person linked to D.
  TPanierOptions options{true, true};
  kinship->SetPanierOptions(&options);
  kinship->AjouterAscendanceAuPanier(f.D);
  ASSERT_EQ(host.messages.size(), 1U);
  EXPECT_EQ(ItemsOf(db.Basket()),
            Sorted({f.D, f.F, f.A, f.G1, f.G2, f.AW, f.M, f.BH, f.B, f.W, f.R}));
  kinship->ViderLePanier();
  EXPECT_EQ(db.Basket().GetCount(), 0U);

  // The database's order lists rule the ordered queries.
  db.Tables().ordreEnfants->AddItem(&f.L, 4);
  db.Tables().ordreEnfants->AddItem(&f.D, 4);
  list.Flush();
  kinship->LesEnfantsDeORDONNES(f.F, 0, &list);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{f.L, f.D}));
}

TEST(DatabaseKinshipTest, SetDeCujusNumbersTheAncestorsAndTheNumbersTravelWithTheFile) {
  testing::DatabaseSandbox sandbox;
  RecordingHost host;
  const std::string path = sandbox.Path("cousins.genvora");
  Family f{};
  std::vector<SosaRow> numbered;
  {
    TGDatabaseSosa db;
    f = FillFamily(db);
    db.SetDeCujus(f.D);  // no file open: nothing happens
    EXPECT_EQ(db.Header.GetDeCujus(), 0U);
    EXPECT_EQ(db.SosaMaker().GetSOSATbl().GetCount(), 0U);

    ASSERT_TRUE(db.SetAsNewFile());
    db.FichierModifie = false;
    db.SetDeCujus(f.D);
    EXPECT_EQ(db.Header.GetDeCujus(), f.D);
    EXPECT_TRUE(db.FichierModifie);
    EXPECT_EQ(db.SosaMaker().GetDeCujus(), f.D);
    EXPECT_EQ(db.SosaMaker().GetAction(), kSosaMonoEtoile);
    numbered = RowsOf(db.SosaMaker());
    // The star numbering: G1 and G2 keep 8 and 9, their second meeting
    // through B raises their counters.
    const std::vector<SosaRow> expected = {{f.D, "1", 0},  {f.F, "2", 0},  {f.M, "3", 0},
                                           {f.A, "4", 0},  {f.AW, "5", 0}, {f.BH, "6", 0},
                                           {f.B, "7", 0},  {f.G1, "8", 1}, {f.G2, "9", 1}};
    EXPECT_EQ(numbered, expected);
    ASSERT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  }

  TGDatabaseSosa db;
  db.ReadOnly = true;
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  EXPECT_EQ(db.Header.GetDeCujus(), f.D);
  EXPECT_EQ(db.SosaMaker().GetDeCujus(), f.D);
  EXPECT_EQ(RowsOf(db.SosaMaker()), numbered);
  // The de cujus of the file again: nothing is numbered anew.
  db.SosaMaker().GetSOSATbl().Flush();
  db.SetDeCujus(f.D);
  EXPECT_EQ(db.SosaMaker().GetSOSATbl().GetCount(), 0U);
  EXPECT_FALSE(db.FichierModifie);
  // The maker's paths start from the file's de cujus: 14 is M's mother's
  // father, G1.
  TV5Sosa fourteen;
  fourteen.SetText("14");
  EXPECT_EQ(db.SosaMaker().CodeIDValue(fourteen), f.G1);

  db.SetDeCujus(f.A);
  EXPECT_EQ(RowsOf(db.SosaMaker()), (std::vector<SosaRow>{{f.A, "1", 0}, {f.G1, "2", 0}, {f.G2, "3", 0}}));

  // A reset makes a new maker over the new tables.
  db._RAZ();
  ASSERT_TRUE(db.SetAsNewFile());
  const Family g = FillFamily(db);
  db.SetDeCujus(g.L);
  EXPECT_EQ(RowsOf(db.SosaMaker()).size(), 6U);  // L, F, A, AW, G1, G2
}

}  // namespace
}  // namespace genvora
