// genvora export: the output appears whole or not at all, an existing one
// is replaced only when asked, and each refusal is one line naming the file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

std::int64_t Individuals(const std::string& path) {
  sqlite3* db = nullptr;
  std::int64_t n = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM individuals", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      n = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return n;
}

std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

class ExportCommandTest : public ::testing::Test {
 protected:
  // Only the input and what the test names are left in the folder.
  void ExpectOnly(std::initializer_list<std::string> names) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(box.Path("work"))) {
      ++count;
      EXPECT_NE(std::find(names.begin(), names.end(), entry.path().filename().string()), names.end()) << entry.path();
    }
    EXPECT_EQ(count, names.size());
  }
  testing::DatabaseSandbox box;
};

TEST_F(ExportCommandTest, WritesTheFileAndReplacesItOnlyWithForce) {
  fs::create_directory(box.Path("work"));
  const std::string in = testing::WriteSample(box.Path("work/family"), Generation::G12);
  const std::string out = box.Path("work/family.sqlite");
  ToolRun run = RunTool("export " + in + " " + out);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Individuals(out), 7);
  ExpectOnly({"family.G12", "family.sqlite"});

  // A second export without --force: refused, the first output untouched.
  { std::ofstream(out, std::ios::trunc) << "not a database"; }
  run = RunTool("export " + in + " " + out);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.err), 1) << run.err;
  EXPECT_NE(run.err.find(out), std::string::npos) << run.err;
  EXPECT_EQ(Text(out), "not a database");

  run = RunTool("export --force " + in + " " + out);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Individuals(out), 7);
  ExpectOnly({"family.G12", "family.sqlite"});

  // The format by name, whatever the extension.
  run = RunTool("export --format sqlite " + in + " " + box.Path("work/family.out"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Individuals(box.Path("work/family.out")), 7);
}

TEST_F(ExportCommandTest, RefusalsAreOneLineAndLeaveNothingBehind) {
  fs::create_directory(box.Path("work"));
  const std::string in = testing::WriteSample(box.Path("work/family"), Generation::Current);
  struct Case {
    const char* what;
    std::string args;
    int status;
    std::string named;
  };
  const Case cases[] = {
      {"output folder absent", "export " + in + " " + box.Path("work/absent/out.sqlite"), 1,
       box.Path("work/absent/out.sqlite")},
      {"output is a folder", "export --force --format sqlite " + in + " " + box.Path("work"), 1, box.Path("work")},
      {"input absent", "export " + box.Path("work/none.genvora") + " " + box.Path("work/x.sqlite"), 1,
       box.Path("work/none.genvora")},
      {"unknown format", "export " + in + " " + box.Path("work/x.txt"), 2, box.Path("work/x.txt")},
  };
  for (const Case& c : cases) {
    ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
    EXPECT_EQ(Lines(run.err), 1) << c.what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << c.what << "\n" << run.err;
    ExpectOnly({"family.genvora"});
  }
}

TEST_F(ExportCommandTest, DamagedRecordsAreLeftOutAndNamed) {
  fs::create_directory(box.Path("work"));
  const std::string in = box.Path("work/events.genvora");
  {
    TGDatabase db;
    ASSERT_TRUE(db.SetAsNewFile());
    TGIndividu owner;
    owner.SetCodeID(5);
    owner.SetChar(5, "Jean");
    db.Tables().individus->EcritData(&owner);
    for (int i = 0; i < 3; ++i) {
      TGEvenement ev;
      const CodeID code = 20 + i;
      ev.SetCodeID(code);
      ev.SetProprietaire(5);
      ev.SetType(evIBIRT);
      ev.GetDate()->SetText("1850");
      std::string bytes = ev.EncodeToString();
      if (i == 1) bytes.resize(12);  // cut short inside its base fields
      db.Tables().evenements->EcritEvenement({5, 0, 4, code}, bytes.data(), static_cast<unsigned>(bytes.size()));
    }
    ASSERT_TRUE(db.FichierEnregistrerSous(in, false)) << db.LastReason();
  }
  const std::string out = box.Path("work/events.sqlite");
  ToolRun run = RunTool("export " + in + " " + out);
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("damaged record TGTableEvenements 21"), std::string::npos) << run.err;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(out.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT group_concat(code) FROM events", -1, &stmt, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "20,22");
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

}  // namespace
}  // namespace genvora
