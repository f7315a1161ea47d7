// genvora person on a database file made with the engine's own writers: the
// JSON object of one person (events in order, unions, circles, names, Sosa
// number), the text form, and the refusal of codes that name no person.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Encoding.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGNom.h"
#include "tables/TGTableEvenements.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& home, const std::string& args) { return RunTool(args, "HOME=" + home); }

struct Codes {
  CodeID father, mother, person, sister, wife, unionP, child, birth, death, marriage;
};

CodeID Event(TGDatabase& db, CodeID owner, std::uint8_t type, int year) {
  TGEvenement e;
  const CodeID code = db.GetNextID();
  e.SetCodeID(code);
  e.SetProprietaire(owner);
  e.SetType(static_cast<TV5EventList>(type));
  if (year != 0) e.GetDate()->SetText(std::to_string(year));
  db.Tables().evenements->EcritData(&e);
  return code;
}

//   father x mother
//     person (Émile), sister
//   person x wife -> child; the person is the de cujus.
Codes MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  Codes c{};
  EXPECT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Durand");
  nom.EcritDans(1, db.Tables().dicoNoms);
  testing::FamilyWriter w{db};
  c.father = w.Person(0, 0, false, "Jean", 1);
  c.mother = w.Person(0, 0, true, "Anne", 1);
  w.Couple(c.father, c.mother);
  c.person = w.Person(c.father, c.mother, false, Utf8ToAnsi("Émile"), 1);
  c.sister = w.Person(c.father, c.mother, true, "Rose", 1);
  c.wife = w.Person(0, 0, true, "Lucie", 1);
  c.unionP = w.Couple(c.person, c.wife);
  c.child = w.Person(c.person, c.wife, false, "Paul", 1);
  // Written death first: the output is in order of time.
  c.death = Event(db, c.person, 12, 1880);
  c.birth = Event(db, c.person, 4, 1820);
  c.marriage = Event(db, c.unionP, 61, 1845);
  db.SetDeCujus(c.person);
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return c;
}

TEST(PersonCommandTest, OnePersonAsJsonAndText) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);

  ToolRun run = Tool(dir.Path(), "person " + path + " " + std::to_string(c.person) + " --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["code"], c.person);
  EXPECT_EQ(j["name"], "Émile Durand");
  EXPECT_EQ(j["sex"], "male");
  EXPECT_EQ(j["sosa"], "1");
  EXPECT_EQ(j["alive"], false);
  ASSERT_EQ(j["events"].size(), 2U);
  EXPECT_EQ(j["events"][0]["code"], c.birth);
  EXPECT_EQ(j["events"][0]["type"], 4);
  EXPECT_EQ(j["events"][0]["date"], "1820");
  EXPECT_EQ(j["events"][1]["code"], c.death);
  ASSERT_EQ(j["unions"].size(), 1U);
  EXPECT_EQ(j["unions"][0]["code"], c.unionP);
  EXPECT_EQ(j["unions"][0]["spouse"], c.wife);
  EXPECT_EQ(j["unions"][0]["events"], nlohmann::json::array({c.marriage}));
  EXPECT_EQ(j["unions"][0]["children"], nlohmann::json::array({c.child}));
  EXPECT_EQ(j["parents"], nlohmann::json::array({c.father, c.mother}));
  EXPECT_EQ(j["siblings"], nlohmann::json::array({c.sister}));
  EXPECT_EQ(j["children"], nlohmann::json::array({c.child}));
  EXPECT_TRUE(j["cousins"].empty());
  EXPECT_EQ(j["names"][std::to_string(c.wife)], "Lucie Durand");
  EXPECT_EQ(j["names"].size(), 6U) << "everybody named once";

  ToolRun father = Tool(dir.Path(), "person " + path + " " + std::to_string(c.father) + " --json");
  ASSERT_EQ(father.status, 0) << father.err;
  EXPECT_EQ(nlohmann::json::parse(father.out)["sosa"], "2");
  EXPECT_EQ(nlohmann::json::parse(father.out)["grandchildren"], nlohmann::json::array({c.child}));

  ToolRun text = Tool(dir.Path(), "person " + path + " " + std::to_string(c.person));
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.rfind(std::to_string(c.person) + "\tÉmile Durand\n", 0), 0U) << text.out;
  std::string sisterLine(1, '\t');
  sisterLine += std::to_string(c.sister);
  sisterLine += "\tRose Durand\n";
  EXPECT_NE(text.out.find(sisterLine), std::string::npos) << text.out;
  EXPECT_EQ(ReadAll(path), before) << "read-only";
}

TEST(PersonCommandTest, CodesThatNameNoPersonAreRefused) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  const Codes c = MakeFamily(path, dir.Path() + "/active.ini");
  struct Case {
    CodeID code;
    const char* says;
  };
  for (const Case& k : {Case{c.unionP, "is a union"}, Case{c.birth, "is an event"}, Case{999999, "no record"}}) {
    ToolRun run = Tool(dir.Path(), "person " + path + " " + std::to_string(k.code));
    EXPECT_EQ(run.status, 1) << k.says;
    EXPECT_NE(run.err.find(std::to_string(k.code)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(k.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
}

}  // namespace
}  // namespace genvora
