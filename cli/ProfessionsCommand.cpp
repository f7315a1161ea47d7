// genvora make-professions-db LIST DB (not listed in the help): builds the
// reference database of professions from a text list of
// "locale<TAB>profession" lines, so that the professions dictionary has a
// real database to query (scripts/make-professions-db.sh calls it).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "tables/TGTableProfessions.h"

namespace genvora::cli {

void RegisterProfessionsCommand(CLI::App& app) {
  static std::string list;
  static std::string database;
  auto* cmd = app.add_subcommand("make-professions-db", "Build the reference database of professions");
  cmd->group("");  // a build helper, not a user command
  cmd->add_option("LIST", list, "Text list: locale<TAB>profession per line")->required();
  cmd->add_option("DB", database, "SQLite database to create")->required();
  cmd->callback([] {
    std::ifstream in(list, std::ios::binary);
    if (!in) {
      PrintFailure(list, "cannot be read");
      throw ExitRequest{1};
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<TGTableProfessions::ReferenceRow> rows;
    std::string error;
    if (!TGTableProfessions::LitListeReference(text.str(), rows, error) ||
        !TGTableProfessions::CreerBaseReference(database, rows, error)) {
      PrintFailure(database, error);
      throw ExitRequest{1};
    }
    std::printf("%zu professions\n", rows.size());
  });
}

}  // namespace genvora::cli
