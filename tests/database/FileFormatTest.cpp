// Format detection of database files and the working-copy switch that only
// a database gets.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "HeaderFixtures.h"
#include "TestSupport.h"
#include "database/FileFormat.h"
#include "utilities/FilePaths.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void MakeSqlite(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

TEST(GetGenvoraFileFormat, TellsTheGenerations) {
  TempDir dir;
  const std::string d = dir.Path();
  auto broken = fixtures::ChunkedHeader(300);
  broken[3] ^= 0x20;  // offset 0: Identifier damaged, HeaderCRC no longer matches
  WriteAll(d + "/db.genvora", fixtures::ChunkedHeader(300));
  WriteAll(d + "/newer.genvora", fixtures::ChunkedHeader(301));
  WriteAll(d + "/broken.genvora", broken);
  WriteAll(d + "/old.GV9", fixtures::LegacyBlockA());
  WriteAll(d + "/fifteen", Bytes("SQLite format 3"));
  WriteAll(d + "/sixteen", Bytes(std::string("SQLite format 3\0", 16)));
  MakeSqlite(d + "/real.sqlite",
             "CREATE TABLE Preferences(Name TEXT, DatabaseVersion INTEGER);"
             "INSERT INTO Preferences VALUES('first', 1501);"
             "INSERT INTO Preferences VALUES('second', 1600);");
  MakeSqlite(d + "/noversion.sqlite", "CREATE TABLE Preferences(Name TEXT); INSERT INTO Preferences VALUES('x');");
  MakeSqlite(d + "/emptyprefs.sqlite", "CREATE TABLE Preferences(DatabaseVersion INTEGER);");
  MakeSqlite(d + "/other.sqlite", "CREATE TABLE People(Name TEXT);");

  struct Case {
    const char* name;
    unsigned format;         // without asking the version
    unsigned formatVersion;  // when the version is asked
    std::int32_t version;
  };
  const Case cases[] = {
      {"db.genvora", 1, 1, 300},       {"newer.genvora", 1, 1, 301},   {"broken.genvora", 0, 0, 0},
      {"old.GV9", 0, 0, 0},            {"fifteen", 0, 0, 0},           {"sixteen", 2, 0, 0},
      {"real.sqlite", 2, 2, 1501},     {"noversion.sqlite", 2, 0, 0},  {"emptyprefs.sqlite", 2, 2, 0},
      {"other.sqlite", 2, 0, 0},       {"absent", 0, 0, 0},
  };
  for (const auto& c : cases) {
    std::string path = d + "/" + c.name;
    EXPECT_EQ(GetGenvoraFileFormat(path), c.format) << c.name;
    std::int32_t version = -1;
    EXPECT_EQ(GetGenvoraFileFormat(path, &version), c.formatVersion) << c.name;
    EXPECT_EQ(version, c.version) << c.name;
  }
}

TEST(WorkingCopies, SwitchesOnlyADatabase) {
  TempDir dir;
  std::string db = dir.Path() + "/f.genvora";
  std::string tild = dir.Path() + "/f.~genvora";
  WriteAll(db, fixtures::ChunkedHeader(300));
  WriteAll(tild, Bytes("stale working copy"));
  ASSERT_TRUE(SafeRenameGenvoraToTild(db));
  EXPECT_FALSE(fs::exists(db));
  EXPECT_EQ(ReadAll(tild), fixtures::ChunkedHeader(300));
  EXPECT_FALSE(fs::exists(dir.Path() + "/f.~bak")) << "the backup goes once the switch is done";
  ASSERT_TRUE(SafeRenameTildToGenvora(tild));
  EXPECT_EQ(ReadAll(db), fixtures::ChunkedHeader(300));

  std::string notDb = dir.Path() + "/n.genvora";
  WriteAll(notDb, Bytes("text"));
  EXPECT_FALSE(SafeRenameGenvoraToTild(notDb));
  EXPECT_TRUE(fs::exists(notDb));
}

}  // namespace
}  // namespace genvora
