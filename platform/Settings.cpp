#include "platform/Settings.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace genvora {

namespace {

// "\\" "\=" "\n" "\r" "\[" keep names and values on one line.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '=': out += "\\="; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '[': out += "\\["; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char n = text[++i];
      out.push_back(n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Position of the first '=' that is not escaped.
std::size_t FindSeparator(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string IniStore::DefaultPath() {
  if (const char* dir = std::getenv("GENVORA_CONFIG_DIR"); dir != nullptr && *dir != 0) {
    return std::string(dir) + "/genvora.ini";
  }
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != 0) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/genvora/genvora.ini";
}

IniStore::IniStore(std::string path) : path_(std::move(path)) { Load(); }

void IniStore::Load() {
  sections_.clear();
  if (path_.empty()) return;
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') {
      sections_.push_back({Unescape(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    auto eq = FindSeparator(line);
    if (eq == std::string::npos || sections_.empty()) continue;
    sections_.back().second.emplace_back(Unescape(line.substr(0, eq)), Unescape(line.substr(eq + 1)));
  }
}

bool IniStore::Save() const {
  if (path_.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  std::string tmp = path_ + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& [section, values] : sections_) {
      out << '[' << Escape(section) << "]\n";
      for (const auto& [name, value] : values) out << Escape(name) << '=' << Escape(value) << '\n';
      out << '\n';
    }
    out.flush();
    if (!out) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

std::optional<std::string> IniStore::Read(const std::string& section, const std::string& name) const {
  for (const auto& [s, values] : sections_) {
    if (s != section) continue;
    for (const auto& [n, v] : values) {
      if (n == name) return v;
    }
  }
  return std::nullopt;
}

std::string IniStore::ReadString(const std::string& section, const std::string& name, const std::string& def) const {
  auto v = Read(section, name);
  return v ? *v : def;
}

std::int64_t IniStore::ReadInteger(const std::string& section, const std::string& name, std::int64_t def) const {
  auto v = Read(section, name);
  if (!v || v->empty()) return def;
  char* end = nullptr;
  long long n = std::strtoll(v->c_str(), &end, 10);
  return (end != nullptr && *end == 0) ? n : def;
}

bool IniStore::WriteString(const std::string& section, const std::string& name, const std::string& value) {
  for (auto& [s, values] : sections_) {
    if (s != section) continue;
    for (auto& [n, v] : values) {
      if (n == name) {
        v = value;
        return Save();
      }
    }
    values.emplace_back(name, value);
    return Save();
  }
  sections_.push_back({section, {{name, value}}});
  return Save();
}

bool IniStore::WriteInteger(const std::string& section, const std::string& name, std::int64_t value) {
  return WriteString(section, name, std::to_string(value));
}

bool IniStore::DeleteKey(const std::string& section, const std::string& name) {
  for (auto& [s, values] : sections_) {
    if (s != section) continue;
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (it->first == name) {
        values.erase(it);
        return Save();
      }
    }
  }
  return true;
}

bool IniStore::EraseSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (it->first == section) {
      sections_.erase(it);
      return Save();
    }
  }
  return true;
}

std::vector<std::string> IniStore::ReadSection(const std::string& section) const {
  std::vector<std::string> names;
  for (const auto& [s, values] : sections_) {
    if (s != section) continue;
    for (const auto& [n, v] : values) names.push_back(n);
  }
  return names;
}

}  // namespace genvora
