// First names with the usual flag, professions from the reference database,
// addresses, notes by owner, tasks, research logs, memorised branches and
// marked individuals; each written and read back through a real file.
#include <gtest/gtest.h>

#include <memory>

#include "TablesTestSupport.h"
#include "platform/Preferences.h"
#include "records/TVGNote.h"
#include "tables/TGTableBranchesMemorisees.h"
#include "tables/TGTableDicoAdresses.h"
#include "tables/TGTableNote.h"
#include "tables/TGTablePrenoms.h"
#include "tables/TGTableProfessions.h"
#include "tables/TGTableRechercheLog.h"
#include "tables/TGTableTache.h"

namespace genvora {
namespace {

AnsiString PrenomOf(TGTablePrenoms& table, CodeID code) {
  TVGPrenom p;
  return table.FetchData(code, &p) ? p.Prenom() : AnsiString("?");
}

std::vector<AnsiString> PrenomsOf(TGTablePrenoms& table, const TGTableLiensPrenoms& liens, CodeID individu) {
  LArray codes(4, nullptr, false);
  liens.GetPrenoms(individu, &codes);
  std::vector<AnsiString> out;
  for (CodeID code : Codes(codes)) out.push_back(PrenomOf(table, code));
  return out;
}

TEST(ExtraitPrenomSuivant, WalksWordsBetweenDelimiters) {
  struct Case {
    const char* text;
    int from;
    const char* word;
    int after;
  } cases[] = {
      {"Jean Pierre", 1, "Jean", 5},      {"Jean Pierre", 5, "Pierre", 12}, {"  (Marie), Anne", 1, "Marie", 9},
      {"Louis \"Lou\"", 7, "Lou", 11}, {"Paul ;", 5, "", 7},              {"", 1, "", 1},
  };
  for (const Case& c : cases) {
    int position = c.from;
    EXPECT_EQ(TGTablePrenoms::ExtraitPrenomSuivant(c.text, position), c.word) << c.text;
    EXPECT_EQ(position, c.after) << c.text;
  }
}

TEST(Prenoms, ChainKeepsTheUsualFirstNameAndSkipsExceptions) {
  ScopedPrefs prefs;
  prefs->ExceptionsCapitalisation = {"de"};
  TGTablePrenoms prenoms;
  TGTableLiensPrenoms liens;
  prenoms.SetLiens(&liens);
  CounterCodes codes(100);
  const CodeID indi = 7;

  prenoms.AjouterMettreAJourPrenomsChaine("jean, pierre de marie", indi, kPrenomMixte, &codes);
  EXPECT_EQ(PrenomsOf(prenoms, liens, indi), (std::vector<AnsiString>{"Jean", "Pierre", "Marie"}));
  EXPECT_EQ(prenoms.PrenomExists("de"), 0u);
  const CodeID pierre = prenoms.PrenomExists("PIERRE");
  ASSERT_NE(pierre, 0u);
  EXPECT_EQ(prenoms.PrenomExists("pierre"), pierre);
  liens.SetUsuel(indi, pierre);

  // Rewritten: Jean goes, Pierre stays usual, Luc is new.
  prenoms.AjouterMettreAJourPrenomsChaine("Luc Pierre", indi, kPrenomMasculin, &codes);
  EXPECT_EQ(PrenomsOf(prenoms, liens, indi), (std::vector<AnsiString>{"Pierre", "Luc"}));
  EXPECT_EQ(liens.GetUsuel(indi), pierre);
  // The mirror side lists the individual once.
  LArray indis(4, nullptr, false);
  liens.GetIndis(pierre, &indis);
  EXPECT_EQ(Codes(indis), (std::vector<CodeID>{indi}));
  // Pierre was of unknown sex and is now male; the record is not duplicated.
  TVGPrenom p;
  ASSERT_TRUE(prenoms.FetchData(pierre, &p));
  EXPECT_EQ(p.GetSexe(), kPrenomMasculin);
  EXPECT_EQ(p.GetRattachement(), pierre);
  EXPECT_EQ(prenoms.GetCount(), 4u);

  prenoms.ForceSexePrenomFromSexeIndividu(indi, "f");
  ASSERT_TRUE(prenoms.FetchData(prenoms.PrenomExists("luc"), &p));
  EXPECT_EQ(p.GetSexe(), kPrenomMasculin);  // a known sex stays
}

TEST(Prenoms, GriotSpellingIsKeptByCapitalisation) {
  ScopedPrefs prefs;
  TGTablePrenoms prenoms;
  CounterCodes codes;
  TVGPrenom special;
  special.SetPrenom("DeAnn");
  special.SetGriot(true);
  ASSERT_NE(prenoms.MetAJour(special, &codes, false), 0u);
  EXPECT_EQ(FirstUpperWithGriot("deann marie", &prenoms), "DeAnn Marie");
}

TEST(Prenoms, StoreAndAlphabeticalIndexComeBackByteForByte) {
  TGTablePrenoms prenoms;
  CounterCodes codes;
  for (const char* name : {"Zo\xE9", "andr\xE9", "Andr\xE9", "Bernard", "\xC9mile", "claire"}) {
    TVGPrenom p;
    p.SetPrenom(name);
    prenoms.MetAJour(p, &codes, false);
  }
  EXPECT_EQ(prenoms.GetCount(), 5u);  // "andré" found "André"
  TempDir dir;
  TGTablePrenoms fresh;
  const auto [first, second] = RoundTrip(prenoms, fresh, dir);
  EXPECT_EQ(first, second);
  const auto [ia, ib] = RoundTrip(*prenoms.GetIndexAlpha(), *fresh.GetIndexAlpha(), dir);
  EXPECT_EQ(ia, ib);
  std::vector<AnsiString> order;
  for (CodeID code : Codes(*fresh.GetIndexAlpha())) order.push_back(PrenomOf(fresh, code));
  EXPECT_EQ(order, (std::vector<AnsiString>{"andr\xE9", "Bernard", "claire", "\xC9mile", "Zo\xE9"}));
  EXPECT_NE(fresh.PrenomExists("ZO\xC9"), 0u);
}

class Professions : public ::testing::Test {
 protected:
  Professions() {
    std::string error;
    EXPECT_TRUE(TGTableProfessions::CreerBaseReference(
        reference, {{"Forgeron", "fr"}, {"Blacksmith", "en"}, {"M\xC3\xA9" "decin", "fr"}}, error))
        << error;
    prefs->ProfessionsReference = reference;
    TVGProfession p;
    p.SetProfession("Notaire");
    table.MetAJour(p, &codes, false);
  }
  TempDir dir;
  std::string reference = dir.Path() + "/professions.sqlite";
  ScopedPrefs prefs;
  TGTableProfessions table;
  CounterCodes codes;
};

TEST_F(Professions, StoredFirstThenTheReferenceOfTheLanguage) {
  std::vector<AnsiString> out, upper;
  EXPECT_TRUE(table.getListeDesProfessions(out, &upper, true));
  EXPECT_EQ(out, (std::vector<AnsiString>{"Notaire", "Forgeron", "M\xE9" "decin"}));
  EXPECT_EQ(upper, (std::vector<AnsiString>{"NOTAIRE", "FORGERON", "MEDECIN"}));
  prefs->LangueReference = "en";
  out.clear();
  table.getListeDesProfessions(out, nullptr, true);
  EXPECT_EQ(out, (std::vector<AnsiString>{"Notaire", "Blacksmith"}));
  out.clear();
  table.getListeDesProfessions(out, nullptr, false);
  EXPECT_EQ(out, (std::vector<AnsiString>{"Notaire"}));
}

TEST_F(Professions, AnUnreadableReferenceLeavesTheStoredOnes) {
  struct Case {
    std::string path;
    std::string langue;
  } cases[] = {{dir.Path() + "/absent.sqlite", "fr"}, {dir.Path() + "/not-a-db.sqlite", "fr"}, {reference, "fr' OR '1'='1"}};
  const std::string junk = "plain text, no database";
  WriteAll(dir.Path() + "/not-a-db.sqlite", std::vector<unsigned char>(junk.begin(), junk.end()));
  for (const Case& c : cases) {
    prefs->ProfessionsReference = c.path;
    prefs->LangueReference = c.langue;
    std::vector<AnsiString> out;
    table.getListeDesProfessions(out, nullptr, true);
    EXPECT_EQ(out, (std::vector<AnsiString>{"Notaire"})) << c.path << " " << c.langue;
  }
}

TEST(ProfessionsText, ProfessionFoundOnlyBetweenSeparators) {
  struct Case {
    const char* text;
    int position;
    bool found;
  } cases[] = {{"NOTAIRE", 1, true},           {"MAITRE NOTAIRE.", 8, true}, {"NOTAIRES", 1, false},
               {"CLERC/NOTAIRE", 7, true},     {"XNOTAIRE", 2, false},       {"NOTAIRE", 2, false},
               {"NOTAIRE", 0, false},          {"NOT", 1, false}};
  for (const Case& c : cases)
    EXPECT_EQ(TGTableProfessions::isProfessionAChercherAtIndex(c.text, "NOTAIRE", c.position), c.found) << c.text;
}

TEST(Adresses, PairsOfAnAddressGoWithIt) {
  TGTableDicoAdresses adresses;
  TGTableLiensGenerique liens("TGTableDicoAdresses-Liens");
  adresses.SetLiens(&liens);
  TGAdresse a;
  a.SetCodeID(30);
  a.SetTexte(1, "12 rue des Lilas");
  ASSERT_NE(adresses.EcritData(&a), 0);
  adresses.AjouterLien(30, 5);
  adresses.AjouterLien(30, 6);
  EXPECT_EQ(adresses.GetAdresseIndi(5), 30u);
  EXPECT_EQ(adresses.GetAdresseUnion(6), 30u);
  EXPECT_FALSE(adresses.InternalCanDelete(30));
  adresses.DeleteData(30);
  EXPECT_EQ(adresses.GetAdresseIndi(5), 0u);
  EXPECT_EQ(liens.GetCount(), 0u);
}

TEST(Notes, NoteOfEachOwnerAndItsPrivateFlag) {
  TGTableNote notes("TableNote");
  EXPECT_FALSE(notes.HasNote(4));
  EXPECT_EQ(notes.GetNote(4), "");
  notes.ReplaceNote(4, "n\xE9 au moulin", true);
  notes.ReplaceNote(4, "n\xE9 au moulin de Vaux");
  EXPECT_TRUE(notes.IsNotePrivee(4));
  EXPECT_EQ(notes.GetNoteText(4), "n\xE9 au moulin de Vaux");
  notes.ReplaceNote(9, "{\\rtf1 texte riche}", false);
  IEventNoteTable& asInterface = notes;
  AnsiString text;
  bool prive = true;
  ASSERT_TRUE(asInterface.GetNote(9, text, prive));
  EXPECT_EQ(text, "{\\rtf1 texte riche}");
  EXPECT_FALSE(prive);

  TempDir dir;
  TGTableNote fresh("TableNote");
  const auto [first, second] = RoundTrip(notes, fresh, dir);
  EXPECT_EQ(first, second);
  EXPECT_EQ(fresh.GetNote(9), "{\\rtf1 texte riche}");
  asInterface.DeleteNote(9);
  EXPECT_FALSE(notes.HasNote(9));
  EXPECT_TRUE(notes.HasNote(4));
}

TEST(Taches, LinksListAndRemoval) {
  TGTableLiensGenerique adresses("TableTaches-Adresses"), individus("TableTaches-Individus");
  TGTableTache taches;
  taches.SetLiens(&adresses, &individus);
  for (CodeID code : {3u, 1u, 2u}) {
    TVGTache t;
    t.SetCodeID(code);
    t.SetTitre("chercher l'acte " + std::to_string(code));
    t.SetTacheRealisee(code == 1);
    ASSERT_NE(taches.EcritData(&t), 0);
  }
  taches.AjouterLienIndividu(3, 40);
  taches.AjouterLienIndividu(3, 40);  // once only
  taches.AjouterLienIndividu(3, 41);
  taches.AjouterLienAdresse(3, 30);
  LArray out(4, nullptr, false);
  taches.LesIndividusLies(3, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{40, 41}));
  std::vector<std::unique_ptr<TVGTache>> list;
  EXPECT_EQ(taches.ChargeListeTache(list, true), 2);
  EXPECT_EQ(list[0]->GetCodeID(), 3u);  // store order
  EXPECT_EQ(list[1]->GetCodeID(), 2u);
  taches.SupprimeLiensDeCode(41);
  taches.LesIndividusLies(3, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{40}));
  taches.DeleteData(3);
  taches.LesAdressesLies(3, &out);
  EXPECT_EQ(out.GetCount(), 0u);
  EXPECT_EQ(individus.GetCount(), 0u);
  EXPECT_EQ(taches.SeekArray(3), 0);
}

TEST(RechercheLog, LogsOfAnOwnerSurviveAFile) {
  TGTableRechercheLog logs;
  CounterCodes codes(500);
  const CodeID a = logs.NewLog(8, "AD 27", "registre 1850", 1, 45000.5, &codes);
  const CodeID b = logs.NewLog(8, "AD 76", "", 0, 45001.0, &codes);
  logs.NewLog(9, "internet", "", 0, 45002.0, &codes);
  TempDir dir;
  TGTableRechercheLog fresh;
  const auto [first, second] = RoundTrip(logs, fresh, dir);
  EXPECT_EQ(first, second);
  LArray out(4, nullptr, false);
  fresh.GetLogList(8, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{a, b}));
  TVGRechercheLog log;
  ASSERT_TRUE(fresh.GetLog(a, &log));
  EXPECT_EQ(log.GetText2(), "registre 1850");
  fresh.DeleteData(a);
  fresh.DeleteData(b);
  EXPECT_FALSE(fresh.HaveALog(8));
  EXPECT_TRUE(fresh.HaveALog(9));
}

TEST(SmallArrays, BranchesAndMarksSurviveAFile) {
  TGTableBranchesMemorisees branches;
  CounterCodes codes(700);
  EXPECT_EQ(branches.AddBranche(20, 1, &codes), 700u);
  branches.ImportBranche(10, 2, 650);
  branches.AddBranche(20, 3, &codes);
  TGTableIndiMarques marques;
  EXPECT_TRUE(marques.Marque(9));
  EXPECT_TRUE(marques.Marque(3));
  EXPECT_FALSE(marques.Marque(9));
  TempDir dir;
  TGTableBranchesMemorisees freshBranches;
  TGTableIndiMarques freshMarques;
  const auto [b1, b2] = RoundTrip(branches, freshBranches, dir);
  EXPECT_EQ(b1, b2);
  const auto [m1, m2] = RoundTrip(marques, freshMarques, dir);
  EXPECT_EQ(m1, m2);
  EXPECT_EQ(Codes(freshBranches), (std::vector<CodeID>{10, 20, 20}));
  EXPECT_TRUE(freshBranches.BrancheExists(20));
  EXPECT_FALSE(freshBranches.BrancheExists(15));
  EXPECT_EQ(Codes(freshMarques), (std::vector<CodeID>{9, 3}));  // marking order
  EXPECT_TRUE(freshMarques.EstMarque(3));
  EXPECT_TRUE(freshMarques.Demarque(9));
  EXPECT_FALSE(freshMarques.EstMarque(9));
  EXPECT_TRUE(freshBranches.SupprimeBranche(20));
  EXPECT_FALSE(freshBranches.BrancheExists(20));
}

}  // namespace
}  // namespace genvora
