// genvora check FILE: runs the file controller over a database.
//
// Without --repair (or with --dry-run) the file is opened read-only in
// forced mode and every step runs in memory: the tool prints what a repair
// would change and writes nothing (not the file, not its folder, not the
// per-user store). With --repair the repaired database is saved safely
// (temporary file synced, previous file kept as the backup, atomic rename).
//
// Exit statuses: 0 the file is sound and needs no verification, or it was
// repaired and saved; 3 a check found changes to make (or a verification
// the header asks for, or unreadable tables); 1 the file cannot be opened
// or saved, or a repair would lose unreadable tables without --accept-loss.
#include <array>
#include <fstream>
#include <iostream>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TVG5Controleur.h"
#include "database/FileFormat.h"
#include "platform/Exception.h"

namespace genvora::cli {

namespace {

struct CheckOptions {
  std::string file;
  std::string log;
  bool json = false;
  bool repair = false;
  bool acceptLoss = false;
  bool rebuildNameLinks = false;
  bool dryRun = false;
};

bool WriteLog(const std::string& path, const TVG5Controleur& c) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const AnsiString& line : c.StringLog) out << EngineText(line) << "\n";
  out.flush();
  return static_cast<bool>(out);
}

void PrintText(const CheckOptions& o, const TVG5Controleur& c) {
  const char* f = o.file.c_str();
  for (const std::string& table : c.TablesPerdues())
    std::printf("%s: unreadable table, lost by a save: %s\n", f, EngineText(table).c_str());
  for (const TVG5Controleur::Change& change : c.Changes())
    std::printf("%s: %s: %s\n", f, NomEtape(change.step), EngineText(change.line).c_str());
  for (const AnsiString& line : c.Remarques()) std::printf("%s: note: %s\n", f, EngineText(line).c_str());
  for (int step = 0; step < kNombreEtapes; ++step) {
    const std::uint32_t n = c.ChangesParEtape()[step];
    if (n != 0) std::printf("%s: summary: %s: %u change%s\n", f, NomEtape(static_cast<enumTableT>(step)), n, n == 1 ? "" : "s");
  }
  std::printf("%s: %zu change%s", f, c.Changes().size(), c.Changes().size() == 1 ? "" : "s");
  if (c.VerificationDemandee()) std::printf("; the header asks for a verification");
  if (!c.TablesPerdues().empty()) std::printf("; %zu unreadable table%s", c.TablesPerdues().size(), c.TablesPerdues().size() == 1 ? "" : "s");
  if (c.Enregistre()) std::printf("; repaired and saved (the previous file is the backup)");
  std::printf("\n");
}

void PrintJson(const CheckOptions& o, const TVG5Controleur& c) {
  nlohmann::ordered_json j;
  j["file"] = o.file;
  nlohmann::ordered_json changes = nlohmann::ordered_json::array();
  for (const TVG5Controleur::Change& change : c.Changes())
    changes.push_back({{"step", NomEtape(change.step)},
                       {"code", change.code},
                       {"what", change.what},
                       {"line", EngineText(change.line)}});
  j["changes"] = std::move(changes);
  nlohmann::ordered_json summary = nlohmann::ordered_json::object();
  for (int step = 0; step < kNombreEtapes; ++step)
    if (c.ChangesParEtape()[step] != 0) summary[NomEtape(static_cast<enumTableT>(step))] = c.ChangesParEtape()[step];
  j["summary"] = std::move(summary);
  nlohmann::ordered_json dropped = nlohmann::ordered_json::array();
  for (const std::string& table : c.TablesPerdues()) dropped.push_back(EngineText(table));
  j["dropped"] = std::move(dropped);
  nlohmann::ordered_json notes = nlohmann::ordered_json::array();
  for (const AnsiString& line : c.Remarques()) notes.push_back(EngineText(line));
  j["notes"] = std::move(notes);
  j["needs_verification"] = c.VerificationDemandee();
  j["saved"] = c.Enregistre();
  std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

int Check(const CheckOptions& o) {
  std::string reason;
  if (!IsFileToRead(o.file, reason)) {
    PrintFailure(o.file, reason);
    return kExitFailure;
  }
  if (GetGenvoraFileFormat(o.file) == kFileFormatSqlite) {
    PrintFailure(o.file, kSqliteRefusal);
    return kExitFailure;
  }
  ToolHost host;
  TVG5Controleur controleur;
  controleur.NomFichier = o.file;
  controleur.ReconstruireLiensPrenoms = o.rebuildNameLinks;
  controleur.AccepterPerte = o.acceptLoss;
  const bool save = o.repair && !o.dryRun;
  bool ok = false;
  try {
    ok = controleur.TraiterLeFichier(save);
  } catch (const std::exception& e) {
    PrintFailure(o.file, ReasonOf(e));
    return kExitFailure;
  }
  if (!controleur.Ouvert()) {
    PrintFailure(o.file, controleur.Raison());
    return kExitFailure;
  }
  if (o.json) PrintJson(o, controleur);
  else PrintText(o, controleur);
  if (!o.log.empty() && !WriteLog(o.log, controleur)) {
    PrintError(o.log, "the log cannot be written");
    return kExitFailure;
  }
  if (!ok) {
    std::string why = controleur.Raison().empty() ? "the repair failed" : controleur.Raison();
    if (!controleur.TablesPerdues().empty() && !o.acceptLoss) why += " (--accept-loss saves it anyway)";
    PrintFailure(o.file, why);
    return kExitFailure;
  }
  if (save) return kExitOk;
  const bool sound = controleur.Changes().empty() && !controleur.VerificationDemandee() && controleur.TablesPerdues().empty();
  return sound ? kExitOk : kExitFindings;
}

}  // namespace

void RegisterCheckCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("check", "Check a database table by table and show (or, with --repair, make) the repairs");
  static CheckOptions o;
  cmd->add_option("FILE", o.file, "The database file")->required();
  cmd->add_flag("--json", o.json, "Print the changes as one JSON object");
  cmd->add_option("--log", o.log, "Write the log lines to this file (UTF-8)");
  auto* repair = cmd->add_flag("--repair", o.repair, "Make the repairs and save the file (the previous file is kept as the backup)");
  cmd->add_flag("--accept-loss", o.acceptLoss, "Save even though unreadable tables are then lost")->needs(repair);
  cmd->add_flag("--rebuild-name-links", o.rebuildNameLinks, "Rebuild the first-name and profession links")->needs(repair);
  cmd->add_flag("--dry-run", o.dryRun, "Run the repair in memory only; write nothing")->needs(repair);
  cmd->callback([] {
    const int status = Check(o);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
