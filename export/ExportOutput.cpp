#include "export/ExportOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace genvora {

bool CheckExportOutput(const std::string& outPath, bool replace, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!replace && fs::exists(fs::symlink_status(outPath, ec))) {
    error = "already exists (use --force to replace it)";
    return false;
  }
  if (fs::is_directory(outPath, ec)) {
    error = "is a folder";
    return false;
  }
  return true;
}

std::string TemporaryBeside(const std::string& outPath) {
  return outPath + ".tmp-" + std::to_string(static_cast<long>(getpid()));
}

bool PublishExport(const std::string& temporary, const std::string& outPath, bool replace, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!replace) {
    if (::link(temporary.c_str(), outPath.c_str()) == 0) {
      std::remove(temporary.c_str());
      return true;
    }
    if (errno == EEXIST || fs::exists(fs::symlink_status(outPath, ec))) {
      std::remove(temporary.c_str());
      error = "already exists (use --force to replace it)";
      return false;
    }
  }
  fs::rename(temporary, outPath, ec);
  if (ec) {
    std::remove(temporary.c_str());
    error = "cannot be written: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace genvora
