#include "platform/Preferences.h"

namespace genvora {

namespace {
TPreferenceGenvora5* g_prefs = nullptr;
}

TPreferenceGenvora5::TPreferenceGenvora5(std::string configPath) : config_(std::move(configPath)) {}

TPreferenceGenvora5* SharedPrefs() { return g_prefs; }
void SetSharedPrefs(TPreferenceGenvora5* prefs) { g_prefs = prefs; }

}  // namespace genvora
