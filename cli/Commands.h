// The subcommands of the genvora tool. Each lives in a source of its own and
// registers itself on the application here; main.cpp calls every Register*.
#pragma once

#include <CLI/CLI.hpp>

namespace genvora::cli {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work could not be done (unreadable file...)
constexpr int kExitUsage = 2;    // bad command line
constexpr int kExitFindings = 3; // the work was done, and found damage on the way

// Thrown by a subcommand's callback to end the tool with `status`.
struct ExitRequest {
  int status;
};

void RegisterInfoCommand(CLI::App& app);
void RegisterDetectCommand(CLI::App& app);
void RegisterDateCommand(CLI::App& app);
void RegisterDumpCommand(CLI::App& app);
void RegisterUpgradeCommand(CLI::App& app);
void RegisterDemoCommand(CLI::App& app);
void RegisterSosaCommand(CLI::App& app);
void RegisterAncestorsCommand(CLI::App& app);
void RegisterDescendantsCommand(CLI::App& app);
void RegisterProfessionsCommand(CLI::App& app);
void RegisterPersonCommand(CLI::App& app);
void RegisterCheckCommand(CLI::App& app);
void RegisterCoherenceCommand(CLI::App& app);
void RegisterExportCommand(CLI::App& app);
void RegisterRemoveCommand(CLI::App& app);
void RegisterDuplicatesCommand(CLI::App& app);
void RegisterChartCommand(CLI::App& app);
void RegisterMergeCommand(CLI::App& app);

}  // namespace genvora::cli
