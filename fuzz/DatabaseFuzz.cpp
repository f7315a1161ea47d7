// Opens arbitrary bytes as a database under each extension, normally and
// forced, reads a few persons whole, exports the file to SQLite and runs the
// file controller on it: nothing may crash, read out of bounds or allocate
// beyond the bytes given. The file goes through a real path because opening is by
// name; the per-user stores point into a private folder.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "computations/TFullIndividu.h"
#include "computations/TFullUnion.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/TVG5Controleur.h"
#include "database/TGDatabase.h"
#include "export/GedcomExport.h"
#include "export/SqliteExport.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "tables/TGTableIndividus.h"

namespace {

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

// A few persons of the file read whole: every list and family circle, and
// the unions with their events and children.
void ReadPersons(genvora::TGDatabase& db) {
  using genvora::CodeID;
  const genvora::LArray* alpha = db.Tables().individus->GetIndexAlpha();
  const int count = std::min(4, static_cast<int>(alpha->GetCount()));
  genvora::LArray list(4, nullptr, false), spouses(4, nullptr, false);
  for (int i = 1; i <= count; ++i) {
    CodeID code = 0;
    alpha->FetchItemAt(i, &code);
    db.Tag = 0;
    try {
      genvora::TFullIndividu person;
      person.SortedList = person.EvenementsON = person.UnionsON = person.ConjointsON = true;
      person.SetFiler(&db);
      person.SetCodeID(code);
      person.EstVivant();
      person.GetSosa();
      person.GetTableLiens();
      person.GetPremierMedia();
      person.Parents(&list);
      person.GrandsParents(&list);
      person.BeauxParents(&list);
      person.FreresEtSoeurs(&list, true, &spouses);
      person.OnclesEtTantes(&list, true, &spouses);
      person.NeveuxEtNieces(&list, true, &spouses);
      person.CousinsEtCousines(&list, true, &spouses);
      person.PetitsEnfants(&list, true, &spouses);
      person.EnfantsConjoint(&list, true, &spouses);
      person.LesEnfantsMono(&list);
      person.RechercheActe();
      const genvora::LArray* unions = person.GetTableUnions();
      for (int u = 1; u <= static_cast<int>(unions->GetCount()) && u <= 4; ++u) {
        CodeID unionCode = 0;
        unions->FetchItemAt(u, &unionCode);
        genvora::TFullUnion full;
        full.SortedList = true;
        full.SetFiler(&db);
        full.SetCodeID(unionCode);
        full.GetDebut();
        full.GetFin();
        full.GetTableEnfants();
      }
    } catch (const std::exception&) {
    }
  }
}

// The whole file exported (to SQLite or GEDCOM), then checked and repaired
// in memory by the file controller (nothing is saved).
enum class Export { None, Sqlite, Gedcom };

void ExportAndRepair(genvora::TGDatabase& db, Export kind) {
  db.Tag = 0;
  std::string error;
  try {
    if (kind == Export::Sqlite) {
      genvora::SqliteExportOptions options;
      options.replace = true;
      genvora::SqliteExportReport report;
      genvora::ExportSqlite(db, Folder() + "/export.sqlite", options, report, error);
    } else if (kind == Export::Gedcom) {
      genvora::GedcomExportOptions options;
      options.replace = true;
      genvora::GedcomExportReport report;
      genvora::ExportGedcom(db, Folder() + "/export.ged", options, report, error);
    }
  } catch (const std::exception&) {
  }
  db.Tag = 0;
  genvora::TVG5Controleur controleur;
  try {
    controleur.TraiterLeFichierAvecDatabase(db, false);
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static genvora::QuietHost host;
  static genvora::ScopedPrefs prefs;
  genvora::SetHost(&host);
  static const char* const kExtensions[] = {".GV5", ".GV7", ".GV8", ".GV9", ".G11", ".G12", ".genvora"};
  // The first byte picks the extension, the mode and whether an export runs
  // too (each writes a file: one input in four for each); the rest is the
  // file.
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
      ReadPersons(db);
      const int exportBits = data[0] & 0x60;
      ExportAndRepair(db, exportBits == 0x60   ? Export::Sqlite
                          : exportBits == 0x40 ? Export::Gedcom
                                               : Export::None);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
