// genvora sosa on a database file made with the engine's own writers: the
// numbers printed, the file left alone without --save, and the numbers
// saved with the file and read back unchanged with it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "tests/support/ToolRun.h"
#include "computations/SosaTestSupport.h"
#include "computations/TV5SosaMaker.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"
#include "platform/Host.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& home, const std::string& args, const std::string& env = {}) {
  return RunTool(args, "HOME=" + home + " " + env);
}

// Cousins married: D's parents F and M share the grandparents G1 and G2.
// Codes: surname 1; D 10, F 11, M 12, FF 13, MM 14, G1 15, G2 16.
void MakeFamily(const std::string& path, const std::string& activeFiles) {
  TGDatabaseSosa db(activeFiles);
  ASSERT_TRUE(db.SetAsNewFile());
  TGNom nom;
  nom.SetNom("Durand");
  nom.EcritDans(1, db.Tables().dicoNoms);
  struct Person {
    CodeID code, pere, mere;
    const char* prenoms;
  };
  const Person people[] = {{10, 11, 12, "Désiré"}, {11, 13, 0, "Félix"}, {12, 0, 14, "Marie"},
                           {13, 15, 16, "Fernand"}, {14, 15, 16, "Marthe"}, {15, 0, 0, "Gustave"},
                           {16, 0, 0, "Germaine"}};
  for (const Person& p : people) {
    TGIndividu individu;
    individu.SetCodePere(p.pere);
    individu.SetCodeMere(p.mere);
    individu.SetCodeNom(1);
    individu.SetChar(5, Utf8ToAnsi(p.prenoms));
    individu.EcritDans(p.code, db.Tables().individus);
    SosaAncestryEntry entry{p.code, p.pere, p.mere};
    db.Tables().QuickList()->AddItem(&entry, sizeof entry);
  }
  ASSERT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
}

TEST(SosaCommandTest, NumbersPrintedInOrderAndSavedOnlyWhenAsked) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  MakeFamily(path, dir.Path() + "/active.ini");
  const std::vector<unsigned char> before = ReadAll(path);

  ToolRun run = Tool(dir.Path(), "sosa " + path + " 10");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "1\t1\t10\tDésiré\tDurand\n"
            "2\t2\t11\tFélix\tDurand\n"
            "3\t2\t12\tMarie\tDurand\n"
            "4\t3\t13\tFernand\tDurand\n"
            "7\t3\t14\tMarthe\tDurand\n"
            "8\t4\t15\tGustave\tDurand\n"
            "9\t4\t16\tGermaine\tDurand\n");
  EXPECT_EQ(ReadAll(path), before);
  // --root is the older spelling of the person's code.
  EXPECT_EQ(Tool(dir.Path(), "sosa " + path + " --root 10").out, run.out);

  run = Tool(dir.Path(), "sosa " + path + " --root 10 --mode full --json");
  ASSERT_EQ(run.status, 0);
  nlohmann::json j = nlohmann::json::parse(run.out);
  std::vector<std::string> numbers;
  for (const auto& item : j) numbers.push_back(item["number"].get<std::string>());
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3", "4", "7", "8", "9", "14", "15"}));
  EXPECT_EQ(j[5]["code"], 15);
  EXPECT_EQ(j[5]["occurrences"], 2);
  EXPECT_EQ(j[5]["generation"], 4);

  run = Tool(dir.Path(), "sosa " + path + " --root 10 --mode star --json");
  j = nlohmann::json::parse(run.out);
  ASSERT_EQ(j.size(), 7U);
  EXPECT_EQ(j[5]["number"], "8");
  EXPECT_EQ(j[5]["occurrences"], 1);

  run = Tool(dir.Path(), "sosa " + path + " 999");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "genvora: " + path + ": no individual 999\n");
  for (const char* bad : {" 10 --mode other", "", " 10 --root 11"}) {
    run = Tool(dir.Path(), "sosa " + path + bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
    EXPECT_NE(run.err, "") << bad;
  }
  EXPECT_EQ(ReadAll(path), before);

  // A save that fails says why, in UTF-8 like every engine text, and leaves
  // the file as it was.
  std::filesystem::create_directory(path + ".tmpsav");
  run = Tool(dir.Path(), "sosa " + path + " 10 --save", "LANG=fr_FR.UTF-8");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "genvora: " + path + ": not saved: Impossible de cr\xC3\xA9" "er le fichier temporaire "
                     "d'enregistrement. " + path + ".tmpsav: Is a directory\n");
  EXPECT_EQ(ReadAll(path), before);
  std::filesystem::remove(path + ".tmpsav");

  // --save: the de cujus and the full numbering go with the file.
  run = Tool(dir.Path(), "sosa " + path + " 10 --mode full --save");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(ReadAll(path), before);
  TGDatabaseSosa db(dir.Path() + "/active.ini");
  db.ReadOnly = true;
  db.AssigneNomDeFichier(path);
  ASSERT_TRUE(db.FichierOuvrir()) << db.LastReason();
  EXPECT_EQ(db.Header.GetDeCujus(), 10U);
  TV5SosaMaker reread;
  reread.SetFiler(&db);
  std::vector<std::string> stored;
  for (const SosaRow& row : RowsOf(reread)) stored.push_back(row.number);
  EXPECT_EQ(stored, (std::vector<std::string>{"1", "2", "3", "4", "7", "8", "9", "14", "15"}));
  // The full numbering's two numbers of G1 travel as two records.
  std::size_t g1Numbers = 0;
  for (const SosaRow& row : RowsOf(reread)) g1Numbers += row.code == 15 ? 1 : 0;
  EXPECT_EQ(g1Numbers, 2U);
}

}  // namespace
}  // namespace genvora
