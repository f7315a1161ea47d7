// The format upgrades: a family written in every generation's layout opens,
// is upgraded as its generation calls for, saves with its media beside the
// saved file and reopens with the same records; the reverse move of notes;
// read-only opens that leave the disk alone; the level-17 union links.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "computations/TGDatabaseSosa.h"
#include "database/LegacyWriter.h"
#include "database/TGDatabase.h"
#include "platform/Graphics.h"
#include "platform/Host.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "platform/Preferences.h"
#include "tables/SecondaryOrder.h"
#include "tables/TGTablePrenoms.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::DatabaseSandbox;

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.insert(e.path().string());
  return out;
}

std::string SmallJpeg(std::uint8_t shade) {
  TBitmap picture;
  picture.width = 8;
  picture.height = 6;
  picture.rgb.assign(8 * 6 * 3, shade);
  return EncodeJpeg(picture, 90);
}

// The codes of the fixture, each record chosen for one conversion.
struct Family {
  CodeID jean, elise, inconnu;         // individuals
  CodeID seul, maitre, variante;        // surnames
  CodeID mariage, union2;               // unions: type 4 with a note, type 2
  CodeID bapteme;                       // an event
  CodeID ancien, temoinPersonne, temoinActe, parente;  // links
  CodeID registre;                      // a document of the old nature 0
  CodeID portrait, perdu;               // media: file present, file gone
  CodeID lienPremier, lienSecond;       // media links at positions 1 and 2
  CodeID orpheline, tache;              // a note of nobody; a task with a note
};

// Notes live in the note table, as a current database keeps them; first
// names and professions are only the individuals' texts.
Family Fill(TGDatabase& db, const std::string& pictureFolder) {
  TGDatabaseTables& t = db.Tables();
  Family f{};
  auto surname = [&](const char* text, CodeID* code, CodeID attachedTo) {
    TGNom nom;
    *code = db.GetNextID();
    nom.SetCodeID(*code);
    nom.SetNom(text);
    nom.SetRattachement(attachedTo == 0 ? *code : attachedTo);
    t.dicoNoms->EcritData(&nom);
  };
  surname("Martin", &f.seul, 0);
  surname("Dupont", &f.maitre, 0);
  surname("Dupond", &f.variante, f.maitre);

  auto person = [&](const char* names, const char* sex, const char* professions, CodeID nom) {
    TGIndividu indi;
    CodeID code = db.GetNextID();
    indi.SetCodeID(code);
    indi.SetChar(5, names);
    indi.SetChar(6, professions);
    indi.SetChar(10, sex);
    indi.SetCodeNom(nom);
    t.individus->EcritData(&indi);
    return code;
  };
  f.jean = person("jean-baptiste  MARIE", "m", "  laboureur,  tisserand ", f.seul);
  f.elise = person("\xC9LISE", "f", "couturi\xE8re", f.maitre);  // "ÉLISE", "couturière"
  f.inconnu = person("jean", "?", "", f.variante);

  auto couple = [&](std::uint8_t type) {
    TGUnion u;
    CodeID code = db.GetNextID();
    u.SetCodeID(code);
    u.SetEpoux(f.jean);
    u.SetEpouse(f.elise);
    u.SetTypeUnion(type);
    t.unions->EcritData(&u);
    return code;
  };
  f.mariage = couple(4);
  f.union2 = couple(2);

  TGEvenement ev;
  f.bapteme = db.GetNextID();
  ev.SetCodeID(f.bapteme);
  ev.SetProprietaire(f.jean);
  ev.SetType(static_cast<TV5EventList>(4));
  ev.EcritDans(f.bapteme, t.evenements);

  auto link = [&](CodeID from, CodeID to, std::uint8_t type) {
    TGLien lien;
    CodeID code = db.GetNextID();
    lien.SetCodeID(code);
    lien.SetLienDe(from);
    lien.SetLienVers(to);
    lien.SetType(type);
    t.liens->EcritData(&lien);
    return code;
  };
  f.ancien = link(f.elise, f.bapteme, 17);           // old role code 17: 101
  f.temoinPersonne = link(f.elise, f.bapteme, 15);   // a witness of an event: 107
  f.temoinActe = link(f.elise, f.jean, 107);         // a witness of a person: 15
  f.parente = link(f.elise, f.inconnu, 3);           // current: unchanged

  TGDocument doc;
  f.registre = db.GetNextID();
  doc.SetCodeID(f.registre);
  doc.SetNatureActe(0);
  doc.EcritDans(f.registre, t.documents);

  // The portrait's file exists outside every database folder; the lost
  // medium keeps only its thumbnail.
  const std::string picture = pictureFolder + "/portrait.jpg";
  WriteAll(picture, [] {
    std::string j = SmallJpeg(200);
    return std::vector<unsigned char>(j.begin(), j.end());
  }());
  auto medium = [&](const std::string& path, const char* note, std::uint8_t shade) {
    TGMedia media;
    CodeID code = db.GetNextID();
    media.SetCodeID(code);
    media.SetOriginalFullPath(path);
    media.SetNote(note);
    media.SetGriot(true);
    TJPEGImage thumb(SmallJpeg(shade));
    media.SaveVignette(&thumb);
    media.EcritDans(code, t.medias);
    return code;
  };
  f.portrait = medium(picture, "", 200);
  f.perdu = medium(pictureFolder + "/gone/acte.jpg", "", 50);
  auto mediaLink = [&](CodeID media, std::int32_t position) {
    TGLienMedia l;
    CodeID code = db.GetNextID();
    l.SetCodeID(code);
    l.SetXREFCible(f.jean);
    l.SetXREFMedia(media);
    l.SetPosition(position);
    l.EcritDans(code, t.MediaLiens());
    return code;
  };
  f.lienPremier = mediaLink(f.portrait, 1);
  f.lienSecond = mediaLink(f.perdu, 2);

  auto note = [&](CodeID owner, const AnsiString& text, bool prive) {
    TVGNote n;
    n.NewNote(owner, text, prive);
    n.EcritDans(owner, t.notes);
  };
  note(f.jean, "N\xE9 \xE0 Lyon", true);                            // "Né à Lyon", private
  note(f.mariage, "{\\rtf1\\ansi Mariage religieux\\par}", false);
  note(f.portrait, "Photographie de 1890", false);
  f.tache = db.GetNextID();
  std::vector<unsigned char> task(8, 0);
  std::memcpy(task.data(), &f.tache, 4);
  t.taches->EcritData(f.tache, task.data(), static_cast<unsigned>(task.size()));
  note(f.tache, "Chercher l'acte", false);
  f.orpheline = db.GetNextID();
  note(f.orpheline, "Plus personne", false);
  return f;
}

AnsiString NoteOf(TGDatabase& db, CodeID code, bool* prive = nullptr) {
  TVGNote n;
  if (!n.LitDans(code, db.Tables().notes)) return "<none>";
  if (prive) *prive = n.IsPrivee();
  return n.GetNoteTxt();
}

std::map<AnsiString, std::uint8_t> FirstNames(TGDatabase& db) {
  std::map<AnsiString, std::uint8_t> out;
  LArray* list = db.Tables().prenoms->GetCodeList();
  for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2];
    list->FetchItemAt(i, pair);
    TVGPrenom p;
    if (p.LitDans(pair[0], db.Tables().prenoms)) out[p.Prenom()] = p.GetSexe();
  }
  return out;
}

std::set<AnsiString> Professions(TGDatabase& db) {
  std::set<AnsiString> out;
  LArray* list = db.Tables().professions->GetCodeList();
  for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2];
    list->FetchItemAt(i, pair);
    TVGProfession p;
    if (p.LitDans(pair[0], db.Tables().professions)) out.insert(p.GetProfession());
  }
  return out;
}

class UpgradesTest : public ::testing::Test {
 protected:
  DatabaseSandbox box;
  RecordingHost host;
};

TEST_F(UpgradesTest, EveryGenerationUpgradesSavesAndReopensWithTheSameRecords) {
  struct Case {
    Generation generation;
    bool g12, g13, g14, g15;
  };
  // Which upgrades each layout calls for: the old readers run 12 to 14,
  // the .GV8 reader 12 to 15, the complete reader by extension level.
  const Case cases[] = {
      {Generation::GV5, true, true, true, false},  {Generation::GV7, true, true, true, false},
      {Generation::GV8, true, true, true, true},   {Generation::GV9, true, true, true, true},
      {Generation::G10, true, true, true, true},   {Generation::G11, true, true, true, true},
      {Generation::G12, false, true, true, true},  {Generation::Current, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ExtensionOf(c.generation));
    const std::string name = std::string("g") + std::to_string(static_cast<int>(c.generation));
    fs::create_directories(box.Path(name + "/in"));
    fs::create_directories(box.Path(name + "/out"));
    fs::create_directories(box.Path(name + "/pictures"));
    const std::string in = box.Path(name + "/in/family") + ExtensionOf(c.generation);
    Family f;
    AnsiString fileGuid;
    {
      TGDatabaseSosa source;
      f = Fill(source, box.Path(name + "/pictures"));
      // A layout without a note table keeps the notes in the records.
      const bool oldLayout = c.generation < Generation::G12;
      if (oldLayout) source.RemetNotesVersStructure();
      fileGuid = source.Header.GetFileGUID();
      ASSERT_TRUE(EcritGeneration(source, in, c.generation));
    }
    const auto inBefore = Listing(box.Path(name + "/in"));
    const auto picturesBefore = Listing(box.Path(name + "/pictures"));

    TGDatabaseSosa db;
    db.AssigneNomDeFichier(in);
    ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
    const TGDatabase::UpgradePlan plan = db.LastUpgradePlan();
    EXPECT_EQ(plan.g12, c.g12);
    EXPECT_EQ(plan.g13, c.g13);
    EXPECT_EQ(plan.g14, c.g14);
    EXPECT_EQ(plan.g15, c.g15);
    // The open wrote nothing beside the input nor beside the pictures.
    EXPECT_EQ(Listing(box.Path(name + "/in")), inBefore);
    EXPECT_EQ(Listing(box.Path(name + "/pictures")), picturesBefore);

    TGDatabaseTables& t = db.Tables();
    const TGDatabase::UpgradeReport& r = db.LastUpgradeReport();
    // Notes: in the note table, whichever way the file kept them.
    bool prive = false;
    EXPECT_EQ(NoteOf(db, f.jean, &prive), "N\xE9 \xE0 Lyon");
    EXPECT_TRUE(prive);
    EXPECT_NE(NoteOf(db, f.mariage).find("Mariage religieux"), AnsiString::npos);
    EXPECT_EQ(NoteOf(db, f.portrait), "Photographie de 1890");
    TGIndividu jean;
    ASSERT_TRUE(jean.LitDans(f.jean, t.individus));
    EXPECT_EQ(jean.GetChar(11), "");
    EXPECT_FALSE(jean.GetNoteFlag());
    TGUnion mariage;
    ASSERT_TRUE(mariage.LitDans(f.mariage, t.unions));
    EXPECT_EQ(mariage.GetNoteText(), "");
    TGMedia portrait;
    ASSERT_TRUE(portrait.LitDans(f.portrait, t.medias));
    EXPECT_EQ(portrait.GetNote(), "");
    if (c.g12) {
      EXPECT_EQ(r.notesMoved, 2u);
    }

    // The note table of a file that has one: the orphan goes when the note
    // step runs (13 without 12), the task's note stays.
    const bool noteStep = c.g13 && !c.g12;
    if (c.generation >= Generation::G12) {
      EXPECT_EQ(NoteOf(db, f.orpheline) == "<none>", noteStep);
      EXPECT_EQ(NoteOf(db, f.tache), "Chercher l'acte");
    }

    // First names and professions.
    if (c.g12) {
      EXPECT_EQ(jean.GetChar(5), "Jean-Baptiste  Marie");
      EXPECT_EQ(jean.GetChar(6), "laboureur, tisserand");
      const std::map<AnsiString, std::uint8_t> expected = {
          {"Jean-Baptiste", 0}, {"Marie", 0}, {"\xC9lise", 1}, {"Jean", 2}};
      EXPECT_EQ(FirstNames(db), expected);
      EXPECT_EQ(Professions(db), (std::set<AnsiString>{"laboureur", "tisserand", "couturi\xE8re"}));
      LArray names(4, nullptr, false);
      t.liensPrenoms->GetPrenoms(f.jean, &names);
      EXPECT_EQ(names.GetCount(), 2u);
      LArray jobs(4, nullptr, false);
      t.liensProfessions->GetProfessions(f.jean, &jobs);
      EXPECT_EQ(jobs.GetCount(), 2u);
      EXPECT_EQ(t.prenomsAlpha->GetCount(), 4u);
      EXPECT_EQ(t.dicoNoms->GetIndexAlpha()->GetCount(), 3u);
    } else {
      EXPECT_EQ(t.prenoms->GetCount(), 0u);
    }

    // Conversions of generation 13, with the value each record must hold.
    struct Link {
      CodeID code;
      std::uint8_t type;
    };
    const Link links[] = {{f.ancien, std::uint8_t(c.g13 ? 101 : 17)},
                          {f.temoinPersonne, std::uint8_t(c.g13 ? 107 : 15)},
                          {f.temoinActe, std::uint8_t(c.g13 ? 15 : 107)},
                          {f.parente, 3}};
    for (const Link& l : links) {
      TGLien lien;
      ASSERT_TRUE(lien.LitDans(l.code, t.liens));
      EXPECT_EQ(lien.GetType(), l.type) << l.code;
    }
    TGUnion other;
    ASSERT_TRUE(other.LitDans(f.union2, t.unions));
    EXPECT_EQ(mariage.GetTypeUnion(), c.g13 ? 1 : 4);
    EXPECT_EQ(other.GetTypeUnion(), 2);
    TGDocument registre;
    ASSERT_TRUE(registre.LitDans(f.registre, t.documents));
    EXPECT_EQ(registre.GetNatureActe(), c.g13 ? 5u : 0u);
    struct Surname {
      CodeID code, rattachement;
    };
    const Surname surnames[] = {
        {f.seul, c.g13 ? 0 : f.seul}, {f.maitre, f.maitre}, {f.variante, f.maitre}};
    for (const Surname& s : surnames) {
      TGNom nom;
      ASSERT_TRUE(nom.LitDans(s.code, t.dicoNoms));
      EXPECT_EQ(nom.GetRattachement(), s.rattachement) << s.code;
    }
    TGLienMedia first, second;
    ASSERT_TRUE(first.LitDans(f.lienPremier, t.MediaLiens()));
    ASSERT_TRUE(second.LitDans(f.lienSecond, t.MediaLiens()));
    EXPECT_EQ(first.GetMediaPrincipal(), c.g13);
    EXPECT_FALSE(second.GetMediaPrincipal());
    EXPECT_EQ(first.GetPosition(), c.g13 ? 0 : 1);

    EXPECT_EQ(db.Header.GetFileGUID() != fileGuid, c.g14);
    EXPECT_EQ(db.Header.GetDatabaseVersion() == 300, c.generation == Generation::Current);

    // Saved elsewhere: the media go beside the saved file, nowhere else.
    const std::string out = box.Path(name + "/out/family.genvora");
    ASSERT_TRUE(db.FichierEnregistrerSous(out, false)) << db.LastReason();
    EXPECT_EQ(Listing(box.Path(name + "/in")), inBefore);
    EXPECT_EQ(Listing(box.Path(name + "/pictures")), picturesBefore);
    const std::string copied = box.Path(name + "/out/Media/#" + std::to_string(f.portrait) + "/portrait.jpg");
    const std::string rebuilt = box.Path(name + "/out/Media/#" + std::to_string(f.perdu) + "/acte.jpg");
    EXPECT_EQ(fs::exists(copied), c.g13);
    EXPECT_EQ(fs::exists(rebuilt), c.g13);
    if (c.g13) {
      EXPECT_EQ(ReadAll(copied), ReadAll(box.Path(name + "/pictures/portrait.jpg")));
      EXPECT_EQ(fs::last_write_time(copied), fs::last_write_time(box.Path(name + "/pictures/portrait.jpg")));
      TGMedia perdu;
      ASSERT_TRUE(perdu.LitDans(f.perdu, t.medias));
      const std::string thumb = perdu.GetVignette();
      EXPECT_EQ(ReadAll(rebuilt), std::vector<unsigned char>(thumb.begin(), thumb.end()));
      EXPECT_EQ(r.mediaCopied, 1u);
      EXPECT_EQ(r.thumbnailsWritten, 1u);
      EXPECT_TRUE(db.PendingMediaWork().empty());
    }
    if (c.g15) {
      EXPECT_EQ(r.thumbnailsRebuilt, 1u);
    }

    // The saved file is this database's until it goes.
    auto saved = Contents(db);
    db._RAZ();
    TGDatabaseSosa again;
    again.AssigneNomDeFichier(out);
    ASSERT_TRUE(again.FichierOuvrir()) << again.LastReason();
    EXPECT_FALSE(again.LastUpgradePlan().g12 || again.LastUpgradePlan().g13 || again.LastUpgradePlan().g14 ||
                 again.LastUpgradePlan().g15);
    auto reopened = Contents(again);
    // The union pair table is never kept by a read.
    saved.erase("TGTableUnion-Liens/TGTableUnion-Liens");
    reopened.erase("TGTableUnion-Liens/TGTableUnion-Liens");
    EXPECT_EQ(reopened, saved);
  }
}

TEST_F(UpgradesTest, NotesPutBackIntoTheRecordsSurviveAnOlderLayout) {
  TGDatabaseSosa source;
  Family f = Fill(source, box.Dir());
  source.RemetNotesVersStructure();
  // The notes stay in the table and are now in the records too.
  TGIndividu jean;
  ASSERT_TRUE(jean.LitDans(f.jean, source.Tables().individus));
  EXPECT_EQ(jean.GetChar(11), "N\xE9 \xE0 Lyon");
  EXPECT_TRUE(jean.GetNoteFlag());
  TGUnion mariage;
  ASSERT_TRUE(mariage.LitDans(f.mariage, source.Tables().unions));
  EXPECT_EQ(mariage.GetNoteText(), "{\\rtf1\\ansi Mariage religieux\\par}");
  EXPECT_EQ(source.Tables().notes->GetCount(), 5u);

  // Without the reverse move a layout without a note table loses them.
  for (bool putBack : {true, false}) {
    SCOPED_TRACE(putBack);
    TGDatabaseSosa plain;
    Family g = Fill(plain, box.Dir());
    if (putBack) plain.RemetNotesVersStructure();
    const std::string path = box.Path(putBack ? "back.GV9" : "lost.GV9");
    ASSERT_TRUE(EcritGeneration(plain, path, Generation::GV9));
    TGDatabaseSosa db;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir());
    EXPECT_EQ(NoteOf(db, g.jean) == "<none>", !putBack);
    EXPECT_EQ(NoteOf(db, g.portrait) == "<none>", !putBack);
  }
}

TEST_F(UpgradesTest, RecordNoteMovesOnlyWhenItHasText) {
  // The individual's note text: moved when it reads as text, dropped when
  // a rich text holds nothing.
  struct Case {
    const char* note;
    bool moved;
  };
  const Case cases[] = {{"Soldat", true}, {"{\\rtf1\\ansi Soldat\\par}", true}, {"{\\rtf1\\ansi \\par}", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    TGDatabaseSosa source;
    TGIndividu indi;
    CodeID code = source.GetNextID();
    indi.SetCodeID(code);
    indi.SetChar(5, "Paul");
    indi.SetChar(11, c.note);
    source.Tables().individus->EcritData(&indi);
    const std::string path = box.Path("note.GV5");
    ASSERT_TRUE(EcritGeneration(source, path, Generation::GV5));
    TGDatabaseSosa db;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir());
    EXPECT_EQ(NoteOf(db, code) != "<none>", c.moved);
    TGIndividu after;
    ASSERT_TRUE(after.LitDans(code, db.Tables().individus));
    EXPECT_EQ(after.GetChar(11), "");
  }
}

// Hundreds of record notes moved in one upgrade: the individuals' store is
// rewritten in bulk. A sound store keeps every record where it was; a store
// with an item its code list does not name loses that item and keeps the
// others, each with its note moved.
TEST_F(UpgradesTest, ManyRecordNotesMoveWhetherTheStoreIsSoundOrNot) {
  constexpr int kPersons = 300;
  for (bool orphan : {false, true}) {
    SCOPED_TRACE(orphan ? "an item no code names" : "sound store");
    TGDatabaseSosa source;
    std::vector<CodeID> codes;
    for (int i = 0; i < kPersons; ++i) {
      TGIndividu indi;
      indi.SetCodeID(source.GetNextID());
      indi.SetChar(5, "Paul");
      indi.SetChar(11, "Note " + std::to_string(i));
      source.Tables().individus->EcritData(&indi);
      codes.push_back(indi.GetCodeID());
    }
    CodeID unnamed = 0;
    if (orphan) {
      LArray* list = source.Tables().individus->GetCodeList();
      std::uint32_t pair[2] = {0, 0};
      ASSERT_TRUE(list->FetchItemAt(10, pair));
      unnamed = pair[0];
      list->RemoveItemsAt(1, 10);
    }
    const std::string path = box.Path(orphan ? "orphan.GV5" : "sound.GV5");
    ASSERT_TRUE(EcritGeneration(source, path, Generation::GV5));
    TGDatabaseSosa db;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
    const LXArray& store = *db.Tables().individus;
    EXPECT_EQ(store.GetCount(), static_cast<unsigned>(orphan ? kPersons - 1 : kPersons));
    EXPECT_EQ(store.GetCodeList()->GetCount(), store.GetCount());
    for (int i = 0; i < kPersons; ++i) {
      if (codes[i] == unnamed) continue;
      TGIndividu after;
      ASSERT_TRUE(after.LitDans(codes[i], db.Tables().individus)) << i;
      EXPECT_EQ(after.GetChar(5), "Paul");
      EXPECT_EQ(after.GetChar(11), "");
      EXPECT_EQ(NoteOf(db, codes[i]), "Note " + std::to_string(i));
    }
  }
}

// The first names an upgrade finds in the individuals are those the
// dictionary's own add finds in the same texts: the same words (exceptions
// left out), the same entries (accents count, case does not), the same sex,
// and an alphabetical index its lookups can search.
TEST_F(UpgradesTest, FirstNamesComeFromTheDictionarysOwnRules) {
  ScopedPrefs prefs;
  prefs->ExceptionsCapitalisation = {"de"};
  struct Person {
    const char* prenoms;
    const char* sexe;
  };
  const Person people[] = {{"\xC9LISE", "f"}, {"Elise", "?"}, {"ELISE de", "m"}, {"jean-pierre; JEAN", "m"}};

  TGDatabase source;
  std::vector<CodeID> codes;
  for (const Person& p : people) {
    TGIndividu indi;
    codes.push_back(source.GetNextID());
    indi.SetCodeID(codes.back());
    indi.SetChar(5, p.prenoms);
    indi.SetChar(10, p.sexe);
    source.Tables().individus->EcritData(&indi);
  }
  const std::string path = box.Path("prenoms.GV8");
  ASSERT_TRUE(EcritGeneration(source, path, Generation::GV8));
  TGDatabase db;
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  TGDatabaseTables& t = db.Tables();

  // The dictionary's own add over the same texts.
  struct Counter : ICodeAllocator {
    CodeID next = 1000;
    CodeID GetNextID() override { return next++; }
  } counter;
  TGTablePrenoms reference;
  TGTableLiensPrenoms referenceLiens;
  reference.SetLiens(&referenceLiens);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const AnsiString sexe = people[i].sexe;
    reference.AjouterMettreAJourPrenom(AnsiFirstUpper(people[i].prenoms, false, ""), codes[i],
                                       sexe == "m" ? kPrenomMasculin : sexe == "f" ? kPrenomFeminin : kPrenomMixte,
                                       &counter);
  }
  auto dictionary = [](TGTablePrenoms& table) {
    std::map<AnsiString, std::uint8_t> out;
    for (CodeID code : StoreOrderCodes(table)) {
      TVGPrenom p;
      if (p.LitDans(code, &table)) out[p.Prenom()] = p.GetSexe();
    }
    return out;
  };
  auto linked = [](TGTablePrenoms& table, TGTableLiensPrenoms& liens, CodeID indi) {
    LArray names(4, nullptr, false);
    liens.GetPrenoms(indi, &names);
    std::set<AnsiString> out;
    for (int i = 1; i <= static_cast<int>(names.GetCount()); ++i) {
      TVGPrenom p;
      if (p.LitDans(ItemWord(names.GetItemPtr(i), 0), &table)) out.insert(p.Prenom());
    }
    return out;
  };
  const std::map<AnsiString, std::uint8_t> expected = {
      {"\xC9lise", kPrenomFeminin}, {"Elise", kPrenomMasculin}, {"Jean-Pierre", kPrenomMasculin},
      {"Jean", kPrenomMasculin}};
  EXPECT_EQ(dictionary(*t.prenoms), expected);
  EXPECT_EQ(dictionary(reference), expected);
  for (CodeID indi : codes)
    EXPECT_EQ(linked(*t.prenoms, *t.liensPrenoms, indi), linked(reference, referenceLiens, indi)) << indi;

  // Every entry is where the index's order puts it, so each is found.
  LArray* alpha = t.prenoms->GetIndexAlpha();
  ASSERT_EQ(alpha->GetCount(), expected.size());
  for (int i = 1; i <= static_cast<int>(alpha->GetCount()); ++i) {
    const CodeID code = ItemWord(alpha->GetItemPtr(i), 0);
    if (i > 1) {
      EXPECT_LE(t.prenoms->KeyOf(ItemWord(alpha->GetItemPtr(i - 1), 0)), t.prenoms->KeyOf(code));
    }
    TVGPrenom p;
    ASSERT_TRUE(p.LitDans(code, t.prenoms));
    EXPECT_EQ(t.prenoms->PrenomExists(p.Prenom()), code) << p.Prenom();
  }
}

TEST_F(UpgradesTest, ReadOnlyOpenQueuesTheMediaAndWritesNothing) {
  fs::create_directories(box.Path("in"));
  TGDatabaseSosa source;
  Family f = Fill(source, box.Path("in"));
  const std::string in = box.Path("in/family.GV8");
  ASSERT_TRUE(EcritGeneration(source, in, Generation::GV8));
  const auto before = Listing(box.Dir());
  {
    TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(in);
    ASSERT_TRUE(db.FichierOuvrir());
    ASSERT_EQ(db.PendingMediaWork().size(), 2u);
    EXPECT_EQ(db.PendingMediaWork()[0].code, f.portrait);
    EXPECT_TRUE(db.PendingMediaWork()[0].copyOriginal);
    EXPECT_TRUE(db.PendingMediaWork()[1].writeThumbnail);
  }
  EXPECT_EQ(Listing(box.Dir()), before);
}

TEST_F(UpgradesTest, ControlKeyAtOpenSkipsTheMediaOfGeneration15) {
  // Level 19: only generation 15 runs.
  for (bool control : {false, true}) {
    SCOPED_TRACE(control);
    TGDatabaseSosa source;
    Fill(source, box.Dir());
    const std::string path = box.Path(control ? "ctrl.genvora" : "plain.genvora");
    LegacyWriteOptions options;
    options.level = 19;
    ASSERT_TRUE(EcritGeneration(source, path, Generation::Current, options));
    host.controlKeyDown = control;
    TGDatabaseSosa db;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir());
    const TGDatabase::UpgradePlan plan = db.LastUpgradePlan();
    EXPECT_FALSE(plan.g12 || plan.g13 || plan.g14);
    EXPECT_TRUE(plan.g15);
    EXPECT_EQ(db.PendingMediaWork().size(), control ? 0u : 1u);
    EXPECT_EQ(db.LastUpgradeReport().thumbnailsRebuilt, control ? 0u : 1u);
  }
  host.controlKeyDown = false;
}

TEST_F(UpgradesTest, Level17ReadsTheUnionLinksAndKeepsThemEmpty) {
  TGDatabaseSosa source;
  Family f = Fill(source, box.Dir());
  source.Tables().unionLiens->AjouteLien(f.mariage, f.jean);
  source.Tables().noteLiens->AjouteLien(f.jean, f.jean);
  const std::string path = box.Path("level17.genvora");
  LegacyWriteOptions options;
  options.level = 17;
  ASSERT_TRUE(EcritGeneration(source, path, Generation::Current, options));
  TGDatabaseSosa db;
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  EXPECT_EQ(db.ExtensionLevel(), 17);
  EXPECT_EQ(db.Tables().unionLiens->GetCount(), 0u);
  // The section after it was read in its place.
  EXPECT_EQ(db.Tables().noteLiens->GetCount(), 1u);
  const TGDatabase::UpgradePlan plan = db.LastUpgradePlan();
  EXPECT_FALSE(plan.g12 || plan.g13);
  EXPECT_TRUE(plan.g14 && plan.g15);
}

TEST_F(UpgradesTest, UnreadableRecordsAreRemovedAndProgressIsReported) {
  TGDatabaseSosa source;
  Fill(source, box.Dir());
  // A document cut after its code: no step can read it.
  CodeID broken = source.GetNextID();
  std::vector<unsigned char> bytes(6, 0);
  std::memcpy(bytes.data(), &broken, 4);
  source.Tables().documents->EcritData(broken, bytes.data(), 6);
  const std::string path = box.Path("broken.GV8");
  ASSERT_TRUE(EcritGeneration(source, path, Generation::GV8));
  TGDatabaseSosa db;
  std::int64_t events = 0;
  db.OnIOProgress = [&](TGDatabase&) { ++events; };
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir());
  EXPECT_FALSE(TGDatabase::EstDans(db.Tables().documents, broken));
  EXPECT_EQ(db.Tables().documents->GetCount(), 1u);
  EXPECT_EQ(db.LastUpgradeReport().recordsRemoved, 1u);
  EXPECT_EQ(db.ProgressStep, 10);
  EXPECT_EQ(db.ProgressPercent, 100);
  std::set<AnsiString> steps;
  for (const auto& p : host.progress) steps.insert(p.what);
  for (const char* step : {"upgrade: notes", "upgrade: first names and professions", "upgrade: surnames",
                           "upgrade: media", "upgrade: sources", "upgrade: links", "upgrade: media copy"})
    EXPECT_EQ(steps.count(step), 1u) << step;
  EXPECT_GT(host.pumps, 10);
  EXPECT_GT(events, 10);
}

}  // namespace
}  // namespace genvora
