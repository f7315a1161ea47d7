// genvora duplicates: the pairs printed as text and JSON, the options that
// choose the methods, the search in another file, and the refusals; the
// files are only read.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& config, const std::string& args) {
  return RunTool(args, "GENVORA_CONFIG_DIR=" + config);
}

struct Born {
  const char* prenoms;
  int year;  // of birth on 1 January, 0 none
  int pere;  // index of the father in the list + 1, 0 none
};

// Writes the persons, all named Martin; answers their codes.
std::vector<CodeID> MakeFile(const std::string& path, const std::string& activeFiles, const std::vector<Born>& people) {
  TGDatabaseSosa db(activeFiles);
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Martin");
  nom.EcritDans(1000, db.Tables().dicoNoms);
  testing::FamilyWriter w{db};
  std::vector<CodeID> codes;
  for (const Born& p : people) {
    const CodeID code = w.Person(p.pere != 0 ? codes[p.pere - 1] : 0, 0, false, p.prenoms, 1000);
    codes.push_back(code);
    if (p.year == 0) continue;
    TGEvenement e;
    e.SetCodeID(db.GetNextID());
    e.SetProprietaire(code);
    e.SetType(static_cast<TV5EventList>(4));
    // A simple date carries the same day on both sides.
    for (bool side : {false, true}) {
      e.GetDate()->SetDay(1, side);
      e.GetDate()->SetMonth(1, side);
      e.GetDate()->SetYear(p.year, side);
    }
    db.Tables().evenements->EcritData(&e);
  }
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return codes;
}

TEST(DuplicatesCommandTest, PairsPrintedOnceWithTheChosenMethods) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  // 0 Jean Pierre 1850 and 1 Pierre 1851: subset, two years. 2 Louis and
  // his son 3 Louis, undated. 4 Paul Henri 1900 and 5 Henri Marc 1900:
  // one name in common only.
  const std::vector<CodeID> c = MakeFile(path, dir.Path() + "/active.ini",
                                         {{"Jean Pierre", 1850, 0},
                                          {"Pierre", 1851, 0},
                                          {"Louis", 0, 0},
                                          {"Louis", 0, 3},
                                          {"Paul Henri", 1900, 0},
                                          {"Henri Marc", 1900, 0}});
  const std::vector<unsigned char> before = ReadAll(path);

  ToolRun run = Tool(config, "duplicates " + path);
  ASSERT_EQ(run.status, 0) << run.err;
  // The scan meets Jean Pierre first (alphabetical order of first names).
  EXPECT_EQ(run.out, std::to_string(c[0]) + "\tJean Pierre Martin\t1 JAN 1850\t\t" + std::to_string(c[1]) +
                         "\tPierre Martin\t1 JAN 1851\t\n1 possible duplicate pair(s)\n");

  struct Case {
    std::string options;
    std::vector<std::pair<int, int>> pairs;  // indexes into c, either order
  };
  const Case cases[] = {
      {"", {{0, 1}}},
      {"--years 0", {}},
      {"--same-year", {}},
      {"--first-names one", {{0, 1}, {4, 5}}},
      {"--first-names first", {}},
      {"--dates none", {{0, 1}}},
      {"--dates none --include-ancestry", {{0, 1}, {2, 3}}},
      {"--dates none --exclude-ancestry", {{0, 1}}},
      {"--no-events-ok", {{0, 1}}},
      // Without any test each person is paired with its first candidate:
      // Henri Marc, first in alphabetical order, for all but himself.
      {"--first-names any --dates none --include-ancestry", {{5, 0}, {2, 5}, {3, 5}, {4, 5}, {1, 5}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.options);
    run = Tool(config, "duplicates " + path + " --json " + k.options);
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json j = nlohmann::json::parse(run.out);
    std::vector<std::pair<CodeID, CodeID>> got;
    for (const auto& item : j) {
      got.emplace_back(item["a"]["code"].get<CodeID>(), item["b"]["code"].get<CodeID>());
      for (const char* side : {"a", "b"}) {
        EXPECT_TRUE(item[side].contains("name"));
        EXPECT_TRUE(item[side].contains("birth"));
        EXPECT_TRUE(item[side].contains("death"));
      }
    }
    ASSERT_EQ(got.size(), k.pairs.size()) << run.out;
    for (const auto& [x, y] : k.pairs) {
      const bool found = std::find(got.begin(), got.end(), std::pair{c[x], c[y]}) != got.end() ||
                         std::find(got.begin(), got.end(), std::pair{c[y], c[x]}) != got.end();
      EXPECT_TRUE(found) << x << "," << y << "\n" << run.out;
    }
  }
  EXPECT_EQ(ReadAll(path), before) << "duplicates only reads";
}

TEST(DuplicatesCommandTest, PersonsLookedForInAnotherFile) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/a.genvora", other = dir.Path() + "/b.genvora";
  const std::vector<CodeID> a = MakeFile(path, dir.Path() + "/active.ini", {{"Jean", 1850, 0}, {"Paul", 1800, 0}});
  const std::vector<CodeID> b =
      MakeFile(other, dir.Path() + "/active2.ini", {{"Marc", 1850, 0}, {"Paul", 1900, 0}, {"Jean", 1851, 0}});
  ToolRun run = Tool(config, "duplicates " + path + " --with " + other + " --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 1u) << run.out;
  EXPECT_EQ(j[0]["a"]["code"], a[0]);
  EXPECT_EQ(j[0]["b"]["code"], b[2]);
  EXPECT_EQ(j[0]["b"]["birth"], "1 JAN 1851");
}

TEST(DuplicatesCommandTest, Refusals) {
  RecordingHost host;
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  const std::string path = dir.Path() + "/family.genvora";
  MakeFile(path, dir.Path() + "/active.ini", {{"Jean", 1850, 0}});
  struct Case {
    std::string args;
    int status;
  };
  for (const Case& k :
       {Case{"duplicates " + path + " --years 3 --same-year", 2},
        Case{"duplicates " + path + " --same-date --same-year", 2},
        Case{"duplicates " + path + " --first-names all", 2}, Case{"duplicates " + path + " --dates some", 2},
        Case{"duplicates", 2}, Case{"duplicates " + dir.Path() + "/absent.genvora", 1},
        Case{"duplicates " + path + " --with " + dir.Path() + "/absent.genvora", 1}}) {
    SCOPED_TRACE(k.args);
    ToolRun run = Tool(config, k.args);
    EXPECT_EQ(run.status, k.status) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    if (k.status == 1) {
      EXPECT_NE(run.err.find("absent.genvora"), std::string::npos) << run.err;
    }
  }
}

}  // namespace
}  // namespace genvora
