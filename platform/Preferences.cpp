#include "platform/Preferences.h"


namespace genvora {

namespace {
TPreferenceGenvora5* g_prefs = nullptr;

// The defaults of the thresholds, in the order of TSeuilControle.
constexpr std::array<std::int32_t, TPreferenceGenvora5::kNombreSeuils> kSeuilsParDefaut = {
    15, 12, 70, 60, 15, 13, 70, 50, 90, 100, 240, 5, 30};
constexpr std::size_t kOffsetDrapeau = 4 * TPreferenceGenvora5::kNombreSeuils;  // 52

constexpr const char* kCleSeuils = "Seuils";
constexpr const char* kCleDateApproximative = "DateApproximative";
constexpr const char* kCleLieu = "Lieu";
constexpr const char* kCleSource = "Source";
constexpr const char* kCleRecherche = "Recherche";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

TPreferenceGenvora5::TPreferenceGenvora5(std::string configPath) : config_(std::move(configPath)) {
  RestoreDefaultControls();
  ChargeControles();
}

void TPreferenceGenvora5::RestoreDefaultControls() {
  Seuils = kSeuilsParDefaut;
  DrapeauControle = 1;
}

std::array<std::uint8_t, TPreferenceGenvora5::kTailleControles> TPreferenceGenvora5::ControlesEnOctets() const {
  std::array<std::uint8_t, kTailleControles> out{};
  for (int i = 0; i < kNombreSeuils; ++i) {
    const auto v = static_cast<std::uint32_t>(Seuils[i]);
    for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<std::uint8_t>(v >> (8 * b));
  }
  out[kOffsetDrapeau] = DrapeauControle;
  return out;
}

bool TPreferenceGenvora5::ControlesDepuis(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr || size != kTailleControles) return false;
  std::array<std::int32_t, kNombreSeuils> seuils{};
  for (int i = 0; i < kNombreSeuils; ++i) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= static_cast<std::uint32_t>(bytes[4 * i + b]) << (8 * b);
    seuils[i] = static_cast<std::int32_t>(v);
  }
  Seuils = seuils;
  DrapeauControle = bytes[kOffsetDrapeau];
  return true;
}

void TPreferenceGenvora5::ChargeControles() {
  const std::string hex = config_.ReadString(kSectionControles, kCleSeuils, "");
  if (hex.size() == 2 * kTailleControles) {
    std::array<std::uint8_t, kTailleControles> bytes{};
    bool ok = true;
    for (std::size_t i = 0; i < kTailleControles && ok; ++i) {
      const int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
      ok = hi >= 0 && lo >= 0;
      if (ok) bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    if (ok) ControlesDepuis(bytes.data(), bytes.size());
  }
  CompletDateApproximative = config_.ReadInteger(kSectionControles, kCleDateApproximative, CompletDateApproximative) != 0;
  CompletLieu = config_.ReadInteger(kSectionControles, kCleLieu, CompletLieu) != 0;
  CompletSource = config_.ReadInteger(kSectionControles, kCleSource, CompletSource) != 0;
  CompletRecherche = config_.ReadInteger(kSectionControles, kCleRecherche, CompletRecherche) != 0;
}

bool TPreferenceGenvora5::SauveControles() {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (std::uint8_t b : ControlesEnOctets()) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  bool ok = config_.WriteString(kSectionControles, kCleSeuils, hex);
  ok = config_.WriteInteger(kSectionControles, kCleDateApproximative, CompletDateApproximative) && ok;
  ok = config_.WriteInteger(kSectionControles, kCleLieu, CompletLieu) && ok;
  ok = config_.WriteInteger(kSectionControles, kCleSource, CompletSource) && ok;
  ok = config_.WriteInteger(kSectionControles, kCleRecherche, CompletRecherche) && ok;
  return ok;
}

TPreferenceGenvora5* SharedPrefs() { return g_prefs; }
void SetSharedPrefs(TPreferenceGenvora5* prefs) { g_prefs = prefs; }

}  // namespace genvora
