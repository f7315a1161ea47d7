// genvora coherence: the findings of a small family written with the
// engine, as JSON and text, the thresholds changed for one run, the
// accepted persons, --accept with its safe save and --dry-run, the
// refusals, and the demo family, whose dates give no finding.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& config, const std::string& args) {
  return RunTool(args, "GENVORA_CONFIG_DIR=" + config);
}

struct Codes {
  CodeID old, mother, child, fine;
};

// Adam Bernard died at 95 (one finding: age at death). Berthe Bernard bore
// Claude at 12 (one finding on each: the mother's age at the birth, her age
// at the child's birth). Denise Bernard has nothing wrong.
Codes MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Bernard");
  nom.EcritDans(1, db.Tables().dicoNoms);
  testing::FamilyWriter w{db};
  Codes c{};
  c.old = w.Person(0, 0, false, "Adam", 1);
  w.Event(c.old, 4, 1, 1, 1800);
  w.Event(c.old, 12, 1, 6, 1895);
  c.mother = w.Person(0, 0, true, "Berthe", 1);
  w.Event(c.mother, 4, 1, 1, 1900);
  c.child = w.Person(0, c.mother, false, "Claude", 1);
  w.Event(c.child, 4, 1, 6, 1912);
  c.fine = w.Person(0, 0, true, "Denise", 1);
  w.Event(c.fine, 4, 1, 1, 1850);
  w.Event(c.fine, 12, 1, 1, 1920);
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return c;
}

// A person that cannot be loaded (its surname is missing) is named on
// stderr; the persons after it are still checked.
TEST(CoherenceCommandTest, APersonThatCannotBeLoadedDoesNotSilenceTheOthers) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  CodeID broken = 0, old = 0;
  {
    TGDatabaseSosa db(dir.Path() + "/active.ini");
    ASSERT_TRUE(db.SetAsNewFile());
    TGNom nom;
    nom.SetNom("Bernard");
    nom.EcritDans(1, db.Tables().dicoNoms);
    testing::FamilyWriter w{db};
    broken = w.Person(0, 0, false, "Bruno", 99);
    old = w.Person(0, 0, false, "Adam", 1);
    w.Event(old, 4, 1, 1, 1800);
    w.Event(old, 12, 1, 6, 1895);
    ASSERT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  }
  ToolRun run = Tool(dir.Path() + "/config",
                     "coherence " + path + " " + std::to_string(broken) + " " + std::to_string(old) + " --json");
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("individual " + std::to_string(broken)), std::string::npos) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 1U) << run.out;
  EXPECT_EQ(j[0]["code"], old);
  EXPECT_EQ(j[0]["coherent"], false) << "died at 95";
}

TEST(CoherenceCommandTest, FindingsAsJsonAndTextAndTheFileLeftAlone) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);

  ToolRun run = Tool(config, "coherence " + path + " --json --completeness");
  ASSERT_EQ(run.status, 3) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 4u);
  // Alphabetical: Adam, Berthe, Claude, Denise.
  EXPECT_EQ(j[0]["code"], c.old);
  EXPECT_EQ(j[0]["name"], "Adam Bernard");
  EXPECT_EQ(j[0]["coherent"], false);
  EXPECT_EQ(j[0]["accepted"], false);
  ASSERT_EQ(j[0]["findings"].size(), 1u);
  EXPECT_EQ(j[0]["findings"][0]["rule"], "age-at-death");
  EXPECT_EQ(j[0]["findings"][0]["codes"][0], c.old);
  EXPECT_EQ(j[0]["findings"][0]["line"], "95 years: age at death of this man");
  EXPECT_EQ(j[1]["code"], c.mother);
  EXPECT_EQ(j[1]["findings"][0]["rule"], "age-at-child-birth");
  EXPECT_EQ(j[1]["findings"][0]["codes"][1], c.child);
  EXPECT_EQ(j[2]["code"], c.child);
  EXPECT_EQ(j[2]["findings"][0]["rule"], "mother-age-at-birth");
  EXPECT_EQ(j[3]["code"], c.fine);
  EXPECT_EQ(j[3]["coherent"], true);
  EXPECT_TRUE(j[3]["findings"].empty());
  // Denise: dated births and deaths without places are partly complete;
  // no union, though old enough for one.
  EXPECT_EQ(j[3]["birth"], 1);
  EXPECT_EQ(j[3]["union"], 0);
  EXPECT_EQ(j[3]["death"], 1);
  EXPECT_EQ(j[3]["complete"], false);

  run = Tool(config, "coherence " + path);
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, std::to_string(c.old) + "\tAdam Bernard\n\t95 years: age at death of this man\n" +
                         std::to_string(c.mother) + "\tBerthe Bernard\n\tAged 12 years at the birth of Claude Bernard.\n" +
                         std::to_string(c.child) +
                         "\tClaude Bernard\n\tAt the time of the birth, 12 years: the mother's age\n"
                         "4 person(s) examined, 3 with findings, 3 finding(s)\n");
  run = Tool(config, "coherence " + path + " " + std::to_string(c.old));
  EXPECT_EQ(run.status, 3);
  run = Tool(config, "coherence " + path + " " + std::to_string(c.fine));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "1 person(s) examined, 0 with findings, 0 finding(s)\n");

  // French texts.
  run = RunTool("coherence " + path + " " + std::to_string(c.old), "GENVORA_CONFIG_DIR=" + config + " GENVORA_LANG=FR");
  EXPECT_NE(run.out.find("95 ans : âge au décès de cet homme"), std::string::npos) << run.out;

  // Thresholds for one run; the store is neither written nor created.
  run = Tool(config, "coherence " + path + " --set max-age-death-man=95 --set min-age-mother=12 --json");
  EXPECT_EQ(run.status, 0) << run.out;
  run = Tool(config, "coherence " + path + " --set min-age-mother=12");
  EXPECT_EQ(run.status, 3);
  EXPECT_FALSE(std::filesystem::exists(config));
  EXPECT_EQ(ReadAll(path), before);

  // The per-user thresholds are read.
  std::filesystem::create_directories(config);
  {
    TPreferenceGenvora5 prefs(config + "/genvora.ini");
    prefs.SetAgeMaxHomme(99);
    ASSERT_TRUE(prefs.SauveControles());
  }
  run = Tool(config, "coherence " + path + " " + std::to_string(c.old));
  EXPECT_EQ(run.status, 0) << run.out;

  // Refusals.
  run = Tool(config, "coherence " + path + " 9999");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(path), std::string::npos);
  EXPECT_NE(run.err.find("9999"), std::string::npos);
  EXPECT_EQ(Tool(config, "coherence " + path + " --set no-such=1").status, 2);
  EXPECT_EQ(Tool(config, "coherence " + path + " --set min-age-mother=old").status, 2);
  EXPECT_EQ(Tool(config, "coherence " + path + " --set incomplete-without-place=2").status, 2);
  EXPECT_EQ(Tool(config, "coherence " + path + " --dry-run").status, 2);
  EXPECT_EQ(Tool(config, "coherence " + dir.Path() + "/absent.genvora").status, 1);
  EXPECT_EQ(ReadAll(path), before);
}

TEST(CoherenceCommandTest, AcceptMarksPersonsAndSavesWithABackup) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);

  ToolRun run = Tool(config, "coherence " + path + " --accept " + std::to_string(c.old) + " --dry-run");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Adam Bernard\taccepted"), std::string::npos);
  EXPECT_EQ(ReadAll(path), before) << "a dry run writes nothing";

  // An unknown code refuses the whole request before any change.
  run = Tool(config, "coherence " + path + " --accept " + std::to_string(c.old) + " 9999");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("9999"), std::string::npos);
  EXPECT_EQ(ReadAll(path), before);

  run = Tool(config, "coherence " + path + " --accept " + std::to_string(c.old) + " " + std::to_string(c.child));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(ReadAll(path), before);
  bool backup = false;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    backup = backup || (entry.is_regular_file() && ReadAll(entry.path().string()) == before);
  EXPECT_TRUE(backup) << "the previous file is kept";

  // Accepted persons are passed over unless --all.
  run = Tool(config, "coherence " + path + " --json");
  EXPECT_EQ(run.status, 3);
  nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 2u);
  EXPECT_EQ(j[0]["code"], c.mother);
  run = Tool(config, "coherence " + path + " --json --all");
  j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 4u);
  EXPECT_EQ(j[0]["accepted"], true);
  EXPECT_EQ(j[0]["coherent"], false);
  EXPECT_EQ(j[0]["findings"][0]["rule"], "age-at-death");
  // The last incoherent person accepted: nothing left to find.
  run = Tool(config, "coherence " + path + " --accept " + std::to_string(c.mother));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Tool(config, "coherence " + path).status, 0);
}

// The demo family's codes: Jean-Baptiste 6 and Élise 7, their son François
// 9 and his wife Marie-Thérèse 10, their children René 12 and Angèle 13,
// René's son Noël 14.
TEST(CoherenceCommandTest, TheDemoFamilyHasNoIncoherence) {
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  ASSERT_EQ(Tool(config, "demo " + dir.Path() + "/family").status, 0);
  const std::string g12 = dir.Path() + "/family/famille.G12";
  // Only three dates: François born 3 brumaire an II (24 October 1793),
  // Jean-Baptiste died about 1850 and Noël born 25 December 1901. No rule
  // can compare two of them: Jean-Baptiste has no birth, so no age at death
  // or at François's birth; his death 56 years after François's birth is no
  // "father dead before the birth"; Noël's father René and every mother are
  // undated, and no union has an event.
  ToolRun run = Tool(config, "coherence " + g12 + " --json --completeness");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 7u);
  std::map<int, nlohmann::json> byCode;
  for (const auto& p : j) {
    EXPECT_EQ(p["coherent"], true) << p.dump();
    EXPECT_TRUE(p["findings"].empty()) << p.dump();
    byCode[p["code"].get<int>()] = p;
  }
  // François: a dated, placed birth (complete); a union without any event
  // (incomplete); born over 90 years ago without death record (incomplete).
  EXPECT_EQ(byCode[9]["birth"], 2);
  EXPECT_EQ(byCode[9]["union"], 0);
  EXPECT_EQ(byCode[9]["death"], 0);
  // Jean-Baptiste: no birth; "about 1850" at Nancy is partly complete.
  EXPECT_EQ(byCode[6]["birth"], 0);
  EXPECT_EQ(byCode[6]["death"], 1);
  // Noël: born 1901, no union and no death recorded although both are due.
  EXPECT_EQ(byCode[14]["birth"], 2);
  EXPECT_EQ(byCode[14]["union"], 0);
  EXPECT_EQ(byCode[14]["death"], 0);
  for (const auto& [code, p] : byCode) EXPECT_EQ(p["complete"], false) << code;
}

}  // namespace
}  // namespace genvora
