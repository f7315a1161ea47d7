// The SQLite export of a synthetic family of 100,000 and 1,000,000 persons: the whole
// walk, the load in one transaction and the rename. Reports the time per
// export, per person, and the size of the file written.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "computations/TGDatabaseSosa.h"
#include "bench/BenchSupport.h"
#include "export/GedcomExport.h"
#include "export/SqliteExport.h"
#include "platform/Host.h"
#include "support/SyntheticFamily.h"

namespace {

using namespace genvora;

void BM_ExportSqlite(benchmark::State& state) {
  const auto persons = static_cast<std::uint32_t>(state.range(0));
  QuietHost quiet;
  SetHost(&quiet);
  auto db = std::make_unique<TGDatabaseSosa>();
  db->SetAsNewFile();
  SyntheticFamily family(SyntheticFamilyOptions{persons, 20240601}, *db);
  family.Build();
  const std::string out =
      (std::filesystem::temp_directory_path() / ("genvora-export-bench-" + std::to_string(persons) + ".sqlite")).string();
  SqliteExportOptions options;
  options.replace = true;
  std::uintmax_t size = 0;
  for (auto _ : state) {
    SqliteExportReport report;
    std::string error;
    if (!ExportSqlite(*db, out, options, report, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    size = std::filesystem::file_size(out);
  }
  std::remove(out.c_str());
  SetHost(nullptr);
  state.counters["file_MB"] = static_cast<double>(size) / 1.0e6;
  state.counters["time_per_person"] = benchmark::Counter(static_cast<double>(state.iterations()) * persons,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ExportSqlite)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond);
// The size of the aim (under 15 s); run it alone with --benchmark_filter=BM_ExportSqlite/1000000/.
BENCHMARK(BM_ExportSqlite)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The peak resident size of the process so far, in MB.
double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The GEDCOM export of the same family: the walk and the writing of the
// file. peak_MB is the process's peak after the export; held_MB what the
// export added to the peak the built database had reached.
void BM_GedcomExport(benchmark::State& state) {
  const auto persons = static_cast<std::uint32_t>(state.range(0));
  bench::SyntheticDatabase synthetic = bench::MakeSyntheticDatabase(persons);
  QuietHost quiet;
  SetHost(&quiet);
  const std::string out =
      (std::filesystem::temp_directory_path() / ("genvora-export-bench-" + std::to_string(persons) + ".ged")).string();
  GedcomExportOptions options;
  options.replace = true;
  std::uintmax_t size = 0;
  const double before = PeakMegabytes();
  for (auto _ : state) {
    GedcomExportReport report;
    std::string error;
    if (!ExportGedcom(*synthetic.db, out, options, report, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    size = std::filesystem::file_size(out);
  }
  std::remove(out.c_str());
  SetHost(nullptr);
  state.counters["file_MB"] = static_cast<double>(size) / 1.0e6;
  state.counters["peak_MB"] = PeakMegabytes();
  state.counters["held_MB"] = PeakMegabytes() - before;
  state.counters["time_per_person"] = benchmark::Counter(static_cast<double>(state.iterations()) * persons,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GedcomExport)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
// The aim: under 10 s. Run it alone with --benchmark_filter='BM_GedcomExport/1000000/'.
BENCHMARK(BM_GedcomExport)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
