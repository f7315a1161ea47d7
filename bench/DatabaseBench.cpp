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

#include "database/SampleFamily.h"
#include "database/TGDatabase.h"
#include "platform/Host.h"

namespace {

namespace fs = std::filesystem;

class QuietHost : public genvora::IHost {
 public:
  genvora::MsgAnswer MessageBox(const genvora::AnsiString&, const genvora::AnsiString&, genvora::MsgButtons b,
                                genvora::MsgKind) override {
    return genvora::DefaultAnswerOf(b);
  }
  void Progress(const genvora::AnsiString&, std::int64_t, std::int64_t) override {}
  void ProcessMessages() override {}
};

struct BenchFile {
  std::string dir;
  std::string path;
  BenchFile() {
    char templ[] = "/tmp/genvora-bench-XXXXXX";
    dir = mkdtemp(templ);
    setenv("GENVORA_CONFIG_DIR", (dir + "/config").c_str(), 1);
    path = dir + "/synthetic.genvora";
    genvora::TGDatabase db;
    genvora::FillSyntheticFamily(db, 1000000);
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
  static QuietHost host;
  genvora::SetHost(&host);
  const std::string& path = File().path;
  double cat = Seconds("cat '" + path + "' > /dev/null");
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    genvora::TGDatabase db;
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
  static QuietHost host;
  genvora::SetHost(&host);
  const std::string& path = File().path;
  const std::string copy = File().dir + "/copy.genvora";
  double cp = Seconds("cp '" + path + "' '" + copy + "' && sync -f '" + copy + "'");
  genvora::TGDatabase db;
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

}  // namespace
