// The SQLite export: every table holds as many rows as the file holds
// records, every reference names a row, and the values that are easy to get
// wrong (calendar arithmetic, particles, shared events, rich text, numbers
// beyond 64 bits) come out exact.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "computations/TGDatabaseSosa.h"
#include "containers/CodeList.h"
#include "dates/Calendars.h"
#include "export/SqliteExport.h"
#include "platform/Host.h"
#include "platform/TV5Sosa.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "support/SampleFamily.h"
#include "support/SyntheticFamily.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

// A read-only connection to an exported file.
class Exported {
 public:
  explicit Exported(const std::string& path) {
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << path;
  }
  ~Exported() { sqlite3_close(db_); }
  Exported(const Exported&) = delete;
  Exported& operator=(const Exported&) = delete;

  // The first column of every row, as text ("NULL" for null), joined by "|".
  std::string Query(const std::string& sql) const {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return "error: " + std::string(sqlite3_errmsg(db_));
    std::string out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      if (!out.empty()) out += "|";
      const auto* text = sqlite3_column_text(stmt, 0);
      out += text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
    }
    sqlite3_finalize(stmt);
    return out;
  }
  std::int64_t Count(const std::string& table) const { return std::stoll(Query("SELECT count(*) FROM " + table)); }

 private:
  sqlite3* db_ = nullptr;
};

// What the file itself holds, table by table of the export.
std::map<std::string, std::int64_t> FileCounts(TGDatabase& db) {
  const TGDatabaseTables& t = db.Tables();
  std::map<std::string, std::int64_t> n;
  n["individuals"] = static_cast<std::int64_t>(CodesOf(t.individus).size());
  n["surnames"] = static_cast<std::int64_t>(CodesOf(t.dicoNoms).size());
  n["places"] = static_cast<std::int64_t>(CodesOf(t.dicoLieux).size());
  n["unions"] = static_cast<std::int64_t>(CodesOf(t.unions).size());
  n["events"] = static_cast<std::int64_t>(CodesOf(t.evenements).size());
  n["links"] = static_cast<std::int64_t>(CodesOf(t.liens).size());
  n["first_names"] = static_cast<std::int64_t>(CodesOf(t.prenoms).size());
  n["professions"] = static_cast<std::int64_t>(CodesOf(t.professions).size());
  n["notes"] = static_cast<std::int64_t>(CodesOf(t.notes).size() + CodesOf(t.notesAideRecherche).size());
  n["sosa"] = t.sosa->GetCount();
  n["addresses"] = static_cast<std::int64_t>(CodesOf(t.dicoAdresses).size());
  n["documents"] = static_cast<std::int64_t>(CodesOf(t.documents).size());
  n["citations"] = static_cast<std::int64_t>(CodesOf(t.DocumentLiens()).size());
  n["media"] = static_cast<std::int64_t>(CodesOf(t.medias).size());
  n["media_links"] = static_cast<std::int64_t>(CodesOf(t.MediaLiens()).size());
  n["tasks"] = static_cast<std::int64_t>(CodesOf(t.taches).size());
  n["task_links"] = t.tacheIndividus->GetCount() + t.tacheAdresses->GetCount();
  n["research_logs"] = static_cast<std::int64_t>(CodesOf(t.rechercheLog).size());
  n["media_frames"] = static_cast<std::int64_t>(CodesOf(t.mediasCadres).size());
  n["record_pairs"] = t.adresseLiens->GetCount() + t.unionLiens->GetCount() + t.noteLiens->GetCount();
  n["branches"] = t.branches->GetCount();
  n["marked_individuals"] = t.indiMarques->GetCount();
  n["redaction"] = static_cast<std::int64_t>(CodesOf(t.redaction).size());
  std::int64_t children = 0, participants = 0;
  for (const CodeID code : CodesOf(t.individus)) {
    TGIndividu indi;
    if (indi.LitDans(code, t.individus) && (indi.GetCodePere() != 0 || indi.GetCodeMere() != 0)) ++children;
  }
  for (const CodeID code : CodesOf(t.liens)) {
    TGLien lien;
    if (lien.LitDans(code, t.liens) && db.EstEvenement(lien.GetLienVers())) ++participants;
  }
  for (const CodeID code : CodesOf(t.evenements)) {
    TGEvenement ev;
    if (ev.LitDans(code, t.evenements) && ev.GetPartage() && db.EstIndividu(ev.GetProprietaire())) ++participants;
  }
  n["children"] = children;
  n["event_participants"] = participants;
  return n;
}

class SqliteExportTest : public ::testing::Test {
 protected:
  // Exports `db` to `name`.sqlite in the sandbox and checks it against the
  // file's own counts and SQLite's own checks.
  std::string ExportAndCheck(TGDatabase& db, const std::string& name) {
    const std::string out = box.Path(name + ".sqlite");
    SqliteExportReport report;
    std::string error;
    EXPECT_TRUE(ExportSqlite(db, out, SqliteExportOptions{}, report, error)) << name << ": " << error;
    EXPECT_TRUE(report.damaged.empty()) << name;
    Exported sql(out);
    for (const auto& [table, count] : FileCounts(db)) EXPECT_EQ(sql.Count(table), count) << name << " " << table;
    EXPECT_EQ(sql.Query("PRAGMA foreign_key_check"), "") << name;
    EXPECT_EQ(sql.Query("PRAGMA integrity_check"), "ok") << name;
    EXPECT_EQ(sql.Query("SELECT value FROM meta WHERE key = 'individual_count'"),
              std::to_string(db.Header.GetNombreIndividus())) << name;
    return out;
  }

  testing::DatabaseSandbox box;
  QuietHost quiet;
};

TEST_F(SqliteExportTest, SampleFamilyOfEveryGenerationKeepsEveryRecord) {
  for (const Generation g : AllGenerations()) {
    const std::string path = testing::WriteSample(box.Path("sample"), g);
    TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierOuvrir()) << path << ": " << db.LastReason();
    const std::string out = ExportAndCheck(db, std::string("sample") + ExtensionOf(g));
    Exported sql(out);
    EXPECT_EQ(sql.Count("individuals"), 7) << ExtensionOf(g);
    // The exporter never writes beside the output it makes.
    EXPECT_FALSE(fs::exists(out + ".tmp-" + std::to_string(getpid())));
  }
}

TEST_F(SqliteExportTest, GeneratedFamilyOfEveryGenerationKeepsEveryRecord) {
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
    const std::string out = ExportAndCheck(db, std::string("generated") + ExtensionOf(g));
    Exported sql(out);
    EXPECT_EQ(sql.Count("individuals"), 600) << ExtensionOf(g);
    // Each set of siblings is numbered 1, 2, ... in the user's order.
    EXPECT_EQ(sql.Query("SELECT count(*) FROM (SELECT father, mother, count(*) AS n, max(position) AS top,"
                        " count(DISTINCT position) AS d FROM children GROUP BY father, mother) WHERE n <> top OR n <> d"),
              "0") << ExtensionOf(g);
  }
}

TEST_F(SqliteExportTest, ValuesThatAreEasyToGetWrong) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  const CodeID root = FillSampleFamily(db);
  TGDatabaseTables& t = db.Tables();
  // A shared event: the root's christening, shared with a godmother.
  TGIndividu indi;
  ASSERT_TRUE(indi.LitDans(root, t.individus));
  const CodeID godmother = db.GetNextID();
  {
    TGIndividu g;
    g.SetCodeID(godmother);
    g.SetChar(5, "Marraine");
    g.SetFeminin(true);
    t.individus->EcritData(&g);
  }
  TGEvenement bapteme;
  const CodeID shared = db.GetNextID();
  bapteme.SetCodeID(shared);
  bapteme.SetProprietaire(root);
  bapteme.SetType(evIBAPM);
  bapteme.SetPartage(true);
  bapteme.GetDate()->SetText("26/12/1901");
  t.evenements->EcritData(&bapteme);
  TGLien lien;
  const CodeID linkCode = db.GetNextID();
  lien.SetCodeID(linkCode);
  lien.SetLienDe(godmother);
  lien.SetLienVers(shared);
  lien.SetType(102);
  lien.SetTitre("marraine");
  t.liens->EcritData(&lien);
  // An ancestor number above 2^64: 2^64 + 5 (generation 65).
  TV5Sosa big;
  ASSERT_TRUE(big.SetText("18446744073709551621"));
  big.SetCodeID(root);
  big.SetOccurrences(2);
  t.sosa->AddItem(&big.GetData(), sizeof(TV5SosaData));

  const std::string out = ExportAndCheck(db, "cases");
  Exported sql(out);
  const std::string brumaire = std::to_string(FrenchToSdn(2, 2, 3));
  struct Case {
    const char* what;
    std::string query;
    std::string expected;
  };
  const Case cases[] = {
      {"republican date: serial day", "SELECT sdn1 FROM events WHERE date_text LIKE '3 brumaire%'", brumaire},
      {"republican date: calendar", "SELECT calendar FROM events WHERE date_text LIKE '3 brumaire%'", "R"},
      {"republican date: GEDCOM", "SELECT date_gedcom FROM events WHERE date_text LIKE '3 brumaire%'", "@#DFRENCH R@ 3 BRUM 2"},
      {"Gregorian date: serial day", "SELECT sdn1 FROM events WHERE date_text = '25/12/1901'",
       std::to_string(GregorianToSdn(1901, 12, 25))},
      {"qualifier", "SELECT qualifier FROM events WHERE gedcom_tag = 'DEAT'", "4"},
      // The GEDCOM text is the one the GEDCOM export writes: one space.
      {"qualifier: GEDCOM", "SELECT date_gedcom FROM events WHERE gedcom_tag = 'DEAT'", "ABT 1850"},
      {"particle surname", "SELECT particle FROM surnames WHERE surname = 'de la Fontaine'", "de la"},
      // The shown surname follows the case preference in force.
      {"particle of a person",
       "SELECT particle || '/' || upper(display_name) FROM individuals WHERE code = " + std::to_string(root),
       "de la/DE LA FONTAINE"},
      {"shared event: participants",
       "SELECT person || ':' || role FROM event_participants WHERE event = " + std::to_string(shared) + " ORDER BY person",
       std::to_string(root) + ":owner|" + std::to_string(godmother) + ":marraine"},
      {"shared event: the link", "SELECT to_event FROM links WHERE code = " + std::to_string(linkCode), std::to_string(shared)},
      {"RTF note: plain text", "SELECT plain_text FROM notes WHERE owner = " + std::to_string(root) + " AND kind = 'note'",
       "N\xC3\xA9 pendant l'hiver, baptis\xC3\xA9 \xC3\xA0 Lyon."},
      {"RTF note: original", "SELECT substr(rich_text, 1, 5) FROM notes WHERE owner = " + std::to_string(root), "{\\rtf"},
      {"Sosa above 2^64", "SELECT number || '/' || generation || '/' || occurrences FROM sosa", "18446744073709551621/65/2"},
      {"children in the user's order", "SELECT c.position FROM children c JOIN individuals i ON i.code = c.child"
       " WHERE i.first_names IN ('Ren\xC3\xA9', 'Ang\xC3\xA8le') ORDER BY i.first_names", "2|1"},
      {"citation", "SELECT d.archive || ' / ' || d.call_number FROM citations c JOIN documents d ON d.code = c.document"
       " JOIN events e ON e.code = c.event WHERE e.date_text LIKE '3 brumaire%'",
       "Archives d\xC3\xA9partementales du Rh\xC3\xB4ne / 2 E 1456"},
      {"media link", "SELECT m.path || ' ' || l.main FROM media_links l JOIN media m ON m.code = l.medium WHERE l.target = " +
       std::to_string(root), "Media/portrait-no\xC3\xABl.jpg 1"},
      {"task links", "SELECT count(individual) || '/' || count(address) FROM task_links", "1/1"},
      {"research log time", "SELECT time FROM research_logs", "2021-03-01T14:30:00"},
      {"child without a union", "SELECT union_code FROM children WHERE child = " + std::to_string(root), "NULL"},
      {"redaction element as stored", "SELECT hex(substr(data, 5)) FROM redaction", "496E74726F64756374696F6E00"},
      {"address pair", "SELECT count(*) FROM record_pairs p JOIN addresses a ON a.code = p.a WHERE p.kind = 'address'", "1"},
      {"media frame", "SELECT count(*) FROM media_frames f JOIN media m ON m.code = f.origin", "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(sql.Query(c.query), c.expected) << c.what;
}

TEST_F(SqliteExportTest, ReferencesToAbsentRecordsBecomeNullOrAreDropped) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  const CodeID root = FillSampleFamily(db);
  TGDatabaseTables& t = db.Tables();
  const CodeID nothing = 900000;  // names no record
  TGIndividu orphan;
  const CodeID orphanCode = db.GetNextID();
  orphan.SetCodeID(orphanCode);
  orphan.SetChar(5, "Orphelin");
  orphan.SetCodePere(nothing);
  orphan.SetCodeNom(nothing + 1);
  t.individus->EcritData(&orphan);
  TGEvenement ev;
  const CodeID evCode = db.GetNextID();
  ev.SetCodeID(evCode);
  ev.SetProprietaire(root);
  ev.SetType(evIDEAT);
  ev.SetDicoLieu(nothing + 2);
  t.evenements->EcritData(&ev);
  TGLien toNowhere;
  toNowhere.SetCodeID(db.GetNextID());
  toNowhere.SetLienDe(nothing + 3);
  toNowhere.SetLienVers(root);
  toNowhere.SetType(1);
  t.liens->EcritData(&toNowhere);

  const std::string out = box.Path("dangling.sqlite");
  SqliteExportReport report;
  std::string error;
  ASSERT_TRUE(ExportSqlite(db, out, {}, report, error)) << error;
  Exported sql(out);
  EXPECT_EQ(sql.Query("PRAGMA foreign_key_check"), "");
  EXPECT_EQ(sql.Query("SELECT quote(father) || quote(surname) FROM individuals WHERE code = " + std::to_string(orphanCode)),
            "NULLNULL");
  EXPECT_EQ(sql.Query("SELECT quote(place) FROM events WHERE code = " + std::to_string(evCode)), "NULL");
  // A link from no person is no link.
  EXPECT_EQ(sql.Count("links"), static_cast<std::int64_t>(CodesOf(t.liens).size()) - 1);
}

// A record that is listed but does not decode is only known once the walk
// reaches it: the references made to it before are cleared afterwards.
TEST_F(SqliteExportTest, ReferencesToADamagedRecordBecomeNullOrAreDropped) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  FillSampleFamily(db);
  TGDatabaseTables& t = db.Tables();
  // A father whose record is damaged, and his child, written after him so
  // that the child's row is made before the walk finds the damage... or
  // after: both orders must end the same.
  TGIndividu father;
  const CodeID fatherCode = db.GetNextID();
  father.SetCodeID(fatherCode);
  father.SetChar(5, "Damaged");
  t.individus->EcritData(&father);
  TGIndividu child;
  const CodeID childCode = db.GetNextID();
  child.SetCodeID(childCode);
  child.SetChar(5, "Child");
  child.SetCodePere(fatherCode);
  t.individus->EcritData(&child);
  TGLien fromFather;
  fromFather.SetCodeID(db.GetNextID());
  fromFather.SetLienDe(fatherCode);
  fromFather.SetLienVers(childCode);
  fromFather.SetType(1);
  t.liens->EcritData(&fromFather);
  t.individus->LXArray::EcritData(fatherCode, "\x01\x02\x03", 3);

  const std::string out = box.Path("damaged.sqlite");
  SqliteExportReport report;
  std::string error;
  ASSERT_TRUE(ExportSqlite(db, out, {}, report, error)) << error;
  ASSERT_EQ(report.damaged.size(), 1u);
  Exported sql(out);
  EXPECT_EQ(sql.Query("PRAGMA foreign_key_check"), "");
  EXPECT_EQ(sql.Query("SELECT quote(father) FROM individuals WHERE code = " + std::to_string(childCode)), "NULL");
  EXPECT_EQ(sql.Query("SELECT count(*) FROM links WHERE from_person = " + std::to_string(fatherCode)), "0");
  EXPECT_EQ(sql.Query("SELECT count(*) FROM children WHERE father = " + std::to_string(fatherCode)), "0");
}

TEST_F(SqliteExportTest, FullTextIndexFindsNamesAndNotes) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  const CodeID root = FillSampleFamily(db);
  const std::string out = box.Path("fts.sqlite");
  SqliteExportReport report;
  std::string error;
  ASSERT_TRUE(ExportSqlite(db, out, {}, report, error)) << error;
  if (!report.fullText) GTEST_SKIP() << "the SQLite in use has no FTS5";
  Exported sql(out);
  EXPECT_EQ(sql.Query("SELECT code FROM search WHERE search MATCH 'hiver' AND kind = 'note'"), std::to_string(root));
  EXPECT_EQ(sql.Query("SELECT count(*) FROM search WHERE search MATCH 'Fontaine' AND kind = 'individual'"), "5");
}

TEST_F(SqliteExportTest, AFailedExportLeavesNothingAndAnExistingOutputAlone) {
  TGDatabaseSosa db;
  db.SetAsNewFile();
  FillSampleFamily(db);
  SqliteExportReport report;
  std::string error;
  // Into a folder that does not exist.
  const std::string nowhere = box.Path("absent/out.sqlite");
  EXPECT_FALSE(ExportSqlite(db, nowhere, {}, report, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(box.Path("absent")));
  // Over an existing file, unless asked.
  const std::string out = box.Path("kept.sqlite");
  { std::ofstream(out) << "keep me"; }
  error.clear();
  EXPECT_FALSE(ExportSqlite(db, out, {}, report, error));
  EXPECT_NE(error.find("already exists"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(out), 7u);
  SqliteExportOptions replace;
  replace.replace = true;
  ASSERT_TRUE(ExportSqlite(db, out, replace, report, error)) << error;
  EXPECT_EQ(Exported(out).Count("individuals"), 7);
  for (const auto& entry : fs::directory_iterator(box.Dir()))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace genvora
