// genvora remove FILE CODE [--dry-run]: removes an individual, a union or an
// event with everything that existed only through it, and saves the file in
// place through the database's safe save, the previous file kept as the
// backup. One line per change:
//   removed individual|union|event CODE
//   removed N link(s) | N media link(s) | N document link(s)
//   handed event CODE to CODE            (a shared event to its first witness)
//   cleared father|mother of CODE        (a child of a removed person)
// With --dry-run the same lines are printed and nothing is written.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TGSuppression.h"
#include "database/TGDatabase.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  CodeID code = 0;
  bool dryRun = false;
};

void PrintCount(std::size_t count, const char* what) {
  if (count != 0) std::printf("removed %zu %s\n", count, what);
}

int Run(const Options& o) {
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> opened = OpenDatabase(o.path, OpenOptions{false, !o.dryRun}, reason);
  if (!opened) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  TGDatabaseSosa& db = *opened;
  TRemoveReport report;
  if (db.EstIndividu(o.code)) {
    RemoveIndividu(o.code, &db, &report);
  } else if (db.EstUnion(o.code)) {
    RemoveUnion(o.code, &db, 0, &report);
  } else if (db.EstEvenement(o.code)) {
    RemoveEvenement(o.code, &db, &report);
  } else {
    PrintFailure(o.path, "code " + std::to_string(o.code) + " is no individual, union or event");
    return kExitFailure;
  }
  for (const auto& t : report.transferts) std::printf("handed event %u to %u\n", t.evenement, t.nouveauProprietaire);
  for (const auto& e : report.enfants) std::printf("cleared %s of %u\n", e.pere ? "father" : "mother", e.enfant);
  for (CodeID code : report.individus) std::printf("removed individual %u\n", code);
  for (CodeID code : report.unions) std::printf("removed union %u\n", code);
  for (CodeID code : report.evenements) std::printf("removed event %u\n", code);
  PrintCount(report.liens.size(), "link(s)");
  PrintCount(report.liensMedias.size(), "media link(s)");
  PrintCount(report.liensDocuments.size(), "document link(s)");
  if (o.dryRun) {
    std::printf("nothing written (--dry-run)\n");
    return kExitOk;
  }
  return SaveInPlace(db, o.path);
}

}  // namespace

void RegisterRemoveCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand(
      "remove", "Remove an individual, a union or an event with everything that existed only through it");
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("CODE", options->code, "Code of the individual, union or event")->required();
  cmd->add_flag("--dry-run", options->dryRun, "Print what would change and write nothing");
  cmd->callback([options] {
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
