// Importing dictionaries: surnames, places, first names and professions
// unified by text with their variants re-attached through the code map;
// addresses copied with their pairs; the indexes the one-pass merge leaves
// are the ones a rebuild gives.
#include <gtest/gtest.h>

#include "TablesTestSupport.h"
#include "records/TGAdresse.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "tables/TGTableDicoAdresses.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableLiensGenerique.h"
#include "tables/TGTablePrenoms.h"
#include "tables/TGTableProfessions.h"

namespace genvora {
namespace {

TEST(ImportNoms, UnifiesByTextAndReattachesVariants) {
  TGTableDicoNoms noms;
  CounterCodes codes(1000);
  TGNom nom(noms.GetSplitter());
  nom.SetNom("Martin");
  const CodeID martin = noms.MetAJour(nom, &codes, false);
  nom = TGNom(noms.GetSplitter());
  nom.SetNom("Lef\xE8vre");
  noms.MetAJour(nom, &codes, false);

  TGTableDicoNoms source;
  struct Row {
    CodeID code;
    const char* text;
    CodeID rattachement;
  };
  // A variant before its master, a text the destination holds, a text an
  // earlier record of the import brings, a master the source lacks, a
  // variant of a unified surname, a record without master.
  const Row rows[] = {{201, "Dupond", 200},   {200, "Dupont", 200},    {202, "MARTIN", 202}, {203, "dupont", 203},
                      {204, "Durand", 999},   {205, "Martineau", 202}, {206, "de la Tour", 0}};
  for (const Row& row : rows) {
    TGNom n(source.GetSplitter());
    n.SetCodeID(row.code);
    n.SetNom(row.text);
    n.SetRattachement(row.rattachement);
    n.SetDateLT(0, 40000);
    n.SetStampOnWrite(false);
    ASSERT_NE(source.EcritData(&n), 0);
  }
  codes = CounterCodes(5000);
  CodeMap map;
  EXPECT_EQ(noms.Importer(source, &codes, map), 5);
  EXPECT_EQ(map, (CodeMap{{201, 5000}, {200, 5001}, {202, martin}, {203, 5001}, {204, 5002}, {205, 5003}, {206, 5004}}));
  const std::pair<CodeID, CodeID> masters[] = {{5000, 5001}, {5001, 5001}, {5002, 5002}, {5003, martin}, {5004, 0}};
  for (auto [code, master] : masters) {
    TGNom read(noms.GetSplitter());
    ASSERT_TRUE(noms.FetchData(code, &read)) << code;
    EXPECT_EQ(read.GetRattachement(), master) << code;
    EXPECT_EQ(read.GetDateLT(0), 40000u) << "days kept";
  }
  EXPECT_EQ(noms.GetVarianteMaitre(5000), 5001u);
  EXPECT_EQ(noms.NomExists("de la Tour"), 5004u);
  EXPECT_EQ(noms.NomExists("Dupond"), 5000u);
  EXPECT_EQ(noms.GetCount(), 7u);
  EXPECT_EQ(noms.premierDe(5000, 5001), -1) << "ranks follow the merged index";

  const std::vector<CodeID> merged = Codes(*noms.GetIndexAlpha());
  noms.ReIndex();
  EXPECT_EQ(merged, Codes(*noms.GetIndexAlpha()));

  TempDir dir;
  TGTableDicoNoms fresh;
  const auto [a, b] = RoundTrip(noms, fresh, dir);
  EXPECT_EQ(a, b);
  const auto [ia, ib] = RoundTrip(*noms.GetIndexAlpha(), *fresh.GetIndexAlpha(), dir);
  EXPECT_EQ(ia, ib);
  EXPECT_EQ(fresh.NomExists("Martineau"), 5003u);
}

TEST(ImportLieux, UnifiesEqualPlacesAndMergesBothIndexes) {
  TGTableDicoLieux lieux;
  CounterCodes codes(1000);
  auto place = [](CodeID code, const char* ville, const char* cp, CodeID master) {
    TGLieu lieu;
    lieu.SetCodeID(code);
    // An empty town is written "?" by SetText: the empty place keeps none.
    if (*ville != 0) {
      lieu.SetText(TGLieu::kVille, ville);
      lieu.SetText(TGLieu::kCode, cp);
      lieu.SetText(TGLieu::kPays, "France");
    }
    lieu.SetRattachement(master);
    return lieu;
  };
  TGLieu lyon = place(0, "Lyon", "69000", 0);
  const CodeID lyonHere = lieux.MetAJour(lyon, &codes, false);
  TGLieu arles = place(0, "Arles", "13200", 0);
  lieux.MetAJour(arles, &codes, false);

  TGTableDicoLieux source;
  TGLieu rows[] = {place(300, "Nancy", "54000", 300), place(301, "Lyon", "69000", 301),
                   place(302, "NANCY", "54000", 302), place(303, "", "", 0),
                   place(304, "Nancy", "54100", 300),  place(305, "Aix", "13100", 301)};
  for (TGLieu& lieu : rows) ASSERT_NE(source.EcritData(&lieu), 0);
  codes = CounterCodes(5000);
  CodeMap map;
  EXPECT_EQ(lieux.Importer(source, &codes, map), 3);
  EXPECT_EQ(map, (CodeMap{{300, 5000}, {301, lyonHere}, {302, 5000}, {304, 5001}, {305, 5002}}))
      << "the empty place is left behind";
  TGLieu read;
  ASSERT_TRUE(lieux.FetchData(5002, &read));
  EXPECT_EQ(read.GetRattachement(), lyonHere);
  ASSERT_TRUE(lieux.FetchData(5001, &read));
  EXPECT_EQ(read.GetRattachement(), 5000u);

  const std::vector<CodeID> byTown = Codes(*lieux.GetIndexVille());
  const std::vector<CodeID> byCode = Codes(*lieux.GetIndexCode());
  lieux.ReIndex();
  EXPECT_EQ(byTown, Codes(*lieux.GetIndexVille()));
  EXPECT_EQ(byCode, Codes(*lieux.GetIndexCode()));
  EXPECT_EQ(lieux.BinaryFindByVille("nancy"), 5000u);
}

// First names and professions share their import: one check for both.
template <typename Table, typename Record, typename SetText>
void CheckTextImport(SetText setText) {
  Table table;
  CounterCodes codes(1000);
  Record existing;
  setText(existing, "Jean");
  const CodeID jean = table.MetAJour(existing, &codes, false);

  Table source;
  auto put = [&](CodeID code, const char* text, CodeID master) {
    Record r;
    r.SetCodeID(code);
    setText(r, text);
    r.SetRattachement(master);
    ASSERT_NE(source.EcritData(&r), 0);
  };
  put(400, "Mary", 401);   // variant before its master
  put(401, "Marie", 401);
  put(402, "jean", 402);   // held here
  put(403, "   ", 403);    // blank: never a record
  put(404, "Jeannot", 402);
  codes = CounterCodes(5000);
  CodeMap map;
  EXPECT_EQ(table.Importer(source, &codes, map), 3);
  EXPECT_EQ(map, (CodeMap{{400, 5000}, {401, 5001}, {402, jean}, {404, 5002}}));
  Record read;
  ASSERT_TRUE(table.FetchData(5000, &read));
  EXPECT_EQ(read.GetRattachement(), 5001u);
  ASSERT_TRUE(table.FetchData(5002, &read));
  EXPECT_EQ(read.GetRattachement(), jean);
  const std::vector<CodeID> merged = Codes(*table.GetIndexAlpha());
  table.ReIndex();
  EXPECT_EQ(merged, Codes(*table.GetIndexAlpha()));
  EXPECT_EQ(merged.size(), 4u);
}

TEST(ImportTextes, FirstNamesAndProfessions) {
  CheckTextImport<TGTablePrenoms, TVGPrenom>([](TVGPrenom& r, const char* t) { r.SetPrenom(t); });
  CheckTextImport<TGTableProfessions, TVGProfession>([](TVGProfession& r, const char* t) { r.SetProfession(t); });
}

TEST(ImportAdresses, CopiedWithTheirPairsOfImportedPeople) {
  TGTableDicoAdresses here;
  TGTableLiensGenerique hereLinks("TGTableDicoAdresses-Liens");
  here.SetLiens(&hereLinks);
  TGTableDicoAdresses source;
  TGTableLiensGenerique sourceLinks("TGTableDicoAdresses-Liens");
  source.SetLiens(&sourceLinks);
  for (CodeID code : {30u, 31u}) {
    TGAdresse a;
    a.SetCodeID(code);
    a.SetTexte(1, "12 rue des Lilas");  // the same text twice: two homes
    a.SetOldXREFHomme(7);
    a.SetOldXREFFemme(8);
    ASSERT_NE(source.EcritData(&a), 0);
  }
  source.AjouterLien(30, 7);
  source.AjouterLien(31, 9);
  source.AjouterLien(31, 7);
  here.AjouterLien(4, 707);
  here.AjouterLien(6000, 1);
  CounterCodes codes(5000);
  CodeMap map{{7, 707}};
  EXPECT_EQ(here.Importer(source, &codes, map), 2);
  EXPECT_EQ(map.at(30), 5000u);
  EXPECT_EQ(map.at(31), 5001u);
  TGAdresse read;
  ASSERT_TRUE(here.FetchData(5000, &read));
  EXPECT_EQ(read.GetOldXREFHomme(), 707u);
  EXPECT_EQ(read.GetOldXREFFemme(), 0u) << "a person the map does not know";
  EXPECT_EQ(here.ImporterLiens(source, map), 2);
  EXPECT_EQ(here.ImporterLiens(source, map), 0) << "a pair is not added twice";
  LArray out(4, nullptr, false);
  here.LesLiensDe(707, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{4, 5000, 5001}));
  EXPECT_EQ(Codes(hereLinks), (std::vector<CodeID>{4, 5000, 5001, 6000})) << "kept in runs of the first code";
}

}  // namespace
}  // namespace genvora
