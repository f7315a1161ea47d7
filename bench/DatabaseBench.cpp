// Opening and saving a synthetic database of 1,000,000 individuals, beside
// the cost of reading its bytes (cat) and of copying them (cp): opening
// should stay within 2x the read, saving within 3x the copy. The ratios are
// reported as counters.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "computations/TGDatabaseSosa.h"
#include "database/LegacyWriter.h"
#include "database/TGDatabase.h"
#include "platform/Host.h"
#include "records/TVGNote.h"
#include "support/SyntheticFamily.h"

namespace {

namespace fs = std::filesystem;

struct BenchFile {
  std::string dir;
  std::string path;
  BenchFile() {
    char templ[] = "/tmp/genvora-bench-XXXXXX";
    dir = mkdtemp(templ);
    setenv("GENVORA_CONFIG_DIR", (dir + "/config").c_str(), 1);
    path = dir + "/synthetic.genvora";
    genvora::TGDatabaseSosa db;
    genvora::SyntheticFamily(genvora::SyntheticFamilyOptions{1000000}, db).Build();
    db.SetAsNewFile();
    db.FichierEnregistrerSous(path, false);
  }
  ~BenchFile() { fs::remove_all(dir); }
};

BenchFile& File() {
  static BenchFile file;
  return file;
}

double Seconds(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_OpenMillionIndividuals(benchmark::State& state) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  const std::string& path = File().path;
  double cat = Seconds("cat '" + path + "' > /dev/null");
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    genvora::TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(path);
    if (!db.FichierOuvrir()) state.SkipWithError("open failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(path));
  state.counters["cat_s"] = cat;
  state.counters["open_over_cat"] = total / static_cast<double>(state.iterations()) / cat;
}
BENCHMARK(BM_OpenMillionIndividuals)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveMillionIndividuals(benchmark::State& state) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  const std::string& path = File().path;
  const std::string copy = File().dir + "/copy.genvora";
  double cp = Seconds("cp '" + path + "' '" + copy + "' && sync -f '" + copy + "'");
  genvora::TGDatabaseSosa db;
  db.ReadOnly = true;
  db.AssigneNomDeFichier(path);
  if (!db.FichierOuvrir()) state.SkipWithError("open failed");
  const std::string out = File().dir + "/saved.genvora";
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (!db.FichierEnregistrerSous(out, false)) state.SkipWithError("save failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["cp_s"] = cp;
  state.counters["save_over_cp"] = total / static_cast<double>(state.iterations()) / cp;
}
BENCHMARK(BM_SaveMillionIndividuals)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same million individuals written as a ".GV7" file whose individuals
// keep notes in their records, as that generation did: one in ten has one.
struct OldFile {
  std::string path;
  OldFile() {
    path = File().dir + "/synthetic.GV7";
    genvora::TGDatabaseSosa db;
    genvora::SyntheticFamily(genvora::SyntheticFamilyOptions{1000000}, db).Build();
    genvora::LArray* codes = db.Tables().individus->GetCodeList();
    for (int i = 10; i <= static_cast<int>(codes->GetCount()); i += 10) {
      std::uint32_t pair[2];
      codes->FetchItemAt(i, pair);
      genvora::TVGNote note;
      note.NewNote(pair[0], "Vu dans le registre paroissial", false);
      note.EcritDans(pair[0], db.Tables().notes);
    }
    db.RemetNotesVersStructure();
    genvora::EcritGeneration(db, path, genvora::Generation::GV7);
  }
};

// Open a ".GV7" file (reading and the upgrades 12 to 14), then save it in
// the current layout; the two phases are reported apart.
void BM_UpgradeMillionIndividualsFromGV7(benchmark::State& state) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  static OldFile old;
  const std::string out = File().dir + "/upgraded.genvora";
  double open = 0, save = 0;
  genvora::TGDatabase::UpgradeReport report;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    genvora::TGDatabaseSosa db;
    db.ReadOnly = true;
    db.AssigneNomDeFichier(old.path);
    if (!db.FichierOuvrir()) state.SkipWithError("open failed");
    auto opened = std::chrono::steady_clock::now();
    if (!db.FichierEnregistrerSous(out, false)) state.SkipWithError("save failed");
    auto saved = std::chrono::steady_clock::now();
    open += std::chrono::duration<double>(opened - start).count();
    save += std::chrono::duration<double>(saved - opened).count();
    report = db.LastUpgradeReport();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["gv7_bytes"] = static_cast<double>(fs::file_size(old.path));
  state.counters["open_upgrade_s"] = open / n;
  state.counters["save_s"] = save / n;
  state.counters["notes_moved"] = report.notesMoved;
  state.counters["first_name_links"] = report.firstNameLinks;
  state.counters["profession_links"] = report.professionLinks;
}
BENCHMARK(BM_UpgradeMillionIndividualsFromGV7)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
