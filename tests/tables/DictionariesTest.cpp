// Surnames and places dictionaries, the first-name, profession and generic
// pair tables, and the byte-identical round trip of tables through a file.
#include <gtest/gtest.h>

#include "TablesTestSupport.h"
#include "records/TGIndividu.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiensGenerique.h"
#include "tables/TGTableLiensPrenoms.h"
#include "tables/TGTableLiensProfessions.h"
#include "tables/TGTableParticules.h"
#include "tables/TGTableUnion.h"
#include "utilities/Collation.h"

namespace genvora {
namespace {

CodeID AddNom(TGTableDicoNoms& noms, CounterCodes& codes, const char* text) {
  TGNom nom(noms.GetSplitter());
  nom.SetNom(text);
  return noms.MetAJour(nom, &codes, false);
}

TEST(Collation, FrenchOrderCaseAndAccents) {
  EXPECT_EQ(CompareTextLocale("jean", "Jean", true), 0);
  EXPECT_NE(CompareTextLocale("jean", "Jean", false), 0);
  EXPECT_LT(CompareTextLocale("\xC9mile", "Fabien", true), 0);  // Émile before Fabien
  EXPECT_LT(CompareTextLocale("cote", "c\xF4te", true), 0);
  EXPECT_LT(CollationKey("Dupond", true), CollationKey("dupont", true));
}

TEST(DicoNoms, ParticlesLookupsAndInsertOrFind) {
  TGTableDicoNoms noms;
  CounterCodes codes;
  const CodeID fontaine = AddNom(noms, codes, "de la Fontaine");
  const CodeID martin = AddNom(noms, codes, "Martin");
  const CodeID dupont = AddNom(noms, codes, "Dupont");
  const CodeID bare = AddNom(noms, codes, "Fontaine");
  EXPECT_EQ(AddNom(noms, codes, "martin"), martin) << "found, nothing written";
  EXPECT_EQ(noms.GetCount(), 4u);

  EXPECT_EQ(noms.NomExists("  de la Fontaine "), fontaine);
  EXPECT_EQ(noms.NomExists("Fontaine"), bare);
  EXPECT_EQ(noms.NomExists("DUPONT"), dupont);
  EXPECT_EQ(noms.NomExists("Durand"), 0u);
  TGNom probe(noms.GetSplitter());
  probe.SetNom("Durand");
  EXPECT_EQ(noms.MetAJour(probe, &codes, true), 0u);
  EXPECT_EQ(noms.GetCount(), 4u);

  // Fontaine (no particle) before de la Fontaine: same surname, then particle.
  EXPECT_EQ(Codes(*noms.GetIndexAlpha()), (std::vector<CodeID>{dupont, bare, fontaine, martin}));
  EXPECT_EQ(noms.premierDe(martin, martin), 0);
  EXPECT_EQ(noms.premierDe(dupont, martin), -1);
  EXPECT_EQ(noms.premierDe(martin, bare), 1);
  EXPECT_EQ(noms.premierDe(martin, 9999), -1);
  EXPECT_EQ(noms.premierDe(9998, 9999), 0);

  // A new surname shifts the ranks.
  const CodeID aubert = AddNom(noms, codes, "Aubert");
  EXPECT_EQ(noms.premierDe(aubert, dupont), -1);
  TGNom stored(noms.GetSplitter());
  ASSERT_TRUE(noms.FetchData(aubert, &stored));
  EXPECT_EQ(stored.GetRattachement(), aubert);
  EXPECT_EQ(noms.GetVarianteMaitre(aubert), aubert);

  // Renaming moves the key; deleting removes it.
  stored.SetNom("Zola");
  noms.EcritData(&stored);
  EXPECT_EQ(Codes(*noms.GetIndexAlpha()).back(), aubert);
  EXPECT_EQ(noms.premierDe(martin, aubert), -1);
  noms.DeleteData(dupont);
  EXPECT_EQ(noms.NomExists("Dupont"), 0u);
  EXPECT_EQ(noms.GetIndexAlpha()->GetCount(), 4u);

  // Variants and masters.
  TGNom variant(noms.GetSplitter());
  variant.SetCodeID(codes.GetNextID());
  variant.SetNom("Martinez");
  variant.SetRattachement(martin);
  noms.EcritData(&variant);
  EXPECT_EQ(noms.GetVarianteMaitre(variant.GetCodeID()), martin);
  LArray masters(4, nullptr, false);
  noms.FillListeIDsMaitre(&masters);
  EXPECT_EQ(Codes(masters), std::vector<CodeID>{martin});
  LArray variants(4, nullptr, false);
  noms.LesVariantesDe(martin, &variants);
  EXPECT_EQ(Codes(variants), std::vector<CodeID>{variant.GetCodeID()});

  const auto before = Codes(*noms.GetIndexAlpha());
  noms.ReIndex();
  EXPECT_EQ(Codes(*noms.GetIndexAlpha()), before);
}

TEST(DicoNoms, ParticlesTable) {
  TGTableParticules table;
  table.UpdateFrom({"de", "", "van der"});
  std::vector<AnsiString> list;
  table.LoadList(list);
  EXPECT_EQ(list, (std::vector<AnsiString>{"de", "", "van der"}));
  EXPECT_EQ(table.GetItemSize(2), 1u);
}

TEST(DicoLieux, ByTownByCodeAndInsertOrFind) {
  TGTableDicoLieux lieux;
  CounterCodes codes;
  auto place = [&](const char* ville, const char* code, const char* pays) {
    TGLieu lieu;
    lieu.SetText(TGLieu::kVille, ville);
    lieu.SetText(TGLieu::kCode, code);
    lieu.SetText(TGLieu::kPays, pays);
    return lieux.MetAJour(lieu, &codes, false);
  };
  const CodeID paris = place("Paris", "75000", "France");
  const CodeID lyon = place("Lyon", "69000", "France");
  const CodeID parisTx = place("Paris", "75460", "USA");
  const CodeID arles = place("Arles", "13200", "France");
  EXPECT_EQ(place("Paris", "75000", "France"), paris);
  EXPECT_EQ(lieux.GetCount(), 4u);
  TGLieu empty;
  EXPECT_EQ(lieux.MetAJour(empty, &codes, false), 0u);

  EXPECT_EQ(Codes(*lieux.GetIndexVille()), (std::vector<CodeID>{arles, lyon, paris, parisTx}));
  EXPECT_EQ(Codes(*lieux.GetIndexCode()), (std::vector<CodeID>{arles, lyon, paris, parisTx}));
  EXPECT_EQ(lieux.BinaryFindByVille("paris"), paris);
  EXPECT_EQ(lieux.BinaryFindByVille("Lille"), 0u);
  EXPECT_EQ(lieux.BinaryFindByVille(""), 0u);
  LArray out(4, nullptr, false);
  lieux.LesLieuxDuCode("69000", &out);
  EXPECT_EQ(Codes(out), std::vector<CodeID>{lyon});

  // Renaming the first Paris leaves the other as the first in store order.
  TGLieu renamed;
  ASSERT_TRUE(lieux.FetchData(paris, &renamed));
  renamed.SetText(TGLieu::kVille, "Zurich");
  lieux.EcritData(&renamed);
  EXPECT_EQ(lieux.BinaryFindByVille("PARIS"), parisTx);
  EXPECT_EQ(Codes(*lieux.GetIndexVille()).back(), paris);
  EXPECT_EQ(lieux.GetIndexVille()->GetCount(), 4u);
  lieux.DeleteData(lyon);
  EXPECT_EQ(lieux.GetIndexCode()->GetCount(), 3u);
}

TEST(LinkTables, GenericPairsInEitherOrder) {
  TGTableLiensGenerique pairs("TGTableDicoAdresses-Liens");
  pairs.AjouteLien(1, 2);
  pairs.AjouteLien(3, 1);
  pairs.AjouteLien(2, 4);
  EXPECT_TRUE(pairs.EstLie(2, 1));
  EXPECT_TRUE(pairs.EstLie(1, 3));
  EXPECT_FALSE(pairs.EstLie(1, 4));
  LArray out(4, nullptr, false);
  pairs.LesLiensDe(1, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{2, 3}));
  EXPECT_EQ(pairs.LePremierLienDe(4), 2u);
  EXPECT_TRUE(pairs.SupprimeLien(1, 3));  // stored as {3, 1}
  EXPECT_FALSE(pairs.SupprimeLien(1, 3));
  pairs.RemoveCodeID(2);
  EXPECT_EQ(pairs.GetCount(), 0u);
}

TEST(LinkTables, CodesFarApartStillFindTheirRun) {
  // The pairs sort as unsigned numbers; a search by wrapping difference
  // would look on the wrong side for codes 2^31 or more apart.
  TGTableLiensPrenoms links;
  const CodeID high = 0x90000000u;
  links.AjouteLien(1, high, true);
  links.AjouteLien(5, 7, false);
  links.AjouteLien(high + 1, 3, true);
  EXPECT_EQ(links.GetUsuel(high), 1u);
  EXPECT_EQ(links.GetUsuel(high + 1), 3u);
  EXPECT_EQ(links.GetUsuel(1), high);
  LArray out(4, nullptr, false);
  links.GetIndis(high, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{1}));
  links.SupprLiensUnCode(high);
  EXPECT_EQ(links.GetCount(), 4u);
  EXPECT_EQ(links.GetUsuel(1), 0u);
}

TEST(LinkTables, FirstNamesWithTheUsualFlagOnBothEntries) {
  TGTableLiensPrenoms links;
  links.AjouteLien(1, 100, false);
  links.AjouteLien(1, 101, true);
  links.AjouteLien(2, 100, false);
  links.AjouteLien(1, 101, true);  // replaced in place, not doubled
  EXPECT_EQ(links.GetCount(), 6u);
  EXPECT_EQ(links.GetUsuel(1), 101u);
  EXPECT_EQ(links.GetUsuel(101), 1u);
  links.SetUsuel(1, 100);
  EXPECT_EQ(links.GetUsuel(1), 100u);
  EXPECT_TRUE(links.EstUsuel(100, 1));
  EXPECT_FALSE(links.EstUsuel(101, 1));
  EXPECT_EQ(links.GetUsuel(2), 0u);
  for (int i = 1; i <= static_cast<int>(links.GetCount()); ++i) {
    const auto* item = static_cast<const unsigned char*>(links.GetItemPtr(i));
    EXPECT_EQ(item[9] | item[10] | item[11], 0) << "padding";
  }
  LArray out(4, nullptr, false);
  links.GetIndis(100, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{1, 2}));
  links.SupprLiensUnCode(1);
  EXPECT_EQ(links.GetCount(), 2u);
  links.SupprLiensDeuxCodes(100, 2);
  EXPECT_EQ(links.GetCount(), 0u);

  TGTableLiensProfessions professions;
  professions.AjouteLien(1, 200);
  professions.AjouteLien(1, 200);
  professions.AjouteLien(3, 200);
  out.Flush();
  professions.GetIndis(200, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{1, 3}));
  EXPECT_EQ(professions.GetCount(), 4u);
}

// --- Through a real file: every table comes back byte for byte, with its
// indexes, and answers the same queries.

TEST(TablesFile, IndividualsAndSurnamesRoundTripWithIndexes) {
  TempDir dir;
  CounterCodes codes;
  TGTableIndividus table;
  TGTableDicoNoms& noms = *table.GetDicoNoms();
  const CodeID martin = AddNom(noms, codes, "Martin");
  const CodeID dupont = AddNom(noms, codes, "Dupont");
  for (CodeID code = 1; code <= 5; ++code) {
    TGIndividu individu;
    individu.SetCodeID(code);
    individu.SetCodeNom(code % 2 ? martin : dupont);
    individu.SetChar(5, code % 3 ? "Jean" : "Anne");
    individu.SetCodePere(code > 2 ? 1 : 0);
    individu.SetCodeMere(code > 2 ? 2 : 0);
    table.EcritData(&individu);
  }
  TGTableIndividus fresh;
  const auto [first, second] = RoundTrip(table, fresh, dir);
  EXPECT_EQ(first, second);
  EXPECT_EQ(Codes(*fresh.GetIndexAlpha()), Codes(*table.GetIndexAlpha()));
  LArray out(4, nullptr, false);
  fresh.LesEnfantsDe(1, 2, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{3, 4, 5}));

  // The surnames dictionary and its separate alphabetical index.
  TGTableDicoNoms freshNoms;
  const auto [nomsFirst, nomsSecond] = RoundTrip(noms, freshNoms, dir);
  EXPECT_EQ(nomsFirst, nomsSecond);
  LArray freshIndex(4, nullptr, false);
  const auto [indexFirst, indexSecond] = RoundTrip(*noms.GetIndexAlpha(), *freshNoms.GetIndexAlpha(), dir);
  EXPECT_EQ(indexFirst, indexSecond);
  freshNoms.InvalidateCaches();
  EXPECT_EQ(freshNoms.NomExists("dupont"), dupont);
  EXPECT_EQ(freshNoms.premierDe(dupont, martin), -1);
}

TEST(TablesFile, LegacyGenerationsCarryTheDictionariesInTheirSlots) {
  TempDir dir;
  CounterCodes codes;
  TGTableIndividus table;
  table.SetDatabaseVersion(11);
  AddNom(*table.GetDicoNoms(), codes, "Martin");
  TGIndividu individu;
  individu.SetCodeID(1);
  table.EcritData(&individu);
  TGTableIndividus fresh;
  fresh.SetDatabaseVersion(11);
  const auto [first, second] = RoundTrip(table, fresh, dir);
  EXPECT_EQ(first, second);
  EXPECT_EQ(fresh.GetDicoNoms()->GetCount(), 1u);
  // Back to the newest generation: the dictionary leaves the slot, still
  // owned by the table.
  fresh.SetDatabaseVersion(12);
  EXPECT_EQ(fresh.GetAttachedArray(TGTableIndividus::kLegacyNomsSlot), nullptr);
  EXPECT_EQ(fresh.GetDicoNoms()->GetCount(), 1u);
}

TEST(TablesFile, UnionsEventsPlacesRoundTrip) {
  TempDir dir;
  TGTableUnion unions;
  for (CodeID code = 10; code < 14; ++code) {
    TGUnion uni;
    uni.SetCodeID(code);
    uni.SetEpoux(code % 2);
    uni.SetEpouse(code % 3);
    unions.EcritData(&uni);
  }
  TGTableUnion freshUnions;
  const auto [u1, u2] = RoundTrip(unions, freshUnions, dir);
  EXPECT_EQ(u1, u2);
  EXPECT_EQ(freshUnions.UnionCouple(1, 2), 11u);

  TGTableEvenements events;
  const unsigned char bytes[3] = {9, 8, 7};
  events.EcritEvenement({1, 3000000000u, 4, 20}, bytes, 3);
  events.EcritEvenement({1, 0, 12, 21}, bytes, 3);
  TGLieu lieu;
  lieu.SetCodeID(30);
  lieu.SetText(TGLieu::kVille, "Nantes");
  events.GetDicoLieux()->EcritData(&lieu);
  TGTableEvenements freshEvents;
  const auto [e1, e2] = RoundTrip(events, freshEvents, dir);
  EXPECT_EQ(e1, e2);
  std::vector<CodeID> out;
  freshEvents.LesEvenementsDe(1, out);
  EXPECT_EQ(out, (std::vector<CodeID>{20, 21}));
  freshEvents.DeleteData(20);
  out.clear();
  freshEvents.LesEvenementsDe(1, out);
  EXPECT_EQ(out, std::vector<CodeID>{21});

  TGTableDicoLieux freshPlaces;
  const auto [p1, p2] = RoundTrip(*events.GetDicoLieux(), freshPlaces, dir);
  EXPECT_EQ(p1, p2);
  EXPECT_EQ(freshPlaces.BinaryFindByVille("NANTES"), 30u);
  EXPECT_EQ(freshPlaces.GetIndexVille()->GetMatchArray()->GetCount(), 0u);
}

}  // namespace
}  // namespace genvora
