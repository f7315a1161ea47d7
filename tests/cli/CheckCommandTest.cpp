// genvora check: what a check prints and promises (nothing written, the
// exit status), what a repair saves, and the refusal to lose unreadable
// tables without --accept-loss.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "computations/TGDatabaseSosa.h"
#include "records/TGIndividu.h"
#include "tests/support/ControllerFixtures.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;
using namespace testing::sample;

// Every file under `dir` with its bytes.
std::map<std::string, std::vector<unsigned char>> Tree(const std::string& dir) {
  std::map<std::string, std::vector<unsigned char>> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    out[e.path().string()] = e.is_regular_file() ? ReadAll(e.path().string()) : std::vector<unsigned char>{};
  return out;
}

class CheckCommandTest : public ::testing::Test {
 protected:
  // The sound family with one fault: Rene's father is a document.
  std::string Damaged() {
    fs::create_directories(box.Path("in"));
    const std::string path = box.Path("in/family.genvora");
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    TGIndividu indi;
    EXPECT_TRUE(indi.LitDans(kG3, db.Tables().individus));
    indi.SetCodePere(kDocument);
    db.Tables().individus->EcritData(&indi);
    EXPECT_TRUE(EcritGeneration(db, path, Generation::Current));
    return path;
  }
  testing::DatabaseSandbox box;
};

TEST_F(CheckCommandTest, CheckPrintsTheChangesAndWritesNothing) {
  const std::string path = Damaged();
  // The per-user store holds something (a repair of another file wrote its
  // history): a check must leave it as it is too.
  fs::copy_file(path, box.Path("other.genvora"));
  ASSERT_EQ(RunTool("check --repair " + box.Path("other.genvora")).status, 0);
  ASSERT_FALSE(fs::is_empty(box.Path("config")));
  const auto before = Tree(box.Dir());

  ToolRun text = RunTool("check " + path);
  EXPECT_EQ(text.status, 3) << text.err;
  EXPECT_NE(text.out.find(path + ": individuals: Individual Ren\xC3\xA9 de la Fontaine #12: the father"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find(path + ": summary: individuals: 1 change\n"), std::string::npos) << text.out;

  ToolRun json = RunTool("check --json " + path);
  EXPECT_EQ(json.status, 3);
  const auto j = nlohmann::json::parse(json.out);
  ASSERT_EQ(j["changes"].size(), 1u);
  EXPECT_EQ(j["changes"][0]["step"], "individuals");
  EXPECT_EQ(j["changes"][0]["code"], kG3);
  EXPECT_EQ(j["changes"][0]["what"], "father-invalid-cleared");
  EXPECT_EQ(j["summary"]["individuals"], 1);
  EXPECT_TRUE(j["dropped"].empty());
  EXPECT_EQ(j["needs_verification"], false);
  EXPECT_EQ(j["saved"], false);

  ToolRun dry = RunTool("check --repair --dry-run " + path);
  EXPECT_EQ(dry.status, 3);
  EXPECT_EQ(Tree(box.Dir()), before);
}

TEST_F(CheckCommandTest, RepairSavesWithABackupAndASecondCheckFindsNothing) {
  const std::string path = Damaged();
  const auto bytes = ReadAll(path);
  const std::string log = box.Path("check.log");
  ToolRun repair = RunTool("check --repair --log " + log + " " + path);
  ASSERT_EQ(repair.status, 0) << repair.err;
  EXPECT_NE(repair.out.find("repaired and saved"), std::string::npos);
  EXPECT_EQ(ReadAll(box.Path("in/family.bak")), bytes);
  const auto logged = ReadAll(log);
  const std::string logText(logged.begin(), logged.end());
  EXPECT_EQ(logText.find("Ren\xE9 "), std::string::npos);  // no Windows-1252 left
  EXPECT_NE(logText.find("Ren\xC3\xA9"), std::string::npos);

  ToolRun again = RunTool("check --json " + path);
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_TRUE(nlohmann::json::parse(again.out)["changes"].empty());
  // The repaired file opens with every command.
  EXPECT_EQ(RunTool("info " + path).status, 0);
}

TEST_F(CheckCommandTest, UnreadableTableIsNotSavedWithoutAcceptLoss) {
  fs::create_directories(box.Path("in"));
  const std::string path = box.Path("in/family.genvora");
  testing::WriteWithUnreadableTable(path);
  const auto bytes = ReadAll(path);

  ToolRun check = RunTool("check --json " + path);
  EXPECT_EQ(check.status, 3);
  const auto j = nlohmann::json::parse(check.out);
  ASSERT_EQ(j["dropped"].size(), 1u);
  EXPECT_NE(j["dropped"][0].get<std::string>().find("TableNote"), std::string::npos);

  ToolRun refused = RunTool("check --repair " + path);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_NE(refused.err.find("--accept-loss"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_FALSE(fs::exists(box.Path("in/family.bak")));

  ToolRun accepted = RunTool("check --repair --accept-loss " + path);
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_EQ(ReadAll(box.Path("in/family.bak")), bytes);
  EXPECT_EQ(RunTool("check " + path).status, 0);
}

TEST_F(CheckCommandTest, RefusalsAndBadCommandLines) {
  const struct {
    std::string args;
    int status;
  } cases[] = {
      {"check " + box.Path("absent.genvora"), 1},
      {"check --accept-loss " + box.Path("absent.genvora"), 2},  // needs --repair
      {"check --dry-run " + box.Path("absent.genvora"), 2},
      {"check --rebuild-name-links " + box.Path("absent.genvora"), 2},
      {"check", 2},
  };
  for (const auto& c : cases) {
    ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    if (c.status == 1) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
}

}  // namespace
}  // namespace genvora
