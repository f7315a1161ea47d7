// The database commands of the tool: dump, upgrade, info's tables, demo,
// and the promise that reading commands leave the folder and the per-user
// store as they were.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "computations/TGDatabaseSosa.h"
#include "database/TV7RegFileManager.h"
#include "platform/Graphics.h"
#include "records/TGMedia.h"
#include "platform/Settings.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

ToolRun Tool(const std::string& args) { return RunTool(args); }

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.insert(e.path().string());
  return out;
}

class DatabaseCliTest : public ::testing::Test {
 protected:
  testing::DatabaseSandbox box;
};

TEST_F(DatabaseCliTest, ReadingCommandsLeaveFolderAndStoreAlone) {
  fs::create_directory(box.Path("in"));
  std::string path = testing::WriteSample(box.Path("in/family"), Generation::G11);
  auto bytes = ReadAll(path);
  auto before = Listing(box.Dir());

  ToolRun info = Tool("info --json " + path);
  ASSERT_EQ(info.status, 0);
  auto j = nlohmann::json::parse(info.out);
  EXPECT_EQ(j["extension_level"], 6);
  EXPECT_EQ(j["tables"]["TGTableIndividus"], 7);
  EXPECT_EQ(j["tables"]["TGTableDicoNoms"], 3);
  EXPECT_EQ(j["tables"]["OrdreEnfants"], 2);
  EXPECT_FALSE(j["tables"].contains("TableNote"));  // above level 6

  ToolRun dump = Tool("dump " + path);
  ASSERT_EQ(dump.status, 0);
  std::istringstream lines(dump.out);
  std::string line;
  int individuals = 0;
  while (std::getline(lines, line)) {
    auto r = nlohmann::json::parse(line);
    ASSERT_TRUE(r.contains("table") && r.contains("code")) << line;
    if (r["table"] == "TGTableIndividus") ++individuals;
    if (r["table"] == "TGTableIndividus" && r["code"] == 7) {
      EXPECT_EQ(r["Prenoms"], "Élise Adélaïde");
    }
  }
  EXPECT_EQ(individuals, 7);
  ToolRun one = Tool("dump " + path + " --table TGTableDicoNoms");
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 3);
  EXPECT_NE(one.out.find("de la Fontaine"), std::string::npos);

  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_EQ(Listing(box.Dir()), before);
}

TEST_F(DatabaseCliTest, UpgradeWritesOnlyTheOutput) {
  fs::create_directory(box.Path("in"));
  fs::create_directory(box.Path("out"));
  std::string in = testing::WriteSample(box.Path("in/family"), Generation::GV5);
  auto bytes = ReadAll(in);
  ToolRun run = Tool("upgrade " + in + " " + box.Path("out/family.genvora"));
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("G12 G13 G14"), std::string::npos);
  EXPECT_EQ(ReadAll(in), bytes);
  EXPECT_EQ(Listing(box.Path("in")), std::set<std::string>{in});
  ToolRun info = Tool("info --json " + box.Path("out/family.genvora"));
  auto j = nlohmann::json::parse(info.out);
  EXPECT_EQ(j["extension_level"], 22);
  EXPECT_EQ(j["database_version"], 300);
  EXPECT_EQ(j["tables"]["TGTableIndividus"], 7);
  EXPECT_EQ(Tool("upgrade " + in + " " + in).status, 1);
}

TEST_F(DatabaseCliTest, UpgradePutsTheMediaBesideTheOutputAndReportsItsSteps) {
  fs::create_directory(box.Path("in"));
  fs::create_directory(box.Path("out"));
  // A medium whose file exists: the upgrades copy it into the bundle.
  const std::string picture = box.Path("in/photo.jpg");
  TBitmap pixels;
  pixels.width = 4;
  pixels.height = 4;
  pixels.rgb.assign(48, 120);
  const std::string jpeg = EncodeJpeg(pixels, 90);
  WriteAll(picture, std::vector<unsigned char>(jpeg.begin(), jpeg.end()));
  TGDatabaseSosa source;
  FillSampleFamily(source);
  TGMedia media;
  const CodeID code = source.GetNextID();
  media.SetCodeID(code);
  media.SetOriginalFullPath(picture);
  media.EcritDans(code, source.Tables().medias);
  const std::string in = box.Path("in/family.GV8");
  ASSERT_TRUE(EcritGeneration(source, in, Generation::GV8));
  const auto before = Listing(box.Path("in"));

  // The commands that only read leave the folder as it was.
  for (const char* command : {"detect ", "info ", "dump "}) EXPECT_EQ(Tool(command + in).status, 0) << command;
  EXPECT_EQ(Listing(box.Path("in")), before);

  ToolRun run = Tool("upgrade " + in + " " + box.Path("out/family.genvora"));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Listing(box.Path("in")), before);
  EXPECT_TRUE(fs::exists(box.Path("out/Media/#" + std::to_string(code) + "/photo.jpg")));
  EXPECT_NE(run.out.find("media copied beside the output: 1"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("first names added to the dictionary: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("new file GUID"), std::string::npos) << run.out;
}

TEST_F(DatabaseCliTest, RefusalsExitWithOne) {
  std::string path = testing::WriteSample(box.Path("busy"), Generation::Current);
  ToolRun missing = Tool("dump " + box.Path("missing.GV5"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "genvora: " + box.Path("missing.GV5") + ": no such file\n");
  WriteAll(box.Path("text.GV9"), {'h', 'i'});
  EXPECT_EQ(Tool("dump " + box.Path("text.GV9")).status, 1);
  // Held by a running process (this test).
  TV7RegFileManager().WriteFileName(path);
  EXPECT_EQ(Tool("dump " + path).status, 1);
  EXPECT_EQ(Tool("upgrade " + path + " " + box.Path("copy.genvora")).status, 1);
  TV7RegFileManager().DeleteFileName(path);
  EXPECT_EQ(Tool("dump " + path).status, 0);
}

// Another process holds the file open for writing: the tool is refused,
// naming that process, while it runs; allowed once it has closed the file,
// and once it was killed without closing it (its entry is stale).
TEST_F(DatabaseCliTest, AFileHeldByAnotherProcessIsRefusedUntilItEndsEvenKilled) {
  const std::string path = testing::WriteSample(box.Path("shared"), Generation::Current);
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder closed the file");
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    std::fflush(nullptr);
    const pid_t holder = ::fork();
    if (holder == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      TGDatabaseSosa db;
      db.AssigneNomDeFichier(path);
      const char opened = db.FichierOuvrir() ? 'y' : 'n';
      if (::write(ready[1], &opened, 1) != 1) ::_exit(2);
      char go = 0;
      if (::read(release[0], &go, 1) < 0) ::_exit(2);
      db.FichierFermer(false);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char opened = 0;
    ASSERT_EQ(::read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, 'y');
    ToolRun busy = Tool("check " + path + " --repair");
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.err, "genvora: " + path + ": the file is in use by another program (process " +
                            std::to_string(holder) + ")\n");
    if (killed) {
      ::kill(holder, SIGKILL);
    } else {
      const char go = 'g';
      EXPECT_EQ(::write(release[1], &go, 1), 1);
    }
    int status = 0;
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(release[1]);
    ToolRun after = Tool("check " + path + " --repair");
    EXPECT_TRUE(after.status == 0 || after.status == 3) << after.err;
  }
}

// Files that cannot be written or read: one line naming the file, exit 1,
// and nothing changed or left beside it.
TEST_F(DatabaseCliTest, FilesThatCannotBeWrittenOrReadAreRefusedAndLeftAlone) {
  const std::string path = testing::WriteSample(box.Path("kept"), Generation::Current);
  const auto listing = [&] {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(box.Dir()))
      if (entry.path().filename() != "config") names.insert(entry.path().filename().string());  // the per-user store
    return names;
  };
  // The commands that save refuse `database` with one line naming it and
  // ending with `why`. The sample's surnames are attached to themselves:
  // the repair saves.
  const auto savesAreRefused = [&](const std::string& database, const std::string& why) {
    for (const std::string& command : {"check " + database + " --repair", "sosa " + database + " 14 --save"}) {
      ToolRun run = Tool(command);
      EXPECT_EQ(run.status, 1) << command;
      EXPECT_EQ(run.err.rfind("genvora: " + database + ": ", 0), 0u) << run.err;
      EXPECT_NE(run.err.find(why + "\n"), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  };
  const std::vector<unsigned char> before = ReadAll(path);
  const std::set<std::string> files = listing();
  ::chmod(path.c_str(), 0444);
  savesAreRefused(path, "the file is read-only");
  ::chmod(path.c_str(), 0644);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(listing(), files);
  // A folder where a database is named.
  const std::string folder = box.Path("folder.genvora");
  fs::create_directory(folder);
  for (const std::string& command : {"info " + folder, "check " + folder + " --repair", "dump " + folder}) {
    ToolRun run = Tool(command);
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_EQ(run.err, "genvora: " + folder + ": not a regular file\n") << command;
  }
  EXPECT_TRUE(fs::is_empty(folder));
  // A database in a folder without write permission: read, never saved.
  const std::string locked = box.Path("locked");
  fs::create_directory(locked);
  const std::string inside = testing::WriteSample(locked + "/kept", Generation::Current);
  const std::vector<unsigned char> insideBefore = ReadAll(inside);
  ::chmod(locked.c_str(), 0555);
  EXPECT_EQ(Tool("info " + inside).status, 0);
  savesAreRefused(inside, "the folder is read-only");
  ::chmod(locked.c_str(), 0755);
  EXPECT_EQ(ReadAll(inside), insideBefore);
  EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

TEST_F(DatabaseCliTest, DemoRunsTheMainJobOnEveryGeneration) {
  ToolRun run = Tool("demo " + box.Path("demo"));
  ASSERT_EQ(run.status, 0) << run.out;
  // One "reopened" line per generation; the upgrade report lines vary.
  std::size_t same = 0;
  for (std::size_t at = run.out.find("same records as the input"); at != std::string::npos;
       at = run.out.find("same records as the input", at + 1))
    ++same;
  EXPECT_EQ(same, 5u);
  EXPECT_EQ(run.out.find("DIFFER"), std::string::npos);
}

}  // namespace
}  // namespace genvora
