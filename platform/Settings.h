// The per-user settings store: an ini file of sections and named values.
//
// It lives in $GENVORA_CONFIG_DIR/genvora.ini when that variable is set,
// else in $XDG_CONFIG_HOME/genvora/genvora.ini, else in
// ~/.config/genvora/genvora.ini. Names may be full file paths; '=', '\\',
// '[' at the start of a name and line breaks are escaped with a backslash so
// that any text can be a name or a value. Every change is
// written back at once, through a temporary file renamed over the old one,
// so a crash never leaves half a store.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace genvora {

class IniStore {
 public:
  // A store backed by `path`; the file is read now (absent = empty). An empty
  // path gives a store held in memory only.
  explicit IniStore(std::string path);

  const std::string& Path() const { return path_; }

  std::optional<std::string> Read(const std::string& section, const std::string& name) const;
  std::string ReadString(const std::string& section, const std::string& name, const std::string& def) const;
  std::int64_t ReadInteger(const std::string& section, const std::string& name, std::int64_t def) const;
  // False when the change could not be written to the file (it is kept in
  // memory all the same).
  bool WriteString(const std::string& section, const std::string& name, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& name, std::int64_t value);
  bool DeleteKey(const std::string& section, const std::string& name);
  bool EraseSection(const std::string& section);
  std::vector<std::string> ReadSection(const std::string& section) const;  // the names, in file order

  // Where the per-user store of this user lives.
  static std::string DefaultPath();

 private:
  bool Save() const;
  void Load();
  std::string path_;
  // Sections and their values, each in insertion order.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

}  // namespace genvora
