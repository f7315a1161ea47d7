// Test support for databases: a sandbox that keeps every test away from the
// real per-user store, files of every generation written from the sample
// family, and a record-by-record comparison of two databases.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "database/LegacyWriter.h"
#include "database/TGDatabase.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "support/SampleFamily.h"
#include "tests/TestSupport.h"

namespace genvora::testing {

// GENVORA_CONFIG_DIR points into a temporary folder for the life of the
// object, and the preferences' history is held in memory.
class DatabaseSandbox {
 public:
  DatabaseSandbox() {
    if (const char* old = std::getenv("GENVORA_CONFIG_DIR")) saved_ = old;
    setenv("GENVORA_CONFIG_DIR", (dir_.Path() + "/config").c_str(), 1);
  }
  ~DatabaseSandbox() {
    if (saved_) setenv("GENVORA_CONFIG_DIR", saved_->c_str(), 1);
    else unsetenv("GENVORA_CONFIG_DIR");
  }
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  const std::string& Dir() const { return dir_.Path(); }
  TPreferenceGenvora5& Prefs() { return *prefs_; }

 private:
  TempDir dir_;
  std::optional<std::string> saved_;
  ScopedPrefs prefs_;
};

// Writes the sample family as `generation` under `path` (its extension is
// the generation's).
inline std::string WriteSample(const std::string& pathWithoutExt, Generation generation,
                               const LegacyWriteOptions& options = {},
                               std::vector<WrittenSection>* sections = nullptr) {
  TGDatabaseSosa db;
  FillSampleFamily(db);
  std::string path = pathWithoutExt + ExtensionOf(generation);
  EXPECT_TRUE(EcritGeneration(db, path, generation, options, sections));
  return path;
}

// Every stored record by table and code, and every plain array's items.
inline std::map<std::string, std::string> Contents(const TGDatabase& db) {
  std::map<std::string, std::string> out;
  for (const TGDatabaseTables::Section& section : db.Tables().Sections()) {
    TGDatabaseTables::WalkArrays(section.array, [&](const LArray& a) {
      std::string items;
      for (int i = 1; i <= static_cast<int>(a.GetCount()); ++i) {
        const auto* p = static_cast<const char*>(a.GetItemPtr(i));
        if (p != nullptr) items.append(p, a.GetItemSize(i));
        items += '|';
      }
      out[std::string(section.name) + "/" + a.GetClassName()] = items;
    });
  }
  return out;
}

}  // namespace genvora::testing
