// Runs the built `genvora` tool as a user would, for the tool's tests.
//
// The tool runs under a controlled environment: the variables that choose
// its language (GENVORA_LANG, LC_ALL, LC_MESSAGES, LANG) are removed, so
// that it speaks English unless the test sets one of them through `env`.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace genvora {

struct ToolRun {
  int status;       // the exit status; -1 when the tool did not exit normally
  std::string out;  // standard output, kept apart so that it stays parseable
  std::string err;  // standard error
};

// `args` goes through the shell (quotes work); `env` holds assignments put
// in front of the command ("HOME=/tmp/x LANG=fr_FR.UTF-8").
inline ToolRun RunTool(const std::string& args, const std::string& env = {}) {
  ToolRun run{-1, {}, {}};
  char errPath[] = "/tmp/genvora-tool-stderr-XXXXXX";
  const int errFd = mkstemp(errPath);
  if (errFd < 0) return run;
  close(errFd);
  const std::string command = "env -u GENVORA_LANG -u LC_ALL -u LC_MESSAGES -u LANG " + env + " " +
                              GENVORA_CLI_PATH + " " + args + " 2>" + errPath;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe != nullptr) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::ifstream in(errPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  run.err = text.str();
  std::remove(errPath);
  return run;
}

}  // namespace genvora
