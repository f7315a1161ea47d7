// Runs the built `genvora` tool as a user would, for the tool's tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace genvora {

struct ToolRun {
  int status;       // the exit status; -1 when the tool did not exit normally
  std::string out;  // standard output only, so that it stays parseable
};

// `env` is prepended to the command line ("HOME=/tmp/x"); stderr is dropped.
inline ToolRun RunTool(const std::string& args, const std::string& env = {}) {
  std::string command = std::string(GENVORA_CLI_PATH) + " " + args + " 2>/dev/null";
  if (!env.empty()) command = env + " " + command;
  ToolRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

}  // namespace genvora
