// genvora detect: which generation of database each file holds.
//
// One line per file, PATH<TAB>FORMAT<TAB>VERSION, FORMAT being none, legacy,
// chunked or sqlite; with --json an array of {path, format, legacy, version}
// where format is the detection's own answer (0, 1 or 2): a legacy file
// answers 0 there, and "legacy" tells it apart from a file that is no
// database at all.
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "database/FileFormat.h"
#include "database/TGHeader.h"
#include "platform/File.h"
#include "utilities/FilePaths.h"
#include "utilities/TextUtils.h"

namespace genvora::cli {

namespace {

struct Detection {
  unsigned format = kFileFormatNone;
  bool legacy = false;
  std::int32_t version = 0;
};

const char* FormatName(const Detection& d) {
  switch (d.format) {
    case kFileFormatChunked: return "chunked";
    case kFileFormatSqlite: return "sqlite";
    default: return d.legacy ? "legacy" : "none";
  }
}

// False (with the reason) when the file cannot be examined at all.
bool Examine(const std::string& path, Detection& out, std::string& reason) {
  if (!IsFileToRead(path, reason)) return false;
  auto file = PlatformFile::Open(path, FileMode::Read);
  if (!file) {
    reason = std::strerror(errno);
    return false;
  }
  out.format = GetGenvoraFileFormat(path, &out.version);
  if (out.format == kFileFormatNone) {
    // The detection does not know legacy files; their header does, under
    // the file's extension.
    TGHeader header;
    out.legacy = header.LitDans(*file, AnsiUpperCase(KELGetFileExt(path))) && header.IsLegacy();
    out.version = out.legacy ? header.GetDatabaseVersion() : 0;
  }
  return true;
}

}  // namespace

void RegisterDetectCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("detect", "Tell which generation of database each file holds");
  static std::vector<std::string> files;
  static bool json = false;
  cmd->add_option("FILE", files, "Files to examine")->required();
  cmd->add_flag("--json", json, "Print a JSON array");
  cmd->callback([] {
    int status = kExitOk;
    nlohmann::json array = nlohmann::json::array();
    for (const auto& path : files) {
      Detection d;
      std::string reason;
      if (!Examine(path, d, reason)) {
        PrintFailure(path, reason);
        status = kExitFailure;
        continue;
      }
      if (json) {
        array.push_back({{"path", path}, {"format", d.format}, {"legacy", d.legacy}, {"version", d.version}});
      } else {
        std::printf("%s\t%s\t%d\n", path.c_str(), FormatName(d), d.version);
      }
    }
    if (json) std::cout << array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
