// Opens arbitrary bytes as a database under each extension, normally and
// forced: nothing may crash, read out of bounds or allocate beyond the
// bytes given. The file goes through a real path because opening is by
// name; the per-user stores point into a private folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "computations/TGDatabaseSosa.h"
#include "database/TGDatabase.h"
#include "platform/Host.h"
#include "platform/Preferences.h"

namespace {
class SilentHost : public genvora::IHost {
 public:
  genvora::MsgAnswer MessageBox(const genvora::AnsiString&, const genvora::AnsiString&, genvora::MsgButtons buttons,
                                genvora::MsgKind) override {
    return genvora::DefaultAnswerOf(buttons);
  }
  void Progress(const genvora::AnsiString&, std::int64_t, std::int64_t) override {}
  void ProcessMessages() override {}
};

std::string Folder() {
  static std::string folder = [] {
    char templ[] = "/tmp/genvora-fuzz-XXXXXX";
    const char* made = mkdtemp(templ);
    std::string dir = made != nullptr ? made : "/tmp";
    setenv("GENVORA_CONFIG_DIR", (dir + "/config").c_str(), 1);
    return dir;
  }();
  return folder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SilentHost host;
  static genvora::ScopedPrefs prefs;
  genvora::SetHost(&host);
  static const char* const kExtensions[] = {".GV5", ".GV7", ".GV8", ".GV9", ".G11", ".G12", ".genvora"};
  // The first byte picks the extension and the mode; the rest is the file.
  if (size == 0) return 0;
  const char* ext = kExtensions[data[0] % std::size(kExtensions)];
  const bool forced = (data[0] & 0x80) != 0;
  std::string path = Folder() + "/input" + ext;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  genvora::TGDatabaseSosa db;
  db.ReadOnly = true;
  db.ForcedMode = forced;
  db.AssigneNomDeFichier(path);
  try {
    if (db.FichierOuvrir()) {
      db.ReloadLastID();
      db.CheckDatabase();
      db.GetPremierIndividu();
    }
  } catch (const std::exception&) {
  }
  return 0;
}
