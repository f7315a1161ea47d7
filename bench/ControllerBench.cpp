// The file controller's repair of a synthetic database (the work of
// "check --repair": every step over the database in memory, then the safe
// save) beside the cost of opening and saving the same file. One fault of
// each kind the controller repairs is planted every thousand individuals.
// The ratio repair / (open + save) is reported as a counter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "computations/TGDatabaseSosa.h"
#include "computations/TVG5Controleur.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "support/SyntheticFamily.h"

namespace {

namespace fs = std::filesystem;
using genvora::CodeID;

// Codes no record has (below the counter's range of a synthetic family of
// any benchmarked size, above every code it hands out).
constexpr CodeID kNobody = 0x7FFF0000u;

// Plants, for each block of a thousand individuals, one fault of each kind.
// Answers the count of faults planted.
std::uint32_t PlantFaults(genvora::TGDatabase& db) {
  genvora::TGDatabaseTables& t = db.Tables();
  std::vector<CodeID> people;
  const genvora::LArray* list = t.individus->GetCodeList();
  for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2];
    list->FetchItemAt(i, pair);
    people.push_back(pair[0]);
  }
  std::vector<CodeID> surnames;
  const genvora::LArray* nomList = t.dicoNoms->GetCodeList();
  for (int i = 1; i <= static_cast<int>(nomList->GetCount()); ++i) {
    std::uint32_t pair[2];
    nomList->FetchItemAt(i, pair);
    surnames.push_back(pair[0]);
  }
  auto edit = [&](CodeID code, auto change) {
    genvora::TGIndividu indi;
    if (!indi.LitDans(code, t.individus)) return;
    change(indi);
    t.individus->EcritData(&indi);
  };
  std::uint32_t planted = 0;
  for (std::size_t base = 0; base + 8 < people.size(); base += 1000) {
    const CodeID* p = &people[base];
    edit(p[0], [&](genvora::TGIndividu& i) { i.SetCodePere(p[0]); });
    edit(p[1], [&](genvora::TGIndividu& i) { i.SetCodeNom(kNobody); });
    edit(p[2], [&](genvora::TGIndividu& i) { i.SetCodeMere(kNobody + 1); });
    edit(p[3], [&](genvora::TGIndividu& i) { i.SetCodeAdresse(kNobody + 2); });
    genvora::TGUnion u;
    u.SetCodeID(db.GetNextID());
    u.SetEpoux(kNobody + 3);
    u.SetEpouse(p[4]);
    t.unions->EcritData(&u);
    genvora::TGEvenement orphan;
    orphan.SetCodeID(db.GetNextID());
    orphan.SetProprietaire(kNobody + 4);
    orphan.SetType(static_cast<genvora::TV5EventList>(4));
    t.evenements->EcritData(&orphan);
    genvora::TGEvenement wrongType;
    wrongType.SetCodeID(db.GetNextID());
    wrongType.SetProprietaire(p[5]);
    wrongType.SetType(static_cast<genvora::TV5EventList>(61));
    t.evenements->EcritData(&wrongType);
    genvora::TGLien dangling;
    dangling.SetCodeID(db.GetNextID());
    dangling.SetLienDe(p[6]);
    dangling.SetLienVers(kNobody + 5);
    dangling.SetType(1);
    t.liens->EcritData(&dangling);
    genvora::TGLien untyped;
    untyped.SetCodeID(db.GetNextID());
    untyped.SetLienDe(p[6]);
    untyped.SetLienVers(p[7]);
    untyped.SetType(0);
    t.liens->EcritData(&untyped);
    genvora::TVGNote empty;
    empty.NewNote(p[7], "", false);
    empty.EcritDans(p[7], t.notes);
    genvora::TVGNote unused;
    unused.NewNote(kNobody + 6 + static_cast<CodeID>(base), "sans porteur", false);
    unused.EcritDans(kNobody + 6 + static_cast<CodeID>(base), t.notes);
    t.liensPrenoms->AjouteLien(p[8], kNobody + 7, false);
    t.indiMarques->Marque(kNobody + 8 + static_cast<CodeID>(base));
    const CodeID broken = db.GetNextID();
    const unsigned char bytes[6] = {static_cast<unsigned char>(broken), static_cast<unsigned char>(broken >> 8),
                                    static_cast<unsigned char>(broken >> 16), static_cast<unsigned char>(broken >> 24),
                                    1, 2};
    t.individus->genvora::LXArray::EcritData(broken, bytes, sizeof bytes);
    planted += 14;
    const std::size_t s = base / 1000;
    if (s < surnames.size()) {
      genvora::TGNom nom;
      if (nom.LitDans(surnames[s], t.dicoNoms)) {
        nom.SetRattachement(kNobody + 9);
        t.dicoNoms->EcritData(&nom);
        ++planted;
      }
    }
  }
  return planted;
}

struct FaultyFile {
  std::string dir;
  std::string path;
  std::uint32_t planted = 0;
  explicit FaultyFile(std::uint32_t persons) {
    char templ[] = "/tmp/genvora-bench-XXXXXX";
    dir = mkdtemp(templ);
    setenv("GENVORA_CONFIG_DIR", (dir + "/config").c_str(), 1);
    path = dir + "/faulty.genvora";
    genvora::TGDatabaseSosa db;
    genvora::SyntheticFamily(genvora::SyntheticFamilyOptions{persons}, db).Build();
    planted = PlantFaults(db);
    db.SetAsNewFile();
    db.FichierEnregistrerSous(path, false);
  }
  ~FaultyFile() { fs::remove_all(dir); }
};

FaultyFile& File(std::uint32_t persons) {
  static std::map<std::uint32_t, std::unique_ptr<FaultyFile>> files;
  auto& f = files[persons];
  if (!f) f = std::make_unique<FaultyFile>(persons);
  return *f;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ControllerRepair(benchmark::State& state) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  const FaultyFile& file = File(static_cast<std::uint32_t>(state.range(0)));
  const std::string work = file.dir + "/work.genvora";
  double repair = 0, openSave = 0;
  std::size_t changes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(file.path, work, fs::copy_options::overwrite_existing);
    // The baseline: the same file opened and saved.
    auto start = std::chrono::steady_clock::now();
    {
      genvora::TGDatabaseSosa db;
      db.ForcedMode = true;
      db.AssigneNomDeFichier(work);
      if (!db.FichierOuvrir() || !db.FichierFermer(false)) state.SkipWithError("open or save failed");
    }
    openSave += Since(start);
    fs::copy_file(file.path, work, fs::copy_options::overwrite_existing);
    auto db = std::make_unique<genvora::TGDatabaseSosa>();
    db->ForcedMode = true;
    db->AssigneNomDeFichier(work);
    if (!db->FichierOuvrir()) state.SkipWithError("open failed");
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    genvora::TVG5Controleur controleur;
    if (!controleur.TraiterLeFichierAvecDatabase(*db, true)) state.SkipWithError("repair failed");
    repair += Since(start);
    changes = controleur.Changes().size();
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["faults"] = file.planted;
  state.counters["changes"] = static_cast<double>(changes);
  state.counters["repair_s"] = repair / n;
  state.counters["open_save_s"] = openSave / n;
  state.counters["repair_over_open_save"] = repair / openSave;
}
BENCHMARK(BM_ControllerRepair)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
