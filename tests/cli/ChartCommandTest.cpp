// genvora chart: the three formats written whole, and the refusals (a code
// of nothing, a union's code, an unknown extension, an output that cannot be
// written), each one line with nothing left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "platform/Host.h"
#include "tests/support/FamilyWriter.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

TEST(ChartCommandTest, WritesEachFormatAndRefusesCleanly) {
  RecordingHost host;
  TempDir dir;
  const std::string path = dir.Path() + "/family.genvora";
  CodeID child = 0, unionCode = 0;
  {
    TGDatabaseSosa db(dir.Path() + "/active.ini");
    ASSERT_TRUE(db.SetAsNewFile());
    testing::FamilyWriter writer{db};
    const CodeID father = writer.Person(0, 0, false), mother = writer.Person(0, 0, true);
    unionCode = writer.Couple(father, mother);
    child = writer.Person(father, mother, false);
    ASSERT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
  }
  auto tool = [&](const std::string& args) { return RunTool("chart " + path + " " + args, "HOME=" + dir.Path()); };
  auto entries = [&] {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++n;
    return n;
  };
  const std::size_t before = entries();

  const struct {
    const char* args;
    const char* out;
    std::string header;
  } formats[] = {
      {"--ancestors", "tree.svg", "<svg"},
      {"--ancestors --style fan --generations 6", "fan.PDF", "%PDF"},
      {"--descendants --numbering aboville", "down.png", "\x89PNG\r\n\x1a\n"},
  };
  for (const auto& f : formats) {
    const std::string out = dir.Path() + "/" + f.out;
    const std::string code = std::string(f.args).find("desc") != std::string::npos ? "1" : std::to_string(child);
    ToolRun run = tool(code + " " + f.args + " -o " + out);
    EXPECT_EQ(run.status, 0) << f.out << ": " << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<unsigned char> bytes = ReadAll(out);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.substr(0, 200).find(f.header), std::string::npos) << f.out;
  }
  EXPECT_EQ(entries(), before + 3);

  const std::string svg = dir.Path() + "/x.svg";
  const struct {
    std::string args;
    int status;
    std::string err;  // the whole of stderr; empty: only one line asked
  } refusals[] = {
      {"9999 --ancestors -o " + svg, 1, "genvora: " + path + ": no record with code 9999\n"},
      {std::to_string(unionCode) + " --descendants -o " + svg, 1,
       "genvora: " + path + ": code " + std::to_string(unionCode) + " is a union, not an individual\n"},
      {std::to_string(child) + " --ancestors -o " + dir.Path() + "/x.jpg", 2, ""},
      {std::to_string(child) + " -o " + svg, 2, ""},
      {std::to_string(child) + " --ancestors --descendants -o " + svg, 2, ""},
      {std::to_string(child) + " --descendants --style fan -o " + svg, 2, ""},
      {std::to_string(child) + " --ancestors --generations 0 -o " + svg, 2, ""},
      {std::to_string(child) + " --ancestors -o " + dir.Path() + "/missing/x.svg", 1, ""},
      {std::to_string(child) + " --ancestors -o " + dir.Path() + "/missing/x.png", 1, ""},
  };
  for (const auto& r : refusals) {
    ToolRun run = tool(r.args);
    EXPECT_EQ(run.status, r.status) << r.args << "\n" << run.err;
    EXPECT_EQ(run.out, "") << r.args;
    if (!r.err.empty()) {
      EXPECT_EQ(run.err, r.err) << r.args;
    }
    if (r.status == 1) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << r.args << "\n" << run.err;
    }
    EXPECT_EQ(entries(), before + 3) << r.args;
  }
}

}  // namespace
}  // namespace genvora
