// genvora export FILE OUT: the database written as another format, chosen
// by OUT's extension or --format (SQLite only for now; the schema is
// export/schema.sql).
//
// The output appears complete or not at all; an existing OUT is replaced
// only with --force. Records that do not decode are left out, named on
// stderr, and make the exit status 3.
#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "export/SqliteExport.h"

namespace genvora::cli {

namespace {

// The format named by an extension; empty when none is known.
std::string FormatOfExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == ".sqlite" || ext == ".sqlite3" || ext == ".db") return "sqlite";
  return {};
}

}  // namespace

void RegisterExportCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("export", "Export a database to another format (SQLite: schema in export/schema.sql)");
  static std::string file;
  static std::string out;
  static std::string format;
  static bool force = false;
  cmd->add_option("FILE", file, "The database file")->required();
  cmd->add_option("OUT", out, "The file to write (.sqlite, .sqlite3, .db)")->required();
  cmd->add_option("--format", format, "The output format, when OUT's extension does not tell it")
      ->check(CLI::IsMember({"sqlite"}));
  cmd->add_flag("--force", force, "Replace OUT when it exists");
  cmd->callback([] {
    const std::string chosen = format.empty() ? FormatOfExtension(out) : format;
    if (chosen.empty()) {
      PrintError(out, "unknown output format (use --format sqlite)");
      throw ExitRequest{kExitUsage};
    }
    std::string reason;
    std::unique_ptr<TGDatabaseSosa> db = OpenForReading(file, false, reason);
    if (!db) {
      PrintFailure(file, reason);
      throw ExitRequest{kExitFailure};
    }
    ToolHost host;
    SqliteExportOptions options;
    options.replace = force;
    options.sourceName = file;
    SqliteExportReport report;
    std::string error;
    if (!ExportSqlite(*db, out, options, report, error)) {
      PrintError(out, error);
      throw ExitRequest{kExitFailure};
    }
    if (!report.fullText) PrintError(out, "the SQLite in use has no FTS5: the full-text table was left out");
    for (const SqliteExportReport::Damage& d : report.damaged)
      PrintError(file, "damaged record " + d.table + " " + std::to_string(d.code) + " left out: " + EngineText(d.reason));
    if (!report.damaged.empty()) {
      PrintError(file, std::to_string(report.damaged.size()) + " damaged record(s) left out");
      throw ExitRequest{kExitFindings};
    }
  });
}

}  // namespace genvora::cli
