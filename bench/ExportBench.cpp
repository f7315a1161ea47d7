// The SQLite export of a synthetic family of 100,000 and 1,000,000 persons: the whole
// walk, the load in one transaction and the rename. Reports the time per
// export, per person, and the size of the file written.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "computations/TGDatabaseSosa.h"
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

}  // namespace
