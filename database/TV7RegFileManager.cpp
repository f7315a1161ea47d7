// The per-user list of database files in use.
#include "database/TV7RegFileManager.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <filesystem>

#include "platform/Settings.h"

namespace genvora {

namespace {

// The process named by a value "In Use <pid>", 0 when it names none.
long HolderOf(const std::string& value) {
  const std::string prefix = std::string(TV7RegFileManager::kInUse) + " ";
  if (value.compare(0, prefix.size(), prefix) != 0) return 0;
  char* end = nullptr;
  long pid = std::strtol(value.c_str() + prefix.size(), &end, 10);
  return (end != nullptr && *end == '\0' && pid > 0) ? pid : 0;
}

bool ProcessRuns(long pid) {
  if (pid <= 0) return false;
  if (kill(static_cast<pid_t>(pid), 0) == 0) return true;
  // EPERM: it runs under another user.
  return errno == EPERM;
}

}  // namespace

TV7RegFileManager::TV7RegFileManager(std::string storePath)
    : path_(storePath.empty() ? DefaultPath() : std::move(storePath)) {}

std::string TV7RegFileManager::DefaultPath() {
  std::string settings = IniStore::DefaultPath();
  if (settings.empty()) return {};
  return (std::filesystem::path(settings).parent_path() / "active-files.ini").string();
}

bool TV7RegFileManager::FileNameExists(const AnsiString& path, long* holder) const {
  if (path_.empty() || path.empty()) return false;
  IniStore store(path_);
  std::optional<std::string> value = store.Read(kSection, path);
  if (!value) return false;
  long pid = HolderOf(*value);
  if (holder != nullptr) *holder = pid;
  // An entry without a process is one this engine never writes: it is kept
  // as a lock, the conservative reading.
  if (pid == 0) return true;
  return ProcessRuns(pid);
}

void TV7RegFileManager::WriteFileName(const AnsiString& path) {
  if (path_.empty() || path.empty()) return;
  IniStore store(path_);
  store.WriteString(kSection, path, std::string(kInUse) + " " + std::to_string(static_cast<long>(getpid())));
}

void TV7RegFileManager::DeleteFileName(const AnsiString& path) {
  if (path_.empty() || path.empty()) return;
  IniStore store(path_);
  if (store.Read(kSection, path)) store.DeleteKey(kSection, path);
}

void TV7RegFileManager::EraseSection() {
  if (path_.empty()) return;
  IniStore store(path_);
  store.EraseSection(kSection);
}

}  // namespace genvora
