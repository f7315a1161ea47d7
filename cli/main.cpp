// genvora: the command-line face of the engine.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/Commands.h"
#include "platform/Exception.h"

int main(int argc, char** argv) {
  CLI::App app{"genvora: reads, checks, repairs and converts genealogy databases of the legacy releases"};
  app.require_subcommand(1);
  genvora::cli::RegisterInfoCommand(app);
  genvora::cli::RegisterDetectCommand(app);
  genvora::cli::RegisterDateCommand(app);
  genvora::cli::RegisterDumpCommand(app);
  genvora::cli::RegisterUpgradeCommand(app);
  genvora::cli::RegisterDemoCommand(app);
  genvora::cli::RegisterSosaCommand(app);
  genvora::cli::RegisterAncestorsCommand(app);
  genvora::cli::RegisterDescendantsCommand(app);
  genvora::cli::RegisterProfessionsCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return genvora::cli::kExitUsage;
  } catch (const genvora::cli::ExitRequest& e) {
    return e.status;
  } catch (const std::exception& e) {
    std::cerr << "genvora: " << e.what() << "\n";
    return genvora::cli::kExitFailure;
  }
  return genvora::cli::kExitOk;
}
