// genvora descendants --numbering on a database file made with the engine's
// own writers: a pivot with two unions whose children are split between
// them, and a grandson reached through both of his parents (cousins
// married). The texts, the JSON list and the refusal of a union's code.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"
#include "platform/Host.h"
#include "records/TGNom.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& home, const std::string& args) { return RunTool(args, "HOME=" + home); }

struct Codes {
  CodeID g, a, b, f, m, d, unionOfG;
};

//   W1 ─ G ─ W2         A: son of G and W2; B: daughter of G and W1
//     B     A           F: son of A and AW; M: daughter of BH and B
//     M  ─  F           D: son of F and M, reached through both
//        D
Codes MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  Codes c{};
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Durand");
  nom.EcritDans(1, db.Tables().dicoNoms);
  testing::FamilyWriter writer{db};
  auto person = [&](CodeID pere, CodeID mere, bool female, const char* prenoms) {
    return writer.Person(pere, mere, female, Utf8ToAnsi(prenoms), 1);
  };
  auto couple = [&](CodeID husband, CodeID wife) { return writer.Couple(husband, wife); };
  c.g = person(0, 0, false, "Gérard");
  const CodeID w1 = person(0, 0, true, "Wanda"), w2 = person(0, 0, true, "Wilma");
  c.unionOfG = couple(c.g, w1);
  couple(c.g, w2);
  c.a = person(c.g, w2, false, "André");
  c.b = person(c.g, w1, true, "Béatrice");
  const CodeID aw = person(0, 0, true, "Agnès"), bh = person(0, 0, false, "Bruno");
  couple(c.a, aw);
  couple(bh, c.b);
  c.f = person(c.a, aw, false, "Félix");
  c.m = person(bh, c.b, true, "Marie");
  couple(c.f, c.m);
  c.d = person(c.f, c.m, false, "Désiré");
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return c;
}

TEST(NumberingCommandTest, DescendantsNumberedInBothSystems) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);

  auto line = [](const char* number, int generation, CodeID code, const char* prenoms, const char* implex) {
    return std::string(number) + "\t" + std::to_string(generation) + "\t" + std::to_string(code) + "\t" + prenoms +
           "\tDurand\t" + implex + "\n";
  };
  ToolRun pelissier = Tool(dir.Path(), "descendants " + path + " " + std::to_string(c.g) + " --numbering pelissier");
  EXPECT_EQ(pelissier.status, 0) << pelissier.err;
  EXPECT_EQ(pelissier.out, line("", 1, c.g, "Gérard", "") + line("2A", 2, c.a, "André", "") +
                               line("1b", 2, c.b, "Béatrice", "") + line("2AA", 3, c.f, "Félix", "") +
                               line("1ba", 3, c.m, "Marie", "") + line("2AAA", 4, c.d, "Désiré", "*"));

  ToolRun aboville =
      Tool(dir.Path(), "descendants " + path + " " + std::to_string(c.g) + " --numbering aboville --json");
  EXPECT_EQ(aboville.status, 0) << aboville.err;
  const nlohmann::json expected = {
      {{"number", ""}, {"generation", 1}, {"code", c.g}, {"implex", false}},
      {{"number", "1b"}, {"generation", 2}, {"code", c.a}, {"implex", false}},
      {{"number", "2a"}, {"generation", 2}, {"code", c.b}, {"implex", false}},
      {{"number", "1b.1"}, {"generation", 3}, {"code", c.f}, {"implex", false}},
      {{"number", "2a.1"}, {"generation", 3}, {"code", c.m}, {"implex", false}},
      {{"number", "1b.1.1"}, {"generation", 4}, {"code", c.d}, {"implex", true}},
  };
  EXPECT_EQ(nlohmann::json::parse(aboville.out), expected);

  // A union's code is named for what it is; a code of nothing likewise.
  ToolRun onUnion =
      Tool(dir.Path(), "descendants " + path + " " + std::to_string(c.unionOfG) + " --numbering pelissier");
  EXPECT_EQ(onUnion.status, 1);
  EXPECT_EQ(onUnion.out, "");
  EXPECT_EQ(onUnion.err, "genvora: " + path + ": code " + std::to_string(c.unionOfG) + " is a union, not an individual\n");
  ToolRun onNothing = Tool(dir.Path(), "descendants " + path + " 9999 --numbering aboville");
  EXPECT_EQ(onNothing.status, 1);
  EXPECT_EQ(onNothing.err, "genvora: " + path + ": no record with code 9999\n");

  // --json belongs to the numbering; the basket's options do not mix with it.
  EXPECT_EQ(Tool(dir.Path(), "descendants " + path + " 1 --json").status, 2);
  EXPECT_EQ(Tool(dir.Path(), "descendants " + path + " 1 --numbering sosa").status, 2);
  EXPECT_EQ(Tool(dir.Path(), "descendants " + path + " 1 --numbering pelissier --spouses").status, 2);
  EXPECT_EQ(ReadAll(path), before);
}

}  // namespace
}  // namespace genvora
