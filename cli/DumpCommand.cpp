// genvora dump: every record of a database, one JSON object per line.
#include <iostream>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"

namespace genvora::cli {

void RegisterDumpCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("dump", "Print every record of a database as one JSON object per line");
  static std::string file;
  static std::string table;
  cmd->add_option("FILE", file, "The database file")->required();
  cmd->add_option("--table", table, "Only the table (or index array) of this saved name");
  cmd->callback([] {
    std::string reason;
    std::unique_ptr<TGDatabase> db = OpenForReading(file, false, reason);
    if (!db) {
      PrintFailure(file, reason);
      throw ExitRequest{kExitFailure};
    }
    DumpRecords(*db, table, [](const nlohmann::ordered_json& j) {
      std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    });
  });
}

}  // namespace genvora::cli
