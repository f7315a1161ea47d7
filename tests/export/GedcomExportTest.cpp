// The GEDCOM export: every file it writes passes a structural check (levels,
// tags, line lengths, UTF-8, every pointer defined once and of the kind its
// tag names, family links both ways), holds every person, source and
// medium of the file, and the values that are easy to get wrong come out
// as exact lines.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "containers/CodeList.h"
#include "export/GedcomExport.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLieu.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "support/SampleFamily.h"
#include "support/SyntheticFamily.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

struct Parsed {
  std::map<std::string, int> records;  // record tag -> count
};

// The structural check; each fault is one failure naming the line.
Parsed CheckStructure(const std::vector<std::string>& lines, const std::string& name) {
  Parsed out;
  static const std::regex kLine(R"(^(0|[1-9][0-9]?) (?:(@[A-Za-z0-9_]+@) )?([A-Z_][A-Z0-9_]*)(?: (.*))?$)");
  // The record kind each pointer tag names.
  static const std::map<std::string, std::string> kPointerKind = {
      {"FAMC", "FAM"}, {"FAMS", "FAM"}, {"HUSB", "INDI"}, {"WIFE", "INDI"}, {"CHIL", "INDI"}, {"ASSO", "INDI"},
      {"SOUR", "SOUR"}, {"OBJE", "OBJE"}, {"NOTE", "NOTE"}, {"SUBM", "SUBM"}};
  std::map<std::string, std::string> defined;  // xref -> record tag
  struct Use {
    std::size_t line;
    std::string tag, xref, owner;
  };
  std::vector<Use> uses;
  EXPECT_FALSE(lines.empty()) << name;
  if (lines.empty()) return out;
  EXPECT_EQ(lines.front(), "0 HEAD") << name;
  EXPECT_EQ(lines.back(), "0 TRLR") << name;
  int previous = -1;
  std::string record;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    const std::string where = name + " line " + std::to_string(i + 1) + ": " + l;
    EXPECT_LE(l.size(), 255u) << where;
    EXPECT_TRUE(ValidUtf8(l)) << where;
    std::smatch m;
    if (!std::regex_match(l, m, kLine)) {
      ADD_FAILURE() << "not a GEDCOM line: " << where;
      continue;
    }
    const int level = std::stoi(m[1]);
    const std::string xref = m[2], tag = m[3], value = m[4];
    EXPECT_LE(level, previous + 1) << where;
    previous = level;
    if (level == 0) {
      record = xref;
      ++out.records[tag];
      if (!xref.empty()) {
        EXPECT_TRUE(defined.emplace(xref, tag).second) << "written twice: " << where;
      }
    } else {
      EXPECT_TRUE(xref.empty()) << where;
    }
    if (tag == "CONC") {
      // A cut never falls beside a space: readers trim around it.
      EXPECT_FALSE(value.empty() || value.front() == ' ') << where;
      EXPECT_NE(lines[i - 1].back(), ' ') << where;
    }
    if (value.size() > 2 && value.front() == '@' && value.back() == '@' && value[1] != '#') {
      const auto kind = kPointerKind.find(tag);
      if (kind == kPointerKind.end()) ADD_FAILURE() << "pointer under an unexpected tag: " << where;
      else uses.push_back(Use{i + 1, tag, value, record});
    }
  }
  // Every pointer names a record of its kind; family links go both ways.
  std::set<std::pair<std::string, std::string>> links;
  for (const Use& u : uses) links.emplace(u.owner + u.tag, u.xref);
  for (const Use& u : uses) {
    const auto found = defined.find(u.xref);
    const std::string where = name + " line " + std::to_string(u.line) + " " + u.tag + " " + u.xref;
    if (found == defined.end()) {
      ADD_FAILURE() << "undefined pointer: " << where;
      continue;
    }
    EXPECT_EQ(found->second, kPointerKind.at(u.tag)) << where;
    bool back = true;
    if (u.tag == "FAMC") back = links.count({u.xref + "CHIL", u.owner}) != 0;
    if (u.tag == "CHIL") back = links.count({u.xref + "FAMC", u.owner}) != 0;
    if (u.tag == "FAMS") back = links.count({u.xref + "HUSB", u.owner}) != 0 || links.count({u.xref + "WIFE", u.owner}) != 0;
    if (u.tag == "HUSB" || u.tag == "WIFE") back = links.count({u.xref + "FAMS", u.owner}) != 0;
    EXPECT_TRUE(back) << "family link one way only: " << where;
  }
  return out;
}

class GedcomExportTest : public ::testing::Test {
 protected:
  std::vector<std::string> Export(TGDatabase& db, const std::string& name, GedcomExportOptions options = {}) {
    const std::string out = box.Path(name + ".ged");
    options.replace = true;
    GedcomExportReport report;
    std::string error;
    EXPECT_TRUE(ExportGedcom(db, out, options, report, error)) << name << ": " << error;
    EXPECT_TRUE(report.damaged.empty()) << name;
    EXPECT_FALSE(fs::exists(out + ".tmp-" + std::to_string(getpid()))) << name;
    return ReadLines(out);
  }

  // Exports, checks the structure and that every person, source and
  // medium is there, and that a second export is the same file.
  std::vector<std::string> ExportAndCheck(TGDatabase& db, const std::string& name) {
    const std::vector<std::string> lines = Export(db, name);
    Parsed parsed = CheckStructure(lines, name);
    const TGDatabaseTables& t = db.Tables();
    EXPECT_EQ(parsed.records["INDI"], static_cast<int>(CodesOf(t.individus).size())) << name;
    EXPECT_EQ(parsed.records["SOUR"], static_cast<int>(CodesOf(t.documents).size())) << name;
    EXPECT_EQ(parsed.records["OBJE"], static_cast<int>(CodesOf(t.medias).size())) << name;
    EXPECT_GE(parsed.records["FAM"], static_cast<int>(CodesOf(t.unions).size())) << name;
    std::vector<std::string> again = Export(db, name + "-again");
    // Only the export date may differ.
    EXPECT_EQ(lines.size(), again.size()) << name;
    for (std::size_t i = 0; i < std::min(lines.size(), again.size()); ++i)
      if (lines[i].rfind("1 DATE ", 0) != 0 || i > 10) {
        EXPECT_EQ(lines[i], again[i]) << name << " line " << i + 1;
      }
    return lines;
  }

  testing::DatabaseSandbox box;
  QuietHost quiet;
};

TEST_F(GedcomExportTest, SampleFamilyOfEveryGenerationPassesTheStructuralCheck) {
  for (const Generation g : AllGenerations()) {
    const std::string path = testing::WriteSample(box.Path("sample"), g);
    TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir()) << path << ": " << db.LastReason();
    const std::vector<std::string> lines = ExportAndCheck(db, std::string("sample") + ExtensionOf(g));
    EXPECT_EQ(CheckStructure(lines, "sample").records["INDI"], 7) << ExtensionOf(g);
  }
}

TEST_F(GedcomExportTest, GeneratedFamilyOfEveryGenerationPassesTheStructuralCheck) {
  TGDatabaseSosa source;
  source.SetAsNewFile();
  SyntheticFamily family(SyntheticFamilyOptions{600, 7}, source);
  family.Build();
  for (const Generation g : AllGenerations()) {
    const std::string path = box.Path(std::string("generated") + ExtensionOf(g));
    ASSERT_TRUE(EcritGeneration(source, path, g, {}, nullptr)) << path;
    TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir()) << path << ": " << db.LastReason();
    const std::vector<std::string> lines = ExportAndCheck(db, std::string("generated") + ExtensionOf(g));
    // Every child with a known parent is in a family.
    std::size_t withParents = 0, famc = 0;
    for (const CodeID code : CodesOf(db.Tables().individus)) {
      TGIndividu indi;
      if (indi.LitDans(code, db.Tables().individus) && (indi.GetCodePere() != 0 || indi.GetCodeMere() != 0)) ++withParents;
    }
    for (const std::string& l : lines) famc += l.rfind("1 FAMC ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(famc, withParents) << ExtensionOf(g);
  }
}

// Adds an event through the events table, so that its owner's index lists it.
CodeID AddEvent(TGDatabase& db, CodeID owner, TV5EventList type, const char* date, CodeID place = 0) {
  TGEvenement ev;
  const CodeID code = db.GetNextID();
  ev.SetCodeID(code);
  ev.SetProprietaire(owner);
  ev.SetType(type);
  ev.GetDate()->SetText(date);
  ev.SetDicoLieu(place);
  const std::string bytes = ev.EncodeToString();
  db.Tables().evenements->EcritEvenement({owner, ev.GetDate()->GetDateTriApp(false), static_cast<std::uint8_t>(type), code},
                                         bytes.data(), static_cast<unsigned>(bytes.size()));
  return code;
}

// The lines that follow `head` (a line of the file) while they are deeper.
std::string Block(const std::vector<std::string>& lines, const std::string& head) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != head) continue;
    const char level = head[0];
    std::string out = lines[i];
    for (std::size_t k = i + 1; k < lines.size() && lines[k][0] > level; ++k) out += "\n" + lines[k];
    return out;
  }
  return "(no line " + head + ")";
}

TEST_F(GedcomExportTest, ValuesThatAreEasyToGetWrongComeOutAsExactLines) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  FillSampleFamily(db);
  TGDatabaseTables& t = db.Tables();
  // One person holds one event per date form, each of its own type so that
  // each is found by its first line.
  TGIndividu p;
  const CodeID person = db.GetNextID();
  p.SetCodeID(person);
  p.SetChar(5, "Dates");
  t.individus->EcritData(&p);
  struct DateCase {
    TV5EventList type;
    const char* input;
    const char* tag;
    const char* expected;
  };
  const DateCase dates[] = {
      {evIBIRT, "ABT 1850", "BIRT", "2 DATE ABT 1850"},
      {evIDEAT, "BEF 12 MAR 1850", "DEAT", "2 DATE BEF 12 MAR 1850"},
      {evIBURI, "AFT 1850", "BURI", "2 DATE AFT 1850"},
      {evICHR, "EST 1850", "CHR", "2 DATE EST 1850"},
      {evICONF, "CAL 1850", "CONF", "2 DATE CAL 1850"},
      {evIGRAD, "BET 1850 AND 1860", "GRAD", "2 DATE BET 1850 AND 1860"},
      {evIEMIG, "@#DJULIAN@ 1 JAN 1700", "EMIG", "2 DATE @#DJULIAN@ 1 JAN 1700"},
      {evIIMMI, "3 brumaire an II", "IMMI", "2 DATE @#DFRENCH R@ 3 BRUM 2"},
      {evINATU, "1 Tishri 5760", "NATU", "2 DATE @#DHEBREW@ 1 TSH 5760"},
  };
  for (const DateCase& d : dates) AddEvent(db, person, d.type, d.input);
  // An event type without a standard tag.
  AddEvent(db, person, evIMILIT, "1870");
  // A place with coordinates.
  TGLieu lieu;
  const CodeID placeCode = db.GetNextID();
  lieu.SetCodeID(placeCode);
  lieu.SetText(1, "Lyon");
  lieu.SetText(4, "France");
  lieu.SetLatitude(45.7578);
  lieu.SetLongitude(-4.832);
  t.dicoLieux->EcritData(&lieu);
  AddEvent(db, person, evIOCCU, "1880", placeCode);
  // A long note of two lines, the first longer than a line may be.
  std::string longLine;
  for (int i = 0; i < 30; ++i) longLine += "mot" + std::to_string(i) + " longtemps ";
  TVGNote note;
  note.NewNote(person, "{\\rtf1\\ansi " + longLine + "\\par fin\\par}", false);
  note.EcritDans(person, t.notes);

  const std::vector<std::string> lines = Export(db, "cases");
  CheckStructure(lines, "cases");
  const std::string indi = Block(lines, "0 @I" + std::to_string(person) + "@ INDI");
  std::vector<std::string> indiLines;
  std::istringstream in(indi);
  for (std::string l; std::getline(in, l);) indiLines.push_back(l);
  for (const DateCase& d : dates) {
    const std::string block = Block(indiLines, std::string("1 ") + d.tag);
    EXPECT_NE(block.find(d.expected), std::string::npos) << d.input << ":\n" << block;
  }
  EXPECT_EQ(Block(indiLines, "1 EVEN"), "1 EVEN\n2 TYPE Military service\n2 DATE 1870");
  EXPECT_EQ(Block(indiLines, "1 OCCU"), "1 OCCU\n2 DATE 1880\n2 PLAC Lyon,,,,France\n3 MAP\n4 LATI N45.757800\n4 LONG W4.832000");
  // The particle, from the splitter, and the name with it.
  EXPECT_EQ(Block(lines, "1 NAME Fran\xC3\xA7ois /de la Fontaine/"),
            "1 NAME Fran\xC3\xA7ois /de la Fontaine/\n2 GIVN Fran\xC3\xA7ois\n2 SPFX de la\n2 SURN Fontaine");
  // The shared event: the witness names its owner, with her role and the event.
  EXPECT_NE(Block(lines, "1 NAME Ang\xC3\xA8le /de la Fontaine/").size(), 0u);
  bool found = false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i].rfind("1 ASSO @I", 0) == 0 && lines[i + 1] == "2 RELA t\xC3\xA9moin: Birth @#DFRENCH R@ 3 BRUM 2") found = true;
  EXPECT_TRUE(found) << "the witness of the republican birth";
  // The long note: one NOTE record, cut between words' letters, a CONT per line.
  std::string rebuilt;
  bool inNote = false;
  for (const std::string& l : lines) {
    if (l.rfind("0 @N" + std::to_string(person) + "@ NOTE ", 0) == 0) {
      inNote = true;
      rebuilt = l.substr(l.find("NOTE ") + 5);
      continue;
    }
    if (!inNote) continue;
    if (l[0] == '0') break;
    if (l.rfind("1 CONC ", 0) == 0) rebuilt += l.substr(7);
    else if (l.rfind("1 CONT", 0) == 0) rebuilt += "\n" + (l.size() > 7 ? l.substr(7) : std::string());
  }
  std::string expectedNote = longLine;
  while (!expectedNote.empty() && expectedNote.back() == ' ') expectedNote.pop_back();
  EXPECT_EQ(rebuilt, expectedNote + "\nfin");
  EXPECT_NE(indi.find("1 NOTE @N" + std::to_string(person) + "@"), std::string::npos) << indi;
}

TEST_F(GedcomExportTest, OptionsLeaveOutWhatTheyName) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  const CodeID root = FillSampleFamily(db);
  // The flag is clear by default: every person and union but the root is
  // marked exportable.
  for (const CodeID code : CodesOf(db.Tables().individus)) {
    TGIndividu indi;
    ASSERT_TRUE(indi.LitDans(code, db.Tables().individus));
    indi.SetExportable(code != root);
    db.Tables().individus->EcritData(&indi);
  }
  for (const CodeID code : CodesOf(db.Tables().unions)) {
    TGUnion u;
    ASSERT_TRUE(u.LitDans(code, db.Tables().unions));
    u.SetExportable(true);
    db.Tables().unions->EcritData(&u);
  }
  GedcomExportOptions only;
  only.exportableOnly = true;
  const std::vector<std::string> lines = Export(db, "exportable", only);
  const Parsed parsed = CheckStructure(lines, "exportable");
  EXPECT_EQ(parsed.records.count("INDI") != 0 ? parsed.records.at("INDI") : 0, 6);
  EXPECT_EQ(parsed.records.count("FAM") != 0 ? parsed.records.at("FAM") : 0, 2) << "the root's one-parent family is empty";
  for (const std::string& l : lines) EXPECT_EQ(l.find("@I" + std::to_string(root) + "@"), std::string::npos) << l;
}

// The persons are written on several threads: the file and the report are
// the same whatever their number, with damaged persons among them, notes in
// RTF, and the options that leave persons or their facts out.
TEST_F(GedcomExportTest, TheFileAndTheReportAreTheSameWhateverTheNumberOfThreads) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  SyntheticFamily family(SyntheticFamilyOptions{3000, 11}, db);
  family.Build();
  TGDatabaseTables& t = db.Tables();
  const std::vector<CodeID> codes = CodesOf(t.individus);
  ASSERT_GT(codes.size(), 2000u);
  for (std::size_t k = 0; k < codes.size(); ++k) {
    TGIndividu indi;
    ASSERT_TRUE(indi.LitDans(codes[k], t.individus));
    indi.SetExportable(k % 3 != 0);
    t.individus->EcritData(&indi);
    if (k % 7 != 0) continue;
    TVGNote note;
    note.NewNote(codes[k], "{\\rtf1\\ansi Note \\b " + std::to_string(k) + "\\b0\\par line\\par}", false);
    note.SetExportable(true);
    note.EcritDans(codes[k], t.notes);
  }
  // Damage in the first batch, in the middle and at the very end.
  for (const std::size_t k : {std::size_t{5}, codes.size() / 2, codes.size() - 1})
    t.individus->LXArray::EcritData(codes[k], "\x01\x02\x03", 3);

  GedcomExportOptions privateLiving;
  privateLiving.living = GedcomLiving::Private;
  GedcomExportOptions exportableOnly;
  exportableOnly.exportableOnly = true;
  for (GedcomExportOptions options : {GedcomExportOptions{}, privateLiving, exportableOnly}) {
    options.replace = true;
    options.exportDate = "1 JAN 2026";
    std::string first;
    GedcomExportReport firstReport;
    for (const unsigned threads : {1u, 2u, 5u}) {
      options.threads = threads;
      const std::string out = box.Path("threads" + std::to_string(threads) + ".ged");
      GedcomExportReport report;
      std::string error;
      ASSERT_TRUE(ExportGedcom(db, out, options, report, error)) << error;
      std::ifstream in(out, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const std::string what = "threads " + std::to_string(threads) + ", options " +
                               std::to_string(static_cast<int>(options.living)) + std::to_string(options.exportableOnly);
      ASSERT_EQ(report.damaged.size(), 3u) << what;
      if (threads == 1) {
        first = bytes;
        firstReport = report;
        EXPECT_NE(bytes.find("0 @N" + std::to_string(codes[7]) + "@ NOTE Note 7"), std::string::npos) << what;
        continue;
      }
      EXPECT_TRUE(bytes == first) << what;
      EXPECT_EQ(report.individuals, firstReport.individuals) << what;
      EXPECT_EQ(report.families, firstReport.families) << what;
      EXPECT_EQ(report.notes, firstReport.notes) << what;
      EXPECT_EQ(report.lines, firstReport.lines) << what;
      for (std::size_t d = 0; d < report.damaged.size(); ++d)
        EXPECT_EQ(report.damaged[d].code, firstReport.damaged[d].code) << what;
    }
  }
}

// The last batches are written while the walk can still answer the
// threads' family lookups, also when nothing is visited after the persons
// or the unions: a file of persons alone, and one with a childless union.
TEST_F(GedcomExportTest, AFileThatEndsWithItsPersonsOrUnionsIsWholeWhateverTheNumberOfThreads) {
  for (const bool withUnion : {false, true}) {
    TGDatabaseSosa db;
    db.SetAsNewFile();
    std::vector<CodeID> persons;
    for (const char* prenom : {"Jean", "Marie", "Luc"}) {
      TGIndividu i;
      i.SetCodeID(db.GetNextID());
      i.SetChar(5, prenom);
      i.SetExportable(true);
      db.Tables().individus->EcritData(&i);
      persons.push_back(i.GetCodeID());
    }
    if (withUnion) {
      TGUnion u;
      u.SetCodeID(db.GetNextID());
      u.SetEpoux(persons[0]);
      u.SetEpouse(persons[1]);
      u.SetExportable(true);
      db.Tables().unions->EcritData(&u);
    }
    std::string single;
    for (const unsigned threads : {1u, 2u}) {
      GedcomExportOptions options;
      options.replace = true;
      options.exportDate = "1 JAN 2026";
      options.threads = threads;
      const std::string out = box.Path("ends" + std::to_string(threads) + ".ged");
      GedcomExportReport report;
      std::string error;
      ASSERT_TRUE(ExportGedcom(db, out, options, report, error)) << error;
      EXPECT_EQ(report.individuals, 3u);
      EXPECT_EQ(report.families, withUnion ? 1u : 0u);
      std::ifstream in(out, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_NE(bytes.find("1 NAME Luc"), std::string::npos) << bytes;
      if (threads == 1)
        single = bytes;
      else
        EXPECT_TRUE(bytes == single) << "union " << withUnion << ":\n" << bytes;
    }
  }
}

// A damaged record may carry any 32-bit code, its own or a family member's:
// the export keeps what it knows of each code without an array as long as
// the largest code (gigabytes for the codes here).
TEST_F(GedcomExportTest, CodesNearTheTopOfTheRangeCostNoMemoryForTheCodesBelowThem) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  constexpr CodeID kHigh = 0xFFFFFF00u;
  TGIndividu high;
  high.SetCodeID(kHigh);
  high.SetChar(5, "Haut");
  high.SetCodePere(0xFFFFFFF0u);  // names no one
  high.SetExportable(true);
  db.Tables().individus->EcritData(&high);
  TVGNote note;
  note.NewNote(kHigh, "Une note", false);
  note.SetExportable(true);
  note.EcritDans(kHigh, db.Tables().notes);
  TGIndividu child;
  child.SetCodeID(db.GetNextID());
  child.SetChar(5, "Bas");
  child.SetCodeMere(kHigh);
  child.SetExportable(true);
  db.Tables().individus->EcritData(&child);

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  for (const unsigned threads : {1u, 2u}) {
    GedcomExportOptions options;
    options.replace = true;
    options.threads = threads;
    const std::string out = box.Path("high.ged");
    GedcomExportReport report;
    std::string error;
    ASSERT_TRUE(ExportGedcom(db, out, options, report, error)) << error;
    EXPECT_EQ(report.individuals, 2u);
    std::ifstream in(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("0 @I" + std::to_string(kHigh) + "@ INDI"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("0 @N" + std::to_string(kHigh) + "@ NOTE"), std::string::npos) << bytes;
  }
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kB of peak memory added";
}

// A disk that fills during the export: the written part is never published
// and the temporary file goes. The limit applies in a child process only.
TEST_F(GedcomExportTest, AnExportStoppedByAFileSizeLimitFailsAndLeavesNothing) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  SyntheticFamily family(SyntheticFamilyOptions{3000, 5}, db);
  family.Build();
  const std::string out = box.Path("limited.ged");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {64 * 1024, 64 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(10);
    GedcomExportReport report;
    std::string error;
    if (ExportGedcom(db, out, {}, report, error)) _exit(11);
    _exit(error == "cannot be written" ? 0 : 12);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(out));
  for (const auto& entry : fs::directory_iterator(box.Dir()))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  // Without the limit the same export goes through, and is larger than it.
  const std::vector<std::string> lines = Export(db, "unlimited");
  EXPECT_GT(fs::file_size(box.Path("unlimited.ged")), 64u * 1024u);
  EXPECT_FALSE(lines.empty());
}

TEST_F(GedcomExportTest, AFailedExportLeavesNothingAndAnExistingOutputAlone) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  FillSampleFamily(db);
  GedcomExportReport report;
  std::string error;
  EXPECT_FALSE(ExportGedcom(db, box.Path("absent/out.ged"), {}, report, error));
  EXPECT_FALSE(fs::exists(box.Path("absent")));
  const std::string out = box.Path("kept.ged");
  { std::ofstream(out) << "keep me"; }
  error.clear();
  EXPECT_FALSE(ExportGedcom(db, out, {}, report, error));
  EXPECT_NE(error.find("already exists"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(out), 7u);
  for (const auto& entry : fs::directory_iterator(box.Dir()))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace genvora
