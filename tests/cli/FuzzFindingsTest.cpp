// Every input that ever crashed the database fuzz target, opened by the tool
// as a user would: each command answers with a result, a refusal naming the
// file, or its findings, never with a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

// The fuzz target's own reading of an input: the first byte picks the
// extension, the rest is the file.
constexpr const char* kExtensions[] = {".GV5", ".GV7", ".GV8", ".GV9", ".G11", ".G12", ".genvora"};

std::vector<std::filesystem::path> Findings() {
  std::vector<std::filesystem::path> found;
  const std::filesystem::path corpus = std::filesystem::path(GENVORA_SOURCE_DIR) / "fuzz/corpus/database";
  for (const auto& entry : std::filesystem::directory_iterator(corpus))
    if (entry.path().filename().string().rfind("crash-", 0) == 0) found.push_back(entry.path());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(FuzzFindings, EveryCommandAnswersWithoutCrashing) {
  const auto findings = Findings();
  ASSERT_FALSE(findings.empty());
  TempDir dir;
  const std::string env = "GENVORA_CONFIG_DIR=" + dir.Path() + "/config";
  for (const auto& finding : findings) {
    SCOPED_TRACE(finding.filename().string());
    std::ifstream in(finding, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    const auto selector = static_cast<unsigned char>(bytes[0]);
    const std::string path = dir.Path() + "/input" + kExtensions[selector % std::size(kExtensions)];
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data() + 1, static_cast<std::streamsize>(bytes.size() - 1));
    }
    const std::string upgraded = dir.Path() + "/upgraded.genvora";
    for (const std::string& command : {"info " + path, "info --json " + path, "dump " + path,
                                       "upgrade " + path + " " + upgraded, "sosa " + path + " 1",
                                       "ancestors " + path + " 1"}) {
      SCOPED_TRACE(command);
      const ToolRun run = RunTool(command, env);
      EXPECT_TRUE(run.status == 0 || run.status == 1 || run.status == 3) << run.status << "\n" << run.err;
      if (run.status == 1) {
        EXPECT_NE(run.err.find("genvora: "), std::string::npos) << run.err;
      }
      std::filesystem::remove(upgraded);
    }
  }
}

}  // namespace
}  // namespace genvora
