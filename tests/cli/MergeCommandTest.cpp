// genvora merge: the grid listed as text and JSON, the default, --prefer b
// and --choices merges saved with a backup, --dry-run writing nothing, and
// the refusals that leave the file untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& config, const std::string& args) {
  return RunTool(args, "GENVORA_CONFIG_DIR=" + config);
}

struct Codes {
  CodeID a, b, child;
};

// A "Jean Pierre" (user field 2 "Paris") and B "Pierre Louis" (user field 2
// "Lyon", alias "Jeannot"), B with a child. The surname is 1000.
Codes MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Bernard");
  nom.EcritDans(1000, db.Tables().dicoNoms);
  testing::FamilyWriter w{db};
  Codes c{};
  c.a = w.Person(0, 0, false, "Jean Pierre", 1000);
  c.b = w.Person(0, 0, false, "Pierre Louis", 1000);
  c.child = w.Person(c.b, 0, true, "Claire", 1000);
  for (auto [code, city] : {std::pair{c.a, "Paris"}, std::pair{c.b, "Lyon"}}) {
    TGIndividu i;
    EXPECT_TRUE(i.LitDans(code, db.Tables().individus));
    i.SetUserFieldValue(2, city);
    if (code == c.b) i.SetChar(8, "Jeannot");
    db.Tables().individus->EcritData(&i);
  }
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return c;
}

struct Merged {
  AnsiString prenoms, user2, alias;
  CodeID childFather;
  bool bGone;
};

Merged ReadBack(const std::string& path, const std::string& active, const Codes& c) {
  TGDatabaseSosa db(active);
  db.ReadOnly = true;
  EXPECT_TRUE(db.AssigneNomDeFichier(path));
  EXPECT_TRUE(db.FichierOuvrir()) << db.LastReason();
  TGIndividu a, child;
  EXPECT_TRUE(a.LitDans(c.a, db.Tables().individus));
  EXPECT_TRUE(child.LitDans(c.child, db.Tables().individus));
  return {a.GetChar(5), a.GetUserFieldValue(2), a.GetChar(8), child.GetCodePere(), !db.EstIndividu(c.b)};
}

struct MergeFile {
  MergeFile() : config(dir.Path() + "/config"), path(dir.Path() + "/family.genvora") {
    c = MakeFamily(path, dir.Path() + "/active.ini");
    before = ReadAll(path);
  }
  std::string Args(const std::string& rest) const {
    return "merge " + path + " " + std::to_string(c.a) + " " + std::to_string(c.b) + rest;
  }
  RecordingHost host;
  TempDir dir;
  std::string config, path;
  Codes c{};
  std::vector<unsigned char> before;
};

TEST(MergeCommandTest, ListsTheGridAsTextAndJson) {
  MergeFile s;
  ToolRun run = Tool(s.config, s.Args(" --list"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("first names\t0\tJean Pierre\tPierre Louis\tdiffers\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("surname\t0\tBernard\tBernard\tsame\n"), std::string::npos) << run.out;
  run = Tool(s.config, s.Args(" --list --json"));
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json lines = nlohmann::json::parse(run.out);
  ASSERT_TRUE(lines.is_array());
  EXPECT_EQ(lines[0]["line"], 0);
  EXPECT_EQ(lines[0]["field"], "individual");
  bool child = false;
  for (const auto& l : lines)
    if (l["field"] == "child") {
      child = true;
      EXPECT_TRUE(l["aEmpty"].get<bool>());
      EXPECT_FALSE(l["identical"].get<bool>());
    }
  EXPECT_TRUE(child);
  EXPECT_EQ(ReadAll(s.path), s.before) << "listing writes nothing";
}

// The selections and what they leave in A.
TEST(MergeCommandTest, DefaultPreferAndChoicesSaveWithABackup) {
  struct Case {
    const char* what;
    std::string options;  // after the codes
    std::string choices;  // the choices file's text, when used
    Merged expected;
  };
  const Case cases[] = {
      {"default", "", "", {"Jean Pierre", "Paris", "Jeannot", 0, true}},
      {"prefer b", " --prefer b", "", {"Pierre Louis", "Lyon", "Jeannot", 0, true}},
      {"choices", "", R"([{"line": 2, "a": true, "b": true}, {"line": 3, "a": true, "b": true}])",
       {"Jean Pierre Louis", "Paris - Lyon", "Jeannot", 0, true}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MergeFile s;
    std::string options = k.options;
    if (!k.choices.empty()) {
      // The lines of the two joined fields, as --list numbers them.
      ToolRun list = Tool(s.config, s.Args(" --list --json"));
      const nlohmann::json lines = nlohmann::json::parse(list.out);
      nlohmann::json choices = nlohmann::json::array();
      for (const auto& l : lines)
        if (l["field"] == "first names" || (l["field"] == "user field" && l["a"] == "Paris"))
          choices.push_back({{"line", l["line"]}, {"a", true}, {"b", true}});
      ASSERT_EQ(choices.size(), 2u);
      std::ofstream(s.dir.Path() + "/choices.json") << choices.dump();
      options += " --choices " + s.dir.Path() + "/choices.json";
    }
    ToolRun run = Tool(s.config, s.Args(options + " --dry-run"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("removed individual " + std::to_string(s.c.b) + "\nnothing written (--dry-run)\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadAll(s.path), s.before) << "a dry run writes nothing";

    run = Tool(s.config, s.Args(options));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("line "), std::string::npos) << run.out;
    bool backup = false;
    for (const auto& entry : std::filesystem::directory_iterator(s.dir.Path()))
      backup = backup || (entry.is_regular_file() && ReadAll(entry.path().string()) == s.before);
    EXPECT_TRUE(backup) << "the previous file is kept";
    const Merged m = ReadBack(s.path, s.dir.Path() + "/active2.ini", s.c);
    EXPECT_EQ(m.prenoms, k.expected.prenoms);
    EXPECT_EQ(m.user2, k.expected.user2);
    EXPECT_EQ(m.alias, k.expected.alias);
    EXPECT_EQ(m.childFather, s.c.a);
    EXPECT_TRUE(m.bGone);
  }
}

TEST(MergeCommandTest, RefusalsLeaveTheFileUntouched) {
  MergeFile s;
  const std::string bad = s.dir.Path() + "/bad.json", outside = s.dir.Path() + "/outside.json",
                    notList = s.dir.Path() + "/object.json";
  std::ofstream(bad) << "[{\"line\": 1,";
  std::ofstream(outside) << R"([{"line": 999, "a": true}])";
  std::ofstream(notList) << R"({"line": 1})";
  const std::string a = std::to_string(s.c.a), b = std::to_string(s.c.b);
  struct Case {
    std::string args;
    int status;
    std::string named;  // in the error line
  };
  for (const Case& k :
       {Case{"merge " + s.path + " " + a + " " + a, 2, "same individual"},
        Case{"merge " + s.path + " " + a + " 1000", 1, "code 1000 is a surname"},
        Case{"merge " + s.path + " 99999 " + b, 1, "99999"},
        Case{s.Args(" --choices " + bad), 1, "not a JSON list"},
        Case{s.Args(" --choices " + notList), 1, "not a JSON list"},
        Case{s.Args(" --choices " + outside), 1, "line 999"},
        Case{s.Args(" --choices " + s.dir.Path() + "/missing.json"), 1, "missing.json"},
        Case{s.Args(" --prefer c"), 2, ""}, Case{s.Args(" --json"), 2, ""}, Case{s.Args(" --list --dry-run"), 2, ""}}) {
    SCOPED_TRACE(k.args);
    ToolRun run = Tool(s.config, k.args);
    EXPECT_EQ(run.status, k.status) << run.err;
    if (!k.named.empty()) {
      EXPECT_NE(run.err.find(k.named), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(ReadAll(s.path), s.before);
  }
}

}  // namespace
}  // namespace genvora
