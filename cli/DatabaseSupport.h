// What the database commands of the tool share: opening a file for reading
// with one clear reason on failure, the table counts and the records as
// JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "database/TGDatabase.h"
#include "cli/ToolText.h"
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

// False, with the reason every command gives, when `path` is not a file
// that can be read (absent, a folder...).
bool IsFileToRead(const std::string& path, std::string& reason);

// Why a file of the newer, SQLite-based format is refused.
inline constexpr const char* kSqliteRefusal = "an SQLite-based database is not read by this tool";

struct OpenOptions {
  bool forced = false;     // the forced open: damaged parts are dropped, not refused
  bool forSaving = false;  // the file may be saved again (else nothing is ever written)
};

// Opens `path` the one way every command does. Null on failure, with
// `reason` set as an engine text ("no such file", "in use by...", the
// damage); PrintFailure shows it.
std::unique_ptr<TGDatabaseSosa> OpenDatabase(const std::string& path, const OpenOptions& options, std::string& reason);

// Saves a database opened for saving back in place through the engine's
// safe save, the previous file kept as the backup; kExitOk, or kExitFailure
// with the reason printed.
int SaveInPlace(TGDatabase& db, const std::string& path);

// Opens `path` without writing anything anywhere (read-only).
std::unique_ptr<TGDatabaseSosa> OpenForReading(const std::string& path, bool forced, std::string& reason);

// Prints "genvora: PATH: REASON" on one line of stderr; `reason` is an
// engine text (Windows-1252).
void PrintFailure(const std::string& path, const std::string& reason);

// Why `code` cannot be taken as a person: what the code names instead (a
// union, an event...), or that it names nothing.
std::string NotAnIndividual(const TGDatabase& db, CodeID code);

// Opens `path` read-only for a command about the person `code`; null, with
// the failure or the refusal of the code printed, when it cannot serve.
std::unique_ptr<TGDatabaseSosa> OpenPersonForReading(const std::string& path, CodeID code);

// Saved name of every array the database holds (tables, dictionaries, link
// tables, order lists, index arrays) to its item count.
nlohmann::json TablesJson(const TGDatabase& db);

// The saved names TablesJson lists, in its order.
std::vector<std::string> HeldNames(const TGDatabase& db);

struct DamagedRecord {
  std::string table;
  CodeID code;
  AnsiString reason;  // an engine text
};

// Every record, one JSON object per call of `emit`; `only` keeps one saved
// name. A record that does not decode is emitted with "damaged": true and
// its bytes, and handed to `damaged` as well; its neighbours are emitted as
// usual.
void DumpRecords(const TGDatabase& db, const std::string& only, const std::function<void(const nlohmann::ordered_json&)>& emit,
                 const std::function<void(const DamagedRecord&)>& damaged = {});

// The records of every table by name and code, to compare two databases.
nlohmann::json RecordsByTable(const TGDatabase& db);

}  // namespace genvora::cli
