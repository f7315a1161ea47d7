// genvora ancestors and genvora descendants on the demo family the tool
// writes: the lists in the order the basket gathers them, the basket options,
// the refusals, and the file and the per-user store left untouched.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& config, const std::string& args) {
  return RunTool(args, "GENVORA_CONFIG_DIR=" + config);
}

// The demo family's codes: Jean-Baptiste 6 and Élise 7, their son François 9
// and his wife Marie-Thérèse 10, their children René 12 and Angèle 13,
// René's son Noël 14. Angèle witnessed François's birth.
TEST(KinshipCommandTest, AncestorsAndDescendantsOfTheDemoFamily) {
  TempDir dir;
  const std::string config = dir.Path() + "/config";
  ASSERT_EQ(Tool(config, "demo " + dir.Path() + "/family").status, 0);
  const std::string upgraded = dir.Path() + "/family/famille-GV5-upgraded.genvora";
  const std::string g12 = dir.Path() + "/family/famille.G12";
  const std::vector<unsigned char> before = ReadAll(upgraded);
  std::filesystem::remove_all(config);

  const std::string rene = "12\tRené\tde la Fontaine\n";
  const std::string francois = "9\tFrançois\tde la Fontaine\n";
  const std::string jean = "6\tJean-Baptiste\tde la Fontaine\n";
  const std::string elise = "7\tÉlise Adélaïde\tLefèvre\n";
  const std::string marie = "10\tMarie-Thérèse\td'Upré\n";
  const std::string angele = "13\tAngèle\tde la Fontaine\n";
  const std::string noel = "14\tNoël\tde la Fontaine\n";
  struct Case {
    std::string args;
    std::string out;
  };
  const Case cases[] = {
      // Depth-first, the father's line first, then the person.
      {"ancestors " + upgraded + " 14", rene + francois + jean + elise + marie + noel},
      // The witness of François's birth comes with him.
      {"ancestors " + upgraded + " 14 --witnesses", rene + francois + jean + elise + marie + noel + angele},
      {"ancestors " + g12 + " 6", jean},
      // Each person's children before its spouses; the person last.
      {"descendants " + g12 + " 6", francois + rene + noel + angele + marie + elise + jean},
      {"descendants " + upgraded + " 12 --spouses", noel + rene},
  };
  for (const Case& c : cases) {
    ToolRun run = Tool(config, c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
  }

  EXPECT_EQ(Tool(config, "ancestors " + upgraded + " 15").status, 1);  // an event, not a person
  EXPECT_EQ(Tool(config, "descendants " + dir.Path() + "/absent.genvora 6").status, 1);
  EXPECT_EQ(Tool(config, "ancestors " + upgraded).status, 2);
  // Only read: the file as it was, no history, no list of files in use.
  EXPECT_EQ(ReadAll(upgraded), before);
  EXPECT_FALSE(std::filesystem::exists(config));
}

}  // namespace
}  // namespace genvora
