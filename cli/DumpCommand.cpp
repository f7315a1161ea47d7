// genvora dump: every record of a database, one JSON object per line.
//
// A record that does not decode still gets its line ("damaged": true and its
// bytes) and is named on stderr with the reason; the exit status is then 3.
#include <algorithm>
#include <iostream>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"

namespace genvora::cli {

void RegisterDumpCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("dump", "Print every record of a database as one JSON object per line");
  static std::string file;
  static std::string table;
  cmd->add_option("FILE", file, "The database file")->required();
  cmd->add_option("--table", table, "Print only the table or index array of this name, as info lists them");
  cmd->callback([] {
    std::string reason;
    std::unique_ptr<TGDatabase> db = OpenForReading(file, false, reason);
    if (!db) {
      PrintFailure(file, reason);
      throw ExitRequest{kExitFailure};
    }
    if (!table.empty()) {
      const std::vector<std::string> held = HeldNames(*db);
      if (std::find(held.begin(), held.end(), table) == held.end()) {
        std::string names;
        for (const std::string& name : held) names += (names.empty() ? "" : ", ") + name;
        PrintError(file, "no table named " + table + "; the file holds: " + names);
        throw ExitRequest{kExitUsage};
      }
    }
    int damaged = 0;
    DumpRecords(
        *db, table,
        [](const nlohmann::ordered_json& j) {
          std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        },
        [&](const DamagedRecord& r) {
          ++damaged;
          PrintError(file, "damaged record " + r.table + " " + std::to_string(r.code) + ": " + EngineText(r.reason));
        });
    std::cout.flush();
    if (damaged != 0) {
      PrintError(file, std::to_string(damaged) + " damaged record(s)");
      throw ExitRequest{kExitFindings};
    }
  });
}

}  // namespace genvora::cli
