// What the tool says, on both of its outputs: texts in UTF-8 whatever the
// engine holds, damage named record by record, refusals that are visible,
// the language chosen from the environment, one command-line style.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "database/TV7RegFileManager.h"
#include "records/TGEvenement.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

const std::string kFrench = "LANG=fr_FR.UTF-8";
const std::string kEnglish = "LANG=C";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class ToolOutputTest : public ::testing::Test {
 protected:
  testing::DatabaseSandbox box;
};

// Three events, the middle one stored cut short inside its base fields.
std::string WriteEventsWithDamagedMiddle(const std::string& path, std::string& damagedBytes) {
  TGDatabase db;
  EXPECT_TRUE(db.SetAsNewFile());
  for (int i = 0; i < 3; ++i) {
    TGEvenement ev;
    const CodeID code = 20 + i;
    ev.SetCodeID(code);
    ev.SetProprietaire(5);
    ev.SetType(static_cast<TV5EventList>(4));
    ev.GetDate()->SetText("1850");
    std::string bytes = ev.EncodeToString();
    if (i == 1) {
      bytes.resize(12);
      damagedBytes = bytes;
    }
    db.Tables().evenements->EcritEvenement({5, 0, 4, code}, bytes.data(), static_cast<unsigned>(bytes.size()));
  }
  EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  return path;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[3];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

TEST_F(ToolOutputTest, DumpPrintsEverySoundRecordAndNamesTheDamagedOne) {
  std::string damagedBytes;
  const std::string path = WriteEventsWithDamagedMiddle(box.Path("events.genvora"), damagedBytes);
  const auto before = ReadAll(path);

  for (const std::string& args : {"dump " + path + " --table TGTableEvenements", "dump " + path}) {
    ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 3) << args;
    std::vector<nlohmann::json> events;
    for (const std::string& line : Lines(run.out)) {
      nlohmann::json j = nlohmann::json::parse(line);
      if (j["table"] == "TGTableEvenements") events.push_back(j);
    }
    ASSERT_EQ(events.size(), 3u) << args << "\n" << run.out;
    for (int i : {0, 2}) {
      EXPECT_EQ(events[i]["code"], 20 + i) << args;
      EXPECT_EQ(events[i]["Proprietaire"], 5) << args;
      EXPECT_FALSE(events[i].contains("damaged")) << args;
    }
    EXPECT_EQ(events[1]["code"], 21);
    EXPECT_EQ(events[1]["damaged"], true);
    EXPECT_EQ(events[1]["bytes"], Hex(damagedBytes));

    const std::vector<std::string> errors = Lines(run.err);
    ASSERT_EQ(errors.size(), 2u) << run.err;
    const std::string named = "genvora: " + path + ": damaged record TGTableEvenements 21: ";
    EXPECT_EQ(errors[0].substr(0, named.size()), named) << run.err;
    EXPECT_NE(errors[0].find("The stored record is damaged and cannot be read."), std::string::npos) << run.err;
    EXPECT_EQ(errors[1], "genvora: " + path + ": 1 damaged record(s)");
  }
  EXPECT_EQ(ReadAll(path), before) << "dump only reads";
}

TEST_F(ToolOutputTest, DumpOfATableTheFileDoesNotHoldListsThoseItHolds) {
  const std::string path = testing::WriteSample(box.Path("family"), Generation::G11);
  ToolRun run = RunTool("dump " + path + " --table TGTableNothing");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  const std::string start = "genvora: " + path + ": no table named TGTableNothing; the file holds: ";
  EXPECT_EQ(run.err.substr(0, start.size()), start) << run.err;
  for (const char* held : {"TGTableIndividus", "TGTableDicoNoms", "OrdreEnfants"})
    EXPECT_NE(run.err.find(held), std::string::npos) << held;
  // Above the file's level: not held either.
  EXPECT_EQ(RunTool("dump " + path + " --table TableNote").status, 2);
  EXPECT_EQ(RunTool("dump " + path + " --table TGTableDicoNoms").status, 0);
}

// Engine texts are Windows-1252; the tool converts them once. The French
// messages carry accented letters, which show the conversion.
TEST_F(ToolOutputTest, RefusalsAndDroppedPartsInUtf8InBothLanguages) {
  const std::string path = testing::WriteSample(box.Path("busy"), Generation::Current);
  TV7RegFileManager().WriteFileName(path);
  const std::string pid = std::to_string(getpid());
  const struct {
    std::string env, reason;
  } languages[] = {
      {kFrench, "le fichier est utilis\xC3\xA9 par un autre programme (processus " + pid + ")"},
      {kEnglish, "the file is in use by another program (process " + pid + ")"},
  };
  for (const auto& l : languages) {
    ToolRun dump = RunTool("dump " + path, l.env);
    EXPECT_EQ(dump.status, 1) << l.env;
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(dump.err, "genvora: " + path + ": " + l.reason + "\n");
    for (const char* command : {"ancestors ", "descendants "}) {
      ToolRun kin = RunTool(command + path + " 6", l.env);
      EXPECT_EQ(kin.status, 1) << command;
      EXPECT_EQ(kin.err, dump.err) << command << ": one opening, one message";
    }
    ToolRun sosa = RunTool("sosa " + path + " 6", l.env);
    EXPECT_EQ(sosa.status, 1);
    EXPECT_EQ(sosa.err, dump.err) << "sosa opens the same way";

    ToolRun info = RunTool("info --json " + path, l.env);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["tables_error"], l.reason) << l.env;
  }
  TV7RegFileManager().DeleteFileName(path);

  // A damaged later table: the forced open of info drops it and says so.
  std::vector<WrittenSection> sections;
  const std::string damaged = testing::WriteSample(box.Path("damaged"), Generation::Current, {}, &sections);
  auto bytes = ReadAll(damaged);
  for (const auto& s : sections)
    if (s.name == "TableNote") bytes[static_cast<std::size_t>(s.offset)] ^= 0xFF;  // offset 0: the block's signature
  WriteAll(damaged, bytes);
  ToolRun info = RunTool("info --json " + damaged, kFrench);
  ASSERT_EQ(info.status, 0) << info.err;
  const nlohmann::json j = nlohmann::json::parse(info.out);
  ASSERT_EQ(j["dropped"].size(), 1u) << info.out;
  const std::string dropped = j["dropped"][0];
  EXPECT_EQ(dropped.rfind("fichier endommag\xC3\xA9: TableNote", 0), 0u) << dropped;
  ToolRun dump = RunTool("dump " + damaged, kFrench);
  EXPECT_EQ(dump.status, 1);
  EXPECT_EQ(dump.err.rfind("genvora: " + damaged + ": fichier endommag\xC3\xA9: TableNote", 0), 0u) << dump.err;
}

TEST(ToolArgumentsTest, AnArgumentThatIsNotUtf8IsNamedAndRefused) {
  const struct {
    std::string args, err;
  } cases[] = {
      {"date --json '\xE9t\xE9 1850'", "genvora: argument 3 (\"\\xE9t\\xE9 1850\"): not valid UTF-8\n"},
      {"dump /tmp/caf\xE9.genvora", "genvora: argument 2 (\"/tmp/caf\\xE9.genvora\"): not valid UTF-8\n"},
      // An overlong form of "/" is no more UTF-8 than a lone byte.
      {"detect '\xC0\xAF'", "genvora: argument 2 (\"\\xC0\\xAF\"): not valid UTF-8\n"},
  };
  for (const auto& c : cases) {
    ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_EQ(run.err, c.err) << c.args;
  }
  ToolRun accented = RunTool("date --json '\xC3\xA9t\xC3\xA9 1850'");
  EXPECT_EQ(accented.status, 0) << "UTF-8 letters are welcome";
  EXPECT_EQ(nlohmann::json::parse(accented.out)["text"], "\xC3\xA9t\xC3\xA9 1850");
}

TEST(ToolDateTest, TextModeNamesEveryRefusedTextAndGoesOn) {
  ToolRun run = RunTool("date '12/03/1850' '31/02/1850' '12 mars' 'ABT 1850' 'pas une date'", kFrench);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
  EXPECT_EQ(run.err,
            "genvora: \"31/02/1850\": not a valid date\n"
            "genvora: \"12 mars\": not a valid date\n"
            "genvora: \"pas une date\": not a valid date\n");
  EXPECT_EQ(RunTool("date '12/03/1850' 'ABT 1850'", kFrench).status, 0);

  // JSON reports every text with its two flags, and refuses nothing.
  ToolRun json = RunTool("date --json '12/03/1850' '31/02/1850' 'pas une date'", kFrench);
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.err, "");
  const std::vector<std::string> lines = Lines(json.out);
  ASSERT_EQ(lines.size(), 3u);
  const bool expected[3][2] = {{true, true}, {false, false}, {false, false}};
  for (int i = 0; i < 3; ++i) {
    const nlohmann::json j = nlohmann::json::parse(lines[i]);
    EXPECT_EQ(j["decoded"], expected[i][0]) << lines[i];
    EXPECT_EQ(j["valid"], expected[i][1]) << lines[i];
  }
}

TEST(ToolDateTest, GedcomFormsAreReadInBothLanguagesAndFrenchWordsInFrench) {
  const struct {
    const char* text;
    const char* gedcom;
  } gedcom[] = {
      {"ABT 1850", "ABT 1850"},
      {"BET 1850 AND 1860", "BET 1850 AND 1860"},
      {"12 MAR 1850", "12 MAR 1850"},
      {"@#DJULIAN@ 1 JAN 1700", "@#DJULIAN@ 1 JAN 1700"},
      {"3 brumaire an II", "@#DFRENCH R@ 3 BRUM 2"},
  };
  for (const std::string& env : {kFrench, kEnglish}) {
    for (const auto& c : gedcom) {
      ToolRun run = RunTool(std::string("date --json '") + c.text + "'", env);
      ASSERT_EQ(run.status, 0) << env << " " << c.text;
      const nlohmann::json j = nlohmann::json::parse(run.out);
      EXPECT_TRUE(j["decoded"].get<bool>() && j["valid"].get<bool>()) << env << " " << c.text;
      EXPECT_EQ(j["gedcom"], c.gedcom) << env << " " << c.text;
    }
  }
  ToolRun vers = RunTool("date --json 'vers 1850'", kFrench);
  EXPECT_EQ(nlohmann::json::parse(vers.out)["gedcom"], "ABT 1850");
  ToolRun about = RunTool("date --json 'about 1850'", kEnglish);
  EXPECT_EQ(nlohmann::json::parse(about.out)["gedcom"], "ABT 1850");
}

TEST(ToolLanguageTest, TheLocaleChoosesTheLanguageAndGenvoraLangOverridesIt) {
  const struct {
    const char* env;
    const char* language;
  } cases[] = {
      {"", "EN"},
      {"LANG=fr_FR.UTF-8", "FR"},
      {"LANG=C", "EN"},
      {"LANG=en_GB.UTF-8", "EN"},
      {"LANG=C LC_MESSAGES=fr_FR.UTF-8", "FR"},
      {"LANG=fr_FR.UTF-8 LC_MESSAGES=C", "EN"},
      {"LC_ALL=C LC_MESSAGES=fr_FR.UTF-8 LANG=fr_FR.UTF-8", "EN"},
      {"LC_ALL=fr_BE LANG=C", "FR"},
      {"LC_ALL= LC_MESSAGES= LANG=fr_CA.UTF-8", "FR"},  // set but empty: the next one decides
      {"LANG=fr_FR.UTF-8 GENVORA_LANG=EN", "EN"},
      {"LC_ALL=C GENVORA_LANG=FR", "FR"},
  };
  for (const auto& c : cases) {
    ToolRun run = RunTool("info", c.env);
    EXPECT_EQ(run.status, 0) << c.env;
    EXPECT_NE(run.out.find(std::string("language\t") + c.language + "\n"), std::string::npos) << c.env << "\n" << run.out;
  }
}

TEST(ToolHelpTest, EveryCommandIsDescribedByASentence) {
  ToolRun help = RunTool("--help");
  EXPECT_EQ(help.status, 0);
  const std::vector<std::string> lines = Lines(help.out);
  auto at = std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("SUBCOMMANDS:", 0) == 0 || l.rfind("Subcommands:", 0) == 0; });
  ASSERT_NE(at, lines.end()) << help.out;
  std::vector<std::string> commands;
  for (++at; at != lines.end() && !at->empty(); ++at) {
    std::istringstream line(*at);
    std::string name, first;
    line >> name >> first;
    ASSERT_FALSE(first.empty()) << *at;
    EXPECT_TRUE(first[0] >= 'A' && first[0] <= 'Z') << *at;
    commands.push_back(name);
  }
  for (const char* command : {"info", "detect", "date", "dump", "upgrade", "demo", "sosa", "ancestors", "descendants",
                              "person", "check", "coherence", "export", "remove",
                              "duplicates", "chart", "merge"})
    EXPECT_NE(std::find(commands.begin(), commands.end(), command), commands.end()) << command << "\n" << help.out;
  for (const char* command : {"sosa", "ancestors", "descendants"}) {
    ToolRun run = RunTool(std::string(command) + " --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("FILE"), std::string::npos) << command;
    EXPECT_NE(run.out.find("CODE"), std::string::npos) << command;
    EXPECT_EQ(run.out.find("basket"), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace genvora
