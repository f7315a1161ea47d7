#include "platform/Resources.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unordered_map>

#include "platform/Encoding.h"

namespace genvora {

namespace {

struct ResourceEntry {
  const char* key;
  const char* french;
  const char* english;
};

// Each unit's table is one .inc file of RES(unit-qualified id, fr, en) lines.
#define RES(key, fr, en) {key, fr, en},
const ResourceEntry kEntries[] = {
#include "platform/strings/Loclivres.inc"
#include "platform/strings/LArray.inc"
#include "platform/strings/G7str.inc"
#include "platform/strings/G5vclstrings.inc"
#include "platform/strings/Vg5reportstrings.inc"
#include "platform/strings/Cg5vclfunctions.inc"
#include "platform/strings/Locfiches.inc"
#include "platform/strings/Database.inc"
#include "platform/strings/Prjconst.inc"
#include "platform/strings/G13str.inc"
#include "platform/strings/G6str.inc"
#include "platform/strings/Cvg5controleur.inc"
#include "platform/strings/Localisation2011.inc"
#include "platform/strings/Locprincipale.inc"
#include "platform/strings/Locconvert.inc"
#include "platform/strings/Cvalidcontrolcheck.inc"
#include "platform/strings/Charts.inc"
};
#undef RES

struct Texts {
  std::string utf8[2];
  AnsiString ansi[2];
};

const std::unordered_map<std::string_view, Texts>& Table() {
  static const auto table = [] {
    std::unordered_map<std::string_view, Texts> map;
    for (const auto& e : kEntries) {
      Texts t;
      t.utf8[0] = e.french;
      t.utf8[1] = e.english;
      t.ansi[0] = Utf8ToAnsi(e.french);
      t.ansi[1] = Utf8ToAnsi(e.english);
      map.emplace(e.key, std::move(t));
    }
    return map;
  }();
  return table;
}

Language InitialLanguage() {
  return LanguageFromEnvironment([](const char* name) -> const char* { return std::getenv(name); });
}

Language g_language = InitialLanguage();

}  // namespace

Language LanguageFromEnvironment(const std::function<const char*(const char*)>& lookup) {
  // GENVORA_LANG settles it for a whole process (the tool, a test run); a
  // value other than FR or EN is ignored rather than guessed at.
  if (const char* forced = lookup("GENVORA_LANG"); forced != nullptr) {
    if (strcasecmp(forced, "FR") == 0) return Language::French;
    if (strcasecmp(forced, "EN") == 0) return Language::English;
  }
  // The POSIX order for messages: the first of these that is set and not
  // empty decides, even when it names neither language.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = lookup(name);
    if (value == nullptr || *value == '\0') continue;
    return std::strncmp(value, "fr", 2) == 0 ? Language::French : Language::English;
  }
  return Language::English;
}

void SetResourceLanguage(Language language) { g_language = language; }
Language GetResourceLanguage() { return g_language; }

AnsiString LoadResString(std::string_view key) {
  const auto& table = Table();
  auto it = table.find(key);
  if (it == table.end()) return AnsiString(key);
  return it->second.ansi[g_language == Language::French ? 0 : 1];
}

std::string LoadResStringUtf8(std::string_view key) {
  const auto& table = Table();
  auto it = table.find(key);
  if (it == table.end()) return std::string(key);
  return it->second.utf8[g_language == Language::French ? 0 : 1];
}

bool HasResString(std::string_view key) { return Table().count(key) != 0; }

}  // namespace genvora
