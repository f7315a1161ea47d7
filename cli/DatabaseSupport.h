// What the database commands of the tool share: opening a file for reading
// with one clear reason on failure, the table counts and the records as
// JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

#include "database/TGDatabase.h"
#include "platform/Host.h"

namespace genvora::cli {

// The host of the database commands: progress on a terminal as usual, but
// message boxes are kept back, since each refusal comes out as one line
// with its reason.
class ToolHost : public StderrHost {
 public:
  ToolHost() : previous_(&Host()) { SetHost(this); }
  ~ToolHost() override { SetHost(previous_ == this ? nullptr : previous_); }
  ToolHost(const ToolHost&) = delete;
  ToolHost& operator=(const ToolHost&) = delete;
  MsgAnswer MessageBox(const AnsiString&, const AnsiString&, MsgButtons buttons, MsgKind) override {
    return DefaultAnswerOf(buttons);
  }

 private:
  IHost* previous_;
};

// Opens `path` without writing anything anywhere (read-only). Null on
// failure, with `reason` set ("no such file", "in use by...", the damage).
std::unique_ptr<TGDatabase> OpenForReading(const std::string& path, bool forced, std::string& reason);

// Prints "genvora: PATH: REASON" on one line of stderr.
void PrintFailure(const std::string& path, std::string reason);

// Saved name of every array the database holds (tables, dictionaries, link
// tables, order lists, index arrays) to its item count.
nlohmann::json TablesJson(const TGDatabase& db);

// Every record, one JSON object per call of `emit`; `only` keeps one
// saved name.
void DumpRecords(const TGDatabase& db, const std::string& only, const std::function<void(const nlohmann::ordered_json&)>& emit);

// The records of every table by name and code, to compare two databases.
nlohmann::json RecordsByTable(const TGDatabase& db);

}  // namespace genvora::cli
