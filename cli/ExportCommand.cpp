// genvora export FILE OUT: the database written as another format, chosen
// by OUT's extension or --format: SQLite (the schema is export/schema.sql)
// or GEDCOM 5.5.1.
//
// The output appears complete or not at all; an existing OUT is replaced
// only with --force. Records that do not decode are left out, named on
// stderr, and make the exit status 3.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "export/GedcomExport.h"
#include "export/SqliteExport.h"

namespace genvora::cli {

namespace {

// The format named by an extension; empty when none is known.
std::string FormatOfExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == ".sqlite" || ext == ".sqlite3" || ext == ".db") return "sqlite";
  if (ext == ".ged") return "gedcom";
  return {};
}

// Each record left out, then the findings' exit.
template <class Damage>
void ReportDamage(const std::string& file, const std::vector<Damage>& damaged) {
  for (const Damage& d : damaged)
    PrintError(file, "damaged record " + d.table + " " + std::to_string(d.code) + " left out: " + EngineText(d.reason));
  if (!damaged.empty()) {
    PrintError(file, std::to_string(damaged.size()) + " damaged record(s) left out");
    throw ExitRequest{kExitFindings};
  }
}

}  // namespace

void RegisterExportCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("export", "Export a database to another format (SQLite, GEDCOM 5.5.1)");
  static std::string file;
  static std::string out;
  static std::string format;
  static bool force = false;
  static std::string living = "full";
  static bool exportableOnly = false;
  cmd->add_option("FILE", file, "The database file")->required();
  cmd->add_option("OUT", out, "The file to write (.sqlite, .sqlite3, .db, .ged)")->required();
  cmd->add_option("--format", format, "The output format, when OUT's extension does not tell it")
      ->check(CLI::IsMember({"sqlite", "gedcom"}));
  cmd->add_flag("--force", force, "Replace OUT when it exists");
  cmd->add_option("--living", living, "GEDCOM: 'private' writes living persons with their names only")
      ->check(CLI::IsMember({"full", "private"}));
  cmd->add_flag("--exportable-only", exportableOnly, "GEDCOM: leave out the records not marked exportable");
  cmd->callback([] {
    const std::string chosen = format.empty() ? FormatOfExtension(out) : format;
    if (chosen.empty()) {
      PrintError(out, "unknown output format (use --format sqlite or --format gedcom)");
      throw ExitRequest{kExitUsage};
    }
    std::string reason;
    std::unique_ptr<TGDatabaseSosa> db = OpenForReading(file, false, reason);
    if (!db) {
      PrintFailure(file, reason);
      throw ExitRequest{kExitFailure};
    }
    ToolHost host;
    if (chosen == "gedcom") {
      GedcomExportOptions options;
      options.replace = force;
      options.living = living == "private" ? GedcomLiving::Private : GedcomLiving::Full;
      options.exportableOnly = exportableOnly;
      GedcomExportReport report;
      std::string error;
      if (!ExportGedcom(*db, out, options, report, error)) {
        PrintError(out, error);
        throw ExitRequest{kExitFailure};
      }
      ReportDamage(file, report.damaged);
      return;
    }
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
    ReportDamage(file, report.damaged);
  });
}

}  // namespace genvora::cli
