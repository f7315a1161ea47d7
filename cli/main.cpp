// genvora: the command-line face of the engine.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/ToolText.h"
#include "platform/Exception.h"

int main(int argc, char** argv) {
  using namespace genvora::cli;
  // Every text of the command line reaches the output as it is (paths,
  // dates, table names), and the output is UTF-8: an argument that is not
  // is refused before anything reads it.
  for (int i = 1; i < argc; ++i) {
    if (!IsUtf8(argv[i])) {
      PrintError("argument " + std::to_string(i) + " (\"" + Escaped(argv[i]) + "\")", "not valid UTF-8");
      return kExitUsage;
    }
  }
  CLI::App app{
      "Reads the database files of the legacy genealogy releases, shows their header, tables and records, "
      "checks, repairs and upgrades them, numbers ancestors, lists ancestors and descendants, shows a person "
      "with its family and checks the coherence of dates; also reads date texts."};
  app.require_subcommand(1);
  RegisterInfoCommand(app);
  RegisterDetectCommand(app);
  RegisterDateCommand(app);
  RegisterDumpCommand(app);
  RegisterUpgradeCommand(app);
  RegisterDemoCommand(app);
  RegisterSosaCommand(app);
  RegisterAncestorsCommand(app);
  RegisterDescendantsCommand(app);
  RegisterProfessionsCommand(app);
  RegisterPersonCommand(app);
  RegisterCheckCommand(app);
  RegisterCoherenceCommand(app);
  RegisterExportCommand(app);
  RegisterRemoveCommand(app);
  RegisterDuplicatesCommand(app);
  RegisterChartCommand(app);
  RegisterMergeCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  } catch (const ExitRequest& e) {
    return e.status;
  } catch (const std::exception& e) {
    std::cerr << "genvora: " << EngineText(genvora::ReasonOf(e)) << "\n";
    return kExitFailure;
  }
  return kExitOk;
}
