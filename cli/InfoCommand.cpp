// genvora info: what this build of the engine is and where it runs.
#include <cstdio>

#include "cli/Commands.h"
#include "platform/Resources.h"
#include "platform/System.h"

namespace genvora::cli {

void RegisterInfoCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("info", "Print the engine version, the language in force and this machine's identifier");
  cmd->callback([] {
    std::printf("genvora engine 0.1\n");
    std::printf("language\t%s\n", LoadResStringUtf8("Loclivres.LANG").c_str());
    std::printf("machine\t%08X\n", GetMachineSerial());
  });
}

}  // namespace genvora::cli
