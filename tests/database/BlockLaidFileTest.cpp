// Database files laid out block by block by the test builder, not by our
// writer: a ".GV7" file and a current-layout file, each with a numbered de
// cujus (a non-empty Sosa table), dictionaries, notes, three individuals, a
// union and two events; the current file also a medium and a source with
// their links. They must open, read back exactly what was laid, and show
// every record in `genvora dump`. A file this engine saves holds the Sosa
// table alone; one that carries the occurrence block "SOSADbl" after it
// still opens with every later table.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "computations/TV5SosaMaker.h"
#include "database/TGDatabase.h"
#include "platform/Host.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "tests/support/BlockFileBuilder.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

using testing::BlockFileBuilder;
using testing::DatabaseSandbox;
using Words = BlockFileBuilder::Words;
using Record = BlockFileBuilder::Record;

enum class Layout { GV7, Current };

// The family laid in every fixture, by code.
constexpr CodeID kMartin = 1, kDurand = 2;                    // surnames
constexpr CodeID kLyon = 3, kNancy = 4;                       // places
constexpr CodeID kPierre = 10, kJeanne = 11, kPaul = 12;      // Paul is their son and the de cujus
constexpr CodeID kUnion = 20;                                 // Pierre and Jeanne
constexpr CodeID kBirth = 30, kMarriage = 31;                 // Paul's birth, the marriage
constexpr CodeID kPrenomPierre = 40, kPrenomJeanne = 41, kPrenomPaul = 42;
constexpr CodeID kMedium = 50, kMediumLink = 51, kSource = 60, kCitation = 61;  // current file only
constexpr CodeID kLastCode = 61;
constexpr std::uint32_t kBirthType = 4, kMarriageType = 61;
// Minute keys: the Julian day number x 1440 (no time of day).
constexpr std::uint32_t kKey12March1920 = 2422396u * 1440u;   // 0xCFEA7980
constexpr std::uint32_t kKey1January1919 = 2421960u * 1440u;  // "1919": day and month count as 1
const char* const kNoteText = "{\\rtf1\\ansi N\\'e9 \\'e0 Lyon.\\par}";

// Record bytes come from the record encoders: this file lays the blocks
// around them, not the records' own fields.
std::string Surname(CodeID code, const char* text) {
  TGNom r;
  r.SetCodeID(code);
  r.SetNom(text);
  r.SetRattachement(code);
  return r.EncodeToString();
}
std::string Place(CodeID code, const char* codeLieu, const char* town, const char* department) {
  TGLieu r;
  r.SetCodeID(code);
  r.SetText(TGLieu::kCode, codeLieu);
  r.SetText(TGLieu::kVille, town);
  r.SetText(TGLieu::kDepartement, department);
  r.SetText(TGLieu::kPays, "France");
  r.SetRattachement(code);
  return r.EncodeToString();
}
// Older files keep an individual's note in its record.
std::string Individual(CodeID code, const char* prenoms, bool female, CodeID pere, CodeID mere, const char* note) {
  TGIndividu r;
  r.SetCodeID(code);
  r.SetChar(5, prenoms);
  r.SetFeminin(female);
  r.SetCodeNom(female ? kDurand : kMartin);
  r.SetCodePere(pere);
  r.SetCodeMere(mere);
  r.SetChar(11, note);
  return r.EncodeToString();
}
std::string Union(CodeID code, CodeID husband, CodeID wife) {
  TGUnion r;
  r.SetCodeID(code);
  r.SetEpoux(husband);
  r.SetEpouse(wife);
  r.SetTypeUnion(1);
  return r.EncodeToString();
}
std::string Event(CodeID code, CodeID owner, std::uint32_t type, const char* date, CodeID lieu) {
  TGEvenement r;
  r.SetCodeID(code);
  r.SetProprietaire(owner);
  r.SetType(static_cast<TV5EventList>(type));
  r.GetDate()->SetText(date);
  r.SetDicoLieu(lieu);
  return r.EncodeToString();
}
std::string Note(CodeID owner, const char* text) {
  TVGNote r;
  r.NewNote(owner, text, false);
  return r.EncodeToString();
}
std::string Prenom(CodeID code, const char* text, const char* upper, std::uint8_t sexe) {
  TVGPrenom r;
  r.SetCodeID(code);
  r.SetPrenom(text);
  r.SetPrenomUCD(upper);
  r.SetSexe(sexe);
  r.SetRattachement(code);
  return r.EncodeToString();
}

std::string Medium(CodeID code) {
  TGMedia r;
  r.SetCodeID(code);
  r.SetOriginalFullPath("Media/paul.jpg");
  return r.EncodeToString();
}
std::string MediumLink(CodeID code, CodeID owner, CodeID medium) {
  TGLienMedia r;
  r.SetCodeID(code);
  r.SetXREFCible(owner);
  r.SetXREFMedia(medium);
  r.SetGenre(omIndividu);
  r.SetMediaPrincipal(true);
  return r.EncodeToString();
}
std::string Source(CodeID code) {
  TGDocument r;
  r.SetCodeID(code);
  r.SetText(0, "Registre de Lyon, 1920");
  return r.EncodeToString();
}
std::string Citation(CodeID code, CodeID event, CodeID document) {
  TGLienDocument r;
  r.SetCodeID(code);
  r.SetXREFEvenement(event);
  r.SetXREFDocument(document);
  r.SetCitation("acte 112");
  return r.EncodeToString();
}

// The Sosa record, 36 bytes: code, counter, the number in 26 big-endian
// bytes, two zero bytes.
std::string SosaRecord(CodeID code, std::uint8_t number) {
  std::string r(36, '\0');
  for (int i = 0; i < 4; ++i) r[static_cast<std::size_t>(i)] = static_cast<char>(code >> (8 * i));  // 0 CodeID
  // 4 occurrence counter 0
  r[8 + 25] = static_cast<char>(number);  // 8..33 number, least significant byte last
  return r;                               // 34..35 zero
}

struct Laid {
  std::vector<unsigned char> bytes;
  // Items of every array laid, by class name (code lists included).
  std::map<std::string, std::vector<std::string>> items;
  std::vector<std::pair<std::string, std::size_t>> blocks;
};

// The builder records the blocks; the items are kept here as the reader
// must find them.
class FamilyLayer {
 public:
  FamilyLayer(Layout layout, bool withOccurrences) : layout_(layout), occurrences_(withOccurrences) {}

  Laid Lay() {
    const bool gv7 = layout_ == Layout::GV7;
    // Variable arrays: 0 in the item size field for the older file (built in
    // memory), 4 for the current one (read before); readers take both.
    size_ = gv7 ? 0 : 4;
    BlockFileBuilder::Header h;
    h.databaseVersion = gv7 ? 7 : 300;
    h.lastCodeID = kLastCode;
    h.deCujus = kPaul;
    h.nombreIndividus = 3;
    if (gv7)
      b_.LegacyHeader(h);
    else
      b_.ChunkedHeader(h);

    Fixed("CkeckedPeoples", 1, {{kPaul}});
    const std::string noteOf = gv7 ? kNoteText : "";
    Store("TGTableIndividus",
          {{kPierre, Individual(kPierre, "Pierre", false, 0, 0, "")},
           {kJeanne, Individual(kJeanne, "Jeanne", true, 0, 0, "")},
           {kPaul, Individual(kPaul, "Paul", false, kPierre, kJeanne, noteOf.c_str())}},
          [&] {
            // slots 1 and 2: alphabetical (Durand Jeanne, Martin Paul, Martin
            // Pierre), directly and through the surnames' masters
            Fixed("TBPeople-IdxAlpha", 1, {{kJeanne}, {kPaul}, {kPierre}});
            Fixed("TBPeople-IdxAlphaR", 1, {{kJeanne}, {kPaul}, {kPierre}});
            if (gv7) Surnames();  // slot 3, older files only
            // slot 4: {person, father, mother} by person; its slot 1 {parent, child}
            Fixed("QuickList", 3, {{kPierre, 0, 0}, {kJeanne, 0, 0}, {kPaul, kPierre, kJeanne}},
                  [&] { Fixed("QuickList-Childs", 2, {{kPierre, kPaul}, {kJeanne, kPaul}}); });
          });
    Store("TGTableEvenements",
          {{kBirth, Event(kBirth, kPaul, kBirthType, "12/03/1920", kLyon)},
           {kMarriage, Event(kMarriage, kUnion, kMarriageType, "1919", kNancy)}},
          [&] {
            // slot 1: {owner, date key, type, event} in that order of words
            Fixed("TBEvent-Idx", 4,
                  {{kPaul, kKey12March1920, kBirthType, kBirth}, {kUnion, kKey1January1919, kMarriageType, kMarriage}});
            if (gv7) Places();  // slot 2, older files only
          });
    Store("TGTableUnion", {{kUnion, Union(kUnion, kPierre, kJeanne)}}, [&] {
      Fixed("TBUnion-IdxHusb", 2, {{kPierre, kUnion}});    // slot 1
      Fixed("TBUnion-IdxSpouse", 2, {{kJeanne, kUnion}});  // slot 3
    });
    if (gv7) {
      Store("TGTableMedias", {});
    } else {
      // slot 1: the media link store, created as "TG5LinkMedia" and renamed
      Store("TGTableMedias", {{kMedium, Medium(kMedium)}}, [&] {
        Store("TBMedia-IdxOwner", {{kMediumLink, MediumLink(kMediumLink, kPaul, kMedium)}}, {}, "TG5LinkMedia");
      });
    }
    Store("TBLINK", {});
    Store("TGTableDicoAdresses", {});
    // Paul 1, his father 2, his mother 3.
    FixedRaw("SOSATbl", 36, {SosaRecord(kPaul, 1), SosaRecord(kPierre, 2), SosaRecord(kJeanne, 3)});
    if (occurrences_) {
      // What some writers left after the Sosa table: {person, numbers}.
      b_.Fixed("SOSADbl", 2, {{kPaul, 1}, {kPierre, 1}, {kJeanne, 1}});
    }
    if (gv7) {
      Store("TG5Doc", {});
      return Done();
    }
    // slot 1: the document link store; its slot 1 {event, document, link}
    Store("TG5Doc", {{kSource, Source(kSource)}}, [&] {
      Store("TG5LinkDoc", {{kCitation, Citation(kCitation, kBirth, kSource)}},
            [&] { Fixed("TBDoc-IdxDoc", 3, {{kBirth, kSource, kCitation}}); });
    });

    Store("TableRedaction", {});
    b_.Level(22);
    Fixed("OrdreEnfants", 1, {});
    Fixed("OrdreConjoints", 1, {});
    Store("TableTaches", {});
    Fixed("TableTaches-Adresses", 2, {});
    Fixed("TableTaches-Individus", 2, {});
    Fixed("TGTableDicoAdresses-Liens", 2, {});
    Store("TableNote", {{kPaul, Note(kPaul, kNoteText)}});  // a note lies under its owner's code
    Store("TablePrenoms", {{kPrenomPierre, Prenom(kPrenomPierre, "Pierre", "PIERRE", 0)},
                           {kPrenomJeanne, Prenom(kPrenomJeanne, "Jeanne", "JEANNE", 1)},
                           {kPrenomPaul, Prenom(kPrenomPaul, "Paul", "PAUL", 0)}});
    Store("TableProfessions", {});
    // {A, B, usual flag}: each link both ways, by A then B.
    Fixed("TableLiensPrenoms", 3,
          {{kPierre, kPrenomPierre, 1},
           {kJeanne, kPrenomJeanne, 1},
           {kPaul, kPrenomPaul, 1},
           {kPrenomPierre, kPierre, 1},
           {kPrenomJeanne, kJeanne, 1},
           {kPrenomPaul, kPaul, 1}});
    Fixed("TableLiensProfessions", 2, {});
    Fixed("TBPrenom-IdxAlpha", 1, {{kPrenomJeanne}, {kPrenomPaul}, {kPrenomPierre}});
    Fixed("TBProfession-IdxAlpha", 1, {});
    Fixed("TBNoms-IdxAlpha", 1, {{kDurand}, {kMartin}});
    Surnames();
    Places();
    Fixed("TGTableUnion-Liens", 2, {});
    Fixed("TableNote-Liens", 2, {});
    Store("TableNoteAideRecherche", {});
    Store("TableRechercheLog", {});
    Fixed("BranchesMemorisees", 3, {});
    Store("MediasCadres", {});
    return Done();
  }

 private:
  void Surnames() {
    Store("TGTableDicoNoms", {{kMartin, Surname(kMartin, "Martin")}, {kDurand, Surname(kDurand, "Durand")}}, [&] {
      // slot 1: the particles, NUL-terminated texts
      Variable("PartNameTbl", {std::string("de", 3), std::string("du", 3)});
    });
  }
  void Places() {
    Store("TGTableDicoLieux",
          {{kLyon, Place(kLyon, "69123", "Lyon", "Rh\xF4ne")},
           {kNancy, Place(kNancy, "54395", "Nancy", "Meurthe-et-Moselle")}},
          [&] {
            // slot 1: by town (Lyon, Nancy), its match array written empty
            Fixed("TBPlace-IdxPlace", 1, {{kLyon}, {kNancy}}, [&] { Fixed("TBPlace-IdxPlace-Match", 2, {}); });
            // slot 3: by place code (54395, 69123)
            Fixed("TBNom-IdxCode", 1, {{kNancy}, {kLyon}}, [&] { Fixed("TBPlace-IdxCode-Match", 2, {}); });
          });
  }

  static std::string WordsBytes(const Words& w) {
    std::string s;
    for (std::uint32_t v : w)
      for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  }
  void Fixed(const std::string& name, std::size_t words, const std::vector<Words>& items,
             const BlockFileBuilder::Attached& attached = {}) {
    for (const Words& w : items) items_[name].push_back(WordsBytes(w));
    if (items.empty()) items_[name];
    b_.Fixed(name, words, items, attached);
  }
  void FixedRaw(const std::string& name, std::size_t size, const std::vector<std::string>& items) {
    items_[name] = items;
    b_.FixedRaw(name, size, items);
  }
  void Variable(const std::string& name, const std::vector<std::string>& items) {
    items_[name] = items;
    b_.Variable(name, items, size_);
  }
  void Store(const std::string& name, const std::vector<Record>& records,
             const BlockFileBuilder::Attached& attached = {}, const std::string& createdAs = {}) {
    std::vector<Words> pairs;
    for (std::size_t i = 0; i < records.size(); ++i) {
      items_[name].push_back(records[i].bytes);
      pairs.push_back({records[i].code, static_cast<std::uint32_t>(i + 1)});
    }
    if (records.empty()) items_[name];
    std::sort(pairs.begin(), pairs.end());
    std::vector<std::string>& codeList = items_[(createdAs.empty() ? name : createdAs) + "-IDList"];
    for (const Words& w : pairs) codeList.push_back(WordsBytes(w));
    b_.Store(name, records, size_, attached, createdAs);
  }
  Laid Done() { return {b_.Bytes(), items_, b_.Laid()}; }

  Layout layout_;
  bool occurrences_;
  std::uint32_t size_ = 4;
  BlockFileBuilder b_;
  std::map<std::string, std::vector<std::string>> items_;
};

std::string Name(Layout layout) { return layout == Layout::GV7 ? "family.GV7" : "family.genvora"; }

// The reader alone: the upgrades of an older file rewrite records on purpose.
class ReaderOnly : public TGDatabaseSosa {
 public:
  void MiseAJourG12() override {}
  void MiseAJourG13() override {}
  void MiseAJourG14() override {}
  void MiseAJourG15() override {}
};

std::map<std::string, std::vector<std::string>> ItemsRead(const TGDatabase& db) {
  std::map<std::string, std::vector<std::string>> out;
  for (const TGDatabaseTables::Section& section : db.Tables().Sections()) {
    TGDatabaseTables::WalkArrays(section.array, [&](const LArray& a) {
      std::vector<std::string>& items = out[a.GetClassName()];
      for (int i = 1; i <= static_cast<int>(a.GetCount()); ++i)
        items.emplace_back(static_cast<const char*>(a.GetItemPtr(i)), a.GetItemSize(i));
    });
  }
  return out;
}

class BlockLaidFileTest : public ::testing::Test {
 protected:
  DatabaseSandbox box;
  RecordingHost host;

  std::string Write(const Laid& laid, Layout layout) {
    const std::string path = box.Path(Name(layout));
    WriteAll(path, laid.bytes);
    return path;
  }
};

TEST_F(BlockLaidFileTest, LaidFilesOpenAndReadBackExactlyWhatWasLaid) {
  struct Case {
    Layout layout;
    bool occurrences;
  };
  for (const Case c : {Case{Layout::GV7, false}, Case{Layout::GV7, true}, Case{Layout::Current, false},
                       Case{Layout::Current, true}}) {
    SCOPED_TRACE(Name(c.layout) + (c.occurrences ? " with SOSADbl" : ""));
    const Laid laid = FamilyLayer(c.layout, c.occurrences).Lay();
    // The test's walk meets exactly the blocks laid: it is fit to read a
    // file of our writer below.
    std::vector<std::pair<std::string, std::size_t>> walked;
    std::string error;
    ASSERT_TRUE(BlockFileBuilder::WalkBlocks(laid.bytes, walked, error)) << error;
    std::vector<std::pair<std::string, std::size_t>> expected(laid.blocks.begin() + 1, laid.blocks.end());
    EXPECT_EQ(walked, expected);

    const std::string path = Write(laid, c.layout);
    ReaderOnly db;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
    EXPECT_TRUE(db.Dropped().empty());
    EXPECT_EQ(db.Header.GetDeCujus(), kPaul);
    EXPECT_EQ(db.GetPremierIndividu(), kPaul);
    EXPECT_EQ(db.Header.GetLastCodeID(), kLastCode);
    EXPECT_EQ(db.ExtensionLevel(), c.layout == Layout::GV7 ? 0 : 22);

    // Every array laid, found under its name with the very items laid;
    // the occurrences were read past and kept nowhere.
    const auto read = ItemsRead(db);
    for (const auto& [name, items] : laid.items) {
      if (name == "SOSADbl") continue;
      auto found = read.find(name);
      ASSERT_NE(found, read.end()) << name;
      EXPECT_EQ(found->second, items) << name;
    }
    EXPECT_EQ(read.count("SOSADbl"), 0U);
    EXPECT_EQ(db.SosaMaker().GetSOSADbl().GetCount(), 0U);
    // The tables after the Sosa table were read, to the last section.
    const auto& sections = db.SectionsRead();
    EXPECT_NE(std::find(sections.begin(), sections.end(), "TG5Doc"), sections.end());
    if (c.layout == Layout::Current) {
      EXPECT_EQ(sections.back(), "MediasCadres");
    }

    // The indexes laid answer the engine's questions.
    const TGDatabaseTables& t = db.Tables();
    EXPECT_EQ(t.evenements->NaissanceDe(kPaul), kBirth);
    EXPECT_EQ(t.unions->UnionCouple(kPierre, kJeanne), kUnion);
    LArray children(4, nullptr, false);
    t.individus->LesEnfantsDe(kPierre, kJeanne, &children);
    ASSERT_EQ(children.GetCount(), 1U);
    EXPECT_EQ(*static_cast<const CodeID*>(children.GetItemPtr(1)), kPaul);
    TGEvenement birth;
    ASSERT_TRUE(birth.LitDans(kBirth, t.evenements));
    EXPECT_EQ(birth.GetDate()->GetDateTriApp(false), kKey12March1920);
    TGLieu lyon;
    ASSERT_TRUE(lyon.LitDans(birth.GetDicoLieu(), t.dicoLieux));
    EXPECT_EQ(lyon.GetVille(), "Lyon");
    TV5Sosa three;
    three.SetText("3");
    EXPECT_EQ(db.SosaMaker().CodeIDValue(three), kJeanne);
    if (c.layout == Layout::Current) {
      LArray found(4, nullptr, false);
      t.DocumentLiens()->DocumentDe(kBirth, &found);
      ASSERT_EQ(found.GetCount(), 1U);
      EXPECT_EQ(*static_cast<const CodeID*>(found.GetItemPtr(1)), kSource);
      found.Flush();
      ASSERT_TRUE(t.MediaLiens()->LesMediaDeCode(kPaul, &found));
      EXPECT_EQ(*static_cast<const CodeID*>(found.GetItemPtr(1)), kMedium);
    }
    TGIndividu paul;
    ASSERT_TRUE(paul.LitDans(kPaul, t.individus));
    EXPECT_EQ(paul.GetChar(11), c.layout == Layout::GV7 ? kNoteText : "");
  }
}

TEST_F(BlockLaidFileTest, ToolDumpsEveryLaidRecord) {
  for (const Layout layout : {Layout::GV7, Layout::Current}) {
    SCOPED_TRACE(Name(layout));
    const Laid laid = FamilyLayer(layout, false).Lay();
    const std::string path = Write(laid, layout);
    const ToolRun run = RunTool("dump " + path, "HOME=" + box.Dir());
    ASSERT_EQ(run.status, 0) << run.out;
    // table -> the codes of its records (stores) or of its items (arrays).
    std::map<std::string, std::multiset<std::uint32_t>> dumped;
    std::map<CodeID, std::string> notes;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json j = nlohmann::json::parse(line);
      EXPECT_FALSE(j.contains("damaged")) << line;
      dumped[j["table"].get<std::string>()].insert(j["code"].get<std::uint32_t>());
      if (j["table"] == "TableNote") notes[j["code"].get<CodeID>()] = j["Note"].get<std::string>();
    }
    const std::multiset<std::uint32_t> individus{kPierre, kJeanne, kPaul};
    EXPECT_EQ(dumped["TGTableIndividus"], individus);
    EXPECT_EQ(dumped["TGTableUnion"], std::multiset<std::uint32_t>{kUnion});
    EXPECT_EQ(dumped["TGTableEvenements"], (std::multiset<std::uint32_t>{kBirth, kMarriage}));
    EXPECT_EQ(dumped["TGTableDicoNoms"], (std::multiset<std::uint32_t>{kMartin, kDurand}));
    EXPECT_EQ(dumped["TGTableDicoLieux"], (std::multiset<std::uint32_t>{kLyon, kNancy}));
    EXPECT_EQ(dumped["SOSATbl"], individus);  // one item per number, its first word the person
    EXPECT_EQ(dumped["CkeckedPeoples"], std::multiset<std::uint32_t>{kPaul});
    EXPECT_EQ(dumped["QuickList"], individus);
    EXPECT_EQ(dumped.count("SOSADbl"), 0U);
    // The older file's note and first names reach their tables through
    // the upgrade; the current file carries them.
    EXPECT_EQ(notes[kPaul], kNoteText);
    EXPECT_EQ(dumped["TablePrenoms"].size(), 3U);
    if (layout == Layout::Current) {
      EXPECT_EQ(dumped["TablePrenoms"], (std::multiset<std::uint32_t>{kPrenomPierre, kPrenomJeanne, kPrenomPaul}));
      EXPECT_EQ(dumped["TableLiensPrenoms"].size(), 6U);
      EXPECT_EQ(dumped["TBNoms-IdxAlpha"], (std::multiset<std::uint32_t>{kDurand, kMartin}));
      EXPECT_EQ(dumped["TGTableMedias"], std::multiset<std::uint32_t>{kMedium});
      EXPECT_EQ(dumped["TBMedia-IdxOwner"], std::multiset<std::uint32_t>{kMediumLink});
      EXPECT_EQ(dumped["TG5Doc"], std::multiset<std::uint32_t>{kSource});
      EXPECT_EQ(dumped["TG5LinkDoc"], std::multiset<std::uint32_t>{kCitation});
    }
  }
}

TEST_F(BlockLaidFileTest, SavedFileHoldsTheSosaTableAloneAndReopensWithIt) {
  for (const bool occurrences : {false, true}) {
    SCOPED_TRACE(occurrences ? "read with SOSADbl" : "read without");
    const std::string path = Write(FamilyLayer(Layout::Current, occurrences).Lay(), Layout::Current);
    const std::string saved = box.Path(occurrences ? "saved-a.genvora" : "saved-b.genvora");
    {
      TGDatabaseSosa db;
      db.AssigneNomDeFichier(path);
      ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
      // A numbering run fills the occurrences; they stay in memory.
      db.SosaMaker().SetAction(kSosaCompletFichier);
      ASSERT_EQ(db.SosaMaker().GetSOSATbl().GetCount(), 3U);
      ASSERT_NE(db.SosaMaker().GetSOSADbl().GetCount(), 0U);
      ASSERT_TRUE(db.FichierEnregistrerSous(saved, false)) << db.LastReason();
    }
    std::vector<std::pair<std::string, std::size_t>> walked;
    std::string error;
    ASSERT_TRUE(BlockFileBuilder::WalkBlocks(ReadAll(saved), walked, error)) << error;
    std::vector<std::string> names;
    for (const auto& [name, offset] : walked) names.push_back(name);
    EXPECT_EQ(std::count(names.begin(), names.end(), "SOSADbl"), 0);
    auto sosa = std::find(names.begin(), names.end(), "SOSATbl");
    ASSERT_NE(sosa, names.end());
    ASSERT_NE(sosa + 1, names.end());
    EXPECT_EQ(*(sosa + 1), "TG5Doc");

    ReaderOnly db;
    db.AssigneNomDeFichier(saved);
    ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
    TV5Sosa two;
    two.SetText("2");
    EXPECT_EQ(db.SosaMaker().CodeIDValue(two), kPierre);
    EXPECT_EQ(db.SosaMaker().GetSOSATbl().GetCount(), 3U);
    EXPECT_EQ(db.SectionsRead().back(), "MediasCadres");
  }
}

TEST_F(BlockLaidFileTest, DamagedOccurrenceBlockRefusesANormalOpenAndIsNamed) {
  Laid laid = FamilyLayer(Layout::Current, true).Lay();
  std::size_t at = 0;
  for (const auto& [name, offset] : laid.blocks)
    if (name == "SOSADbl") at = offset;
  ASSERT_NE(at, 0U);
  laid.bytes[at + 44 + 10] = '4';  // offset 44: item size "00000000008" becomes 4
  const std::string path = Write(laid, Layout::Current);
  {
    ReaderOnly db;
    db.AssigneNomDeFichier(path);
    EXPECT_FALSE(db.FichierOuvrir());
    EXPECT_NE(db.LastReason().find("SOSADbl at offset " + std::to_string(at)), std::string::npos) << db.LastReason();
  }
  ReaderOnly db;
  db.ForcedMode = true;
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  ASSERT_EQ(db.Dropped().size(), 1U);
  EXPECT_NE(db.Dropped()[0].find("SOSADbl"), std::string::npos);
  EXPECT_EQ(db.SosaMaker().GetSOSATbl().GetCount(), 3U);
}

}  // namespace
}  // namespace genvora
