#include "platform/TV5SplitterParticule.h"

#include <algorithm>

namespace genvora {

namespace {

char Upper1252(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  return c;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The straight apostrophe and the typographic one (0x92 in Windows-1252).
bool IsApostrophe(char c) { return c == '\'' || static_cast<unsigned char>(c) == 0x92; }

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    // Both apostrophes match either, as users type one or the other.
    if (IsApostrophe(prefix[i]) && IsApostrophe(text[i])) continue;
    if (Upper1252(text[i]) != Upper1252(prefix[i])) return false;
  }
  return true;
}

}  // namespace

const std::vector<AnsiString>& TV5SplitterParticule::DefaultParticles() {
  static const std::vector<AnsiString> particles = {
      // French
      "de", "d'", "du", "des", "de la", "de l'", "le", "la", "les", "l'",
      // Dutch and Flemish
      "van", "van der", "van den", "van de", "van het", "van 't", "vander", "vanden", "ter", "ten", "te", "het",
      // German
      "von", "von der", "von dem", "von und zu", "zu", "zum", "zur", "vom",
      // Italian
      "di", "da", "del", "della", "delle", "dei", "degli", "dal", "dalla", "dello", "lo",
      // Spanish and Portuguese
      "de los", "de las", "do", "dos", "das"};
  return particles;
}

TV5SplitterParticule::TV5SplitterParticule() : TV5SplitterParticule(DefaultParticles()) {}

TV5SplitterParticule::TV5SplitterParticule(std::vector<AnsiString> particles) : particles_(std::move(particles)) {
  std::stable_sort(particles_.begin(), particles_.end(),
                   [](const AnsiString& a, const AnsiString& b) { return a.size() > b.size(); });
}

void TV5SplitterParticule::SetString(std::string_view text) {
  const std::string_view whole = TrimView(text);
  particule_.clear();
  patronyme_.assign(whole);
  for (const AnsiString& particle : particles_) {
    if (particle.empty() || !StartsWithNoCase(whole, particle)) continue;
    std::string_view rest = whole.substr(particle.size());
    if (!IsApostrophe(particle.back())) {
      if (rest.empty() || !IsBlank(rest.front())) continue;
    }
    rest = TrimView(rest);
    if (rest.empty()) continue;
    particule_.assign(whole.substr(0, particle.size()));
    patronyme_.assign(rest);
    return;
  }
}

}  // namespace genvora
