// Resource strings: the user messages and localized words of the engine,
// keyed by unit and identifier ("G5vclstrings.M1404", "G7str.UnableToOpen").
//
// Texts are kept in the source as UTF-8 and handed out as AnsiString
// (Windows-1252), the engine's text type. The language in force at start-up
// follows the environment (LanguageFromEnvironment); French and English are
// the two languages. The resource "Loclivres.LANG"
// names the language in force ("FR" or "EN"), so code that must know the
// language reads it like any other resource.
//
// The tables live in platform/strings/<Unit>.inc, one file per unit, each a
// list of RES(identifier, french, english) lines.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace genvora {

enum class Language { French, English };

// The language the environment asks for: GENVORA_LANG (FR or EN) first;
// else the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty,
// French when it starts with "fr" and English otherwise; English when none
// is set. `lookup` answers a variable's value, null when unset.
Language LanguageFromEnvironment(const std::function<const char*(const char*)>& lookup);

void SetResourceLanguage(Language language);
Language GetResourceLanguage();

// The text of `key` ("Unit.Identifier") in the language in force, in
// Windows-1252. An unknown key answers the key itself, so that a missing text
// shows up plainly instead of as an empty message.
AnsiString LoadResString(std::string_view key);

// The same text in UTF-8, for the edges.
std::string LoadResStringUtf8(std::string_view key);

bool HasResString(std::string_view key);

// Switches the language for the life of the object (tests).
class ScopedResourceLanguage {
 public:
  explicit ScopedResourceLanguage(Language language) : saved_(GetResourceLanguage()) {
    SetResourceLanguage(language);
  }
  ~ScopedResourceLanguage() { SetResourceLanguage(saved_); }
  ScopedResourceLanguage(const ScopedResourceLanguage&) = delete;
  ScopedResourceLanguage& operator=(const ScopedResourceLanguage&) = delete;

 private:
  Language saved_;
};

}  // namespace genvora
