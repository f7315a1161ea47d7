// genvora remove: what it prints, the safe save with its backup, --dry-run
// writing nothing, and the refusals that leave the file untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& config, const std::string& args) {
  return RunTool(args, "GENVORA_CONFIG_DIR=" + config);
}

struct Codes {
  CodeID father, mother, child, witness, uni, shared, link;
};

// Father x Mother, child Child; the father owns a shared event that Witness
// attends. The surname is 1000, a code of the wrong kind.
Codes MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Bernard");
  nom.EcritDans(1000, db.Tables().dicoNoms);
  testing::FamilyWriter w{db};
  Codes c{};
  c.father = w.Person(0, 0, false, "Adam", 1000);
  c.mother = w.Person(0, 0, true, "Berthe", 1000);
  c.child = w.Person(c.father, c.mother, false, "Claude", 1000);
  c.witness = w.Person(0, 0, false, "Denis", 1000);
  c.uni = w.Couple(c.father, c.mother);
  TGEvenement e;
  c.shared = db.GetNextID();
  e.SetCodeID(c.shared);
  e.SetProprietaire(c.father);
  e.SetType(static_cast<TV5EventList>(20));
  e.SetPartage(true);
  db.Tables().evenements->EcritData(&e);
  TGLien l;
  c.link = db.GetNextID();
  l.SetCodeID(c.link);
  l.SetLienDe(c.witness);
  l.SetLienVers(c.shared);
  l.SetType(101);
  db.Tables().liens->EcritData(&l);
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return c;
}

TEST(RemoveCommandTest, PrintsChangesAndSavesWithABackupUnlessDryRun) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);
  const std::string expected = "handed event " + std::to_string(c.shared) + " to " + std::to_string(c.witness) +
                               "\ncleared father of " + std::to_string(c.child) + "\nremoved individual " +
                               std::to_string(c.father) + "\nremoved union " + std::to_string(c.uni) + "\n";

  ToolRun run = Tool(config, "remove " + path + " " + std::to_string(c.father) + " --dry-run");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected + "nothing written (--dry-run)\n");
  EXPECT_EQ(ReadAll(path), before) << "a dry run writes nothing";

  run = Tool(config, "remove " + path + " " + std::to_string(c.father));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);
  EXPECT_NE(ReadAll(path), before);
  bool backup = false;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    backup = backup || (entry.is_regular_file() && ReadAll(entry.path().string()) == before);
  EXPECT_TRUE(backup) << "the previous file is kept";

  // Read back: the father gone, the rest as handed over.
  TGDatabaseSosa db(dir.Path() + "/active2.ini");
  db.ReadOnly = true;
  ASSERT_TRUE(db.AssigneNomDeFichier(path));
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  EXPECT_FALSE(db.EstIndividu(c.father));
  EXPECT_FALSE(db.EstUnion(c.uni));
  EXPECT_TRUE(db.EstIndividu(c.mother));
  TGEvenement e;
  ASSERT_TRUE(e.LitDans(c.shared, db.Tables().evenements));
  EXPECT_EQ(e.GetProprietaire(), c.witness);
  TGIndividu child;
  ASSERT_TRUE(child.LitDans(c.child, db.Tables().individus));
  EXPECT_EQ(child.GetCodePere(), 0u);
  EXPECT_EQ(child.GetCodeMere(), c.mother);
}

TEST(RemoveCommandTest, RefusalsLeaveTheFileUntouched) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);
  struct Case {
    std::string args;
    int status;
    std::string named;  // in the error line
  };
  for (const Case& k : {Case{"remove " + path + " 99999", 1, "99999"},
                        Case{"remove " + path + " " + std::to_string(c.link), 1, std::to_string(c.link)},
                        Case{"remove " + path + " 1000", 1, "code 1000 "}, Case{"remove " + path, 2, ""},
                        Case{"remove " + path + " abc", 2, ""}, Case{"remove " + path + " 3 --force", 2, ""}}) {
    SCOPED_TRACE(k.args);
    ToolRun run = Tool(config, k.args);
    EXPECT_EQ(run.status, k.status) << run.err;
    if (!k.named.empty()) {
      EXPECT_NE(run.err.find(k.named), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(ReadAll(path), before);
  }
}

// The demo family (media, documents, notes, addresses, witnesses): after
// each removal the file controller finds nothing it did not find before.
// Codes: Jean-Baptiste 6, François 9 (his union 11, its event 15), Noël 14.
// A union removed alone is the exception: its children keep both parents,
// and the controller makes a union for those parents again.
TEST(RemoveCommandTest, FileControllerFindsNothingNewAfterARemoval) {
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  ASSERT_EQ(Tool(config, "demo " + dir.Path() + "/family").status, 0);
  const std::string original = dir.Path() + "/family/famille.genvora";
  auto findings = [&](const std::string& path) {
    std::set<std::string> lines;
    ToolRun run = Tool(config, "check " + path);
    EXPECT_NE(run.status, 1) << run.err;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
      // Without the path, and without the counts that a removal lowers.
      line = line.substr(line.find(": ") + 2);
      if (line.find("summary:") == std::string::npos && line.find("change") == std::string::npos) lines.insert(line);
    }
    return lines;
  };
  const std::set<std::string> before = findings(original);
  for (const char* code : {"6", "9", "14", "15", "11"}) {
    SCOPED_TRACE(code);
    const std::string path = dir.Path() + "/removed-" + code + ".genvora";
    std::filesystem::copy_file(original, path);
    ToolRun run = Tool(config, "remove " + path + " " + code);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(std::string(" ") + code + "\n"), std::string::npos) << run.out;
    for (const std::string& line : findings(path)) {
      if (std::string(code) == "11" && line.find("Union created for the parents of") != std::string::npos) continue;
      EXPECT_EQ(before.count(line), 1u) << line;
    }
  }
}

}  // namespace
}  // namespace genvora
