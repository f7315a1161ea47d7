// The tool's detect and info commands on files made here.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>

#include "../database/HeaderFixtures.h"
#include "TestSupport.h"
#include "tests/support/ToolRun.h"

namespace genvora {
namespace {

ToolRun Tool(const std::string& args) { return RunTool(args); }

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d_ = dir_.Path();
    WriteAll(d_ + "/db.genvora", fixtures::ChunkedHeader(300));
    WriteAll(d_ + "/old.gv9", fixtures::LegacyBlockA());
    WriteAll(d_ + "/newer.genvora", fixtures::ChunkedHeader(301));
    WriteAll(d_ + "/short.gv9", std::vector<unsigned char>(15, 'x'));
    sqlite3* db = nullptr;
    sqlite3_open((d_ + "/new.sqlite").c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE Preferences(DatabaseVersion INTEGER);"
                 "INSERT INTO Preferences VALUES(1501); INSERT INTO Preferences VALUES(7);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  TempDir dir_;
  std::string d_;
};

TEST_F(CliTest, DetectLinesAndJson) {
  ToolRun text = Tool("detect " + d_ + "/db.genvora " + d_ + "/old.gv9 " + d_ + "/new.sqlite " + d_ + "/short.gv9");
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, d_ + "/db.genvora\tchunked\t300\n" + d_ + "/old.gv9\tlegacy\t9\n" + d_ +
                          "/new.sqlite\tsqlite\t1501\n" + d_ + "/short.gv9\tnone\t0\n");

  ToolRun json = Tool("detect --json " + d_ + "/old.gv9 " + d_ + "/db.genvora");
  ASSERT_EQ(json.status, 0);
  auto array = nlohmann::json::parse(json.out);
  ASSERT_EQ(array.size(), 2u);
  EXPECT_EQ(array[0]["format"], 0);
  EXPECT_EQ(array[0]["legacy"], true);
  EXPECT_EQ(array[0]["version"], 9);
  EXPECT_EQ(array[1]["format"], 1);
  EXPECT_EQ(array[1]["legacy"], false);
  EXPECT_EQ(array[1]["path"], d_ + "/db.genvora");

  EXPECT_EQ(Tool("detect").status, 2);
  ToolRun absent = Tool("detect " + d_ + "/absent");
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.err, "genvora: " + d_ + "/absent: no such file\n") << "the same words as every command";
}

TEST_F(CliTest, InfoJsonOfBothGenerations) {
  ToolRun chunked = Tool("info " + d_ + "/db.genvora --json");
  ASSERT_EQ(chunked.status, 0);
  auto j = nlohmann::json::parse(chunked.out);
  EXPECT_EQ(j["database_version"], 300);
  EXPECT_EQ(j["legacy_header"], false);
  EXPECT_EQ(j["guid"], "0123ABCD-4567-89EF-0123-456789ABCDEF");
  EXPECT_EQ(j["save_count"], 17);
  EXPECT_EQ(j["de_cujus"], 5);
  EXPECT_EQ(j["last_code_id"], 1000);
  EXPECT_EQ(j["file_number"], 0x12345678);
  EXPECT_EQ(j["needs_verification"], false);
  ASSERT_EQ(j["user_fields"].size(), 13u);
  EXPECT_EQ(j["user_fields"][0]["caption"], "M\xC3\xA9tier") << "texts in UTF-8";
  EXPECT_EQ(j["user_fields"][10]["caption"], "Note 10");

  ToolRun legacy = Tool("info " + d_ + "/old.gv9 --json");
  ASSERT_EQ(legacy.status, 0);
  auto l = nlohmann::json::parse(legacy.out);
  EXPECT_EQ(l["database_version"], 9);
  EXPECT_EQ(l["legacy_header"], true);

  ToolRun human = Tool("info " + d_ + "/db.genvora");
  EXPECT_EQ(human.status, 0);
  EXPECT_NE(human.out.find("database_version     300"), std::string::npos) << human.out;

  for (const char* refused : {"/newer.genvora", "/short.gv9", "/new.sqlite", "/absent.gv9"}) {
    ToolRun r = Tool("info " + d_ + refused);
    EXPECT_EQ(r.status, 1) << refused;
    EXPECT_EQ(r.out, "") << refused;
    // One line naming the file and the reason.
    const std::string named = "genvora: " + d_ + refused + ": ";
    EXPECT_EQ(r.err.rfind(named, 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), named.size() + 1) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(Tool("info " + d_ + "/absent.gv9").err, "genvora: " + d_ + "/absent.gv9: no such file\n");
  EXPECT_EQ(Tool("info " + d_ + "/new.sqlite").err,
            "genvora: " + d_ + "/new.sqlite: an SQLite-based database is not read by this tool\n");
  EXPECT_EQ(Tool("info").status, 0) << "without a file: the engine's own information";
}

}  // namespace
}  // namespace genvora
