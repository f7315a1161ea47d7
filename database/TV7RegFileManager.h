// The per-user list of database files in use, one entry per path.
//
// It lives in the settings folder (active-files.ini beside the settings
// store, so GENVORA_CONFIG_DIR moves both), in one section whose values
// are "In Use <pid>". The store is read again at every operation: another
// process may have changed it since.
//
// Invariants:
//  1. An entry whose process no longer runs does not lock the file out:
//     FileNameExists is false for it (a crashed session leaves no lock).
//  2. With no usable settings folder every operation does nothing and
//     FileNameExists is false.
#pragma once

#include <string>

#include "platform/Types.h"

namespace genvora {

class TV7RegFileManager {
 public:
  // On-disk names: they never change.
  static constexpr const char* kSection = "\\Software\\Kelworks\\Genvora V15\\\\Active files";
  static constexpr const char* kInUse = "In Use";

  // `storePath` empty: the per-user location.
  explicit TV7RegFileManager(std::string storePath = {});

  static std::string DefaultPath();

  // True when another running process (or this one) holds `path`.
  bool FileNameExists(const AnsiString& path, long* holder = nullptr) const;
  void WriteFileName(const AnsiString& path);
  void DeleteFileName(const AnsiString& path);
  void EraseSection();

 private:
  std::string path_;
};

}  // namespace genvora
