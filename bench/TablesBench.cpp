// The tables at scale: building every table and index of a synthetic family
// of 100,000 and 1,000,000 individuals (the ratio of the two times shows the
// growth), then the per-person queries and the surname look-ups on the
// larger one.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "SyntheticFamily.h"
#include "containers/LArray.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"

namespace {

using genvora::LArray;
using genvora::SyntheticFamily;
using genvora::SyntheticFamilyOptions;

void BM_BuildTables(benchmark::State& state) {
  for (auto _ : state) {
    auto family = std::make_unique<SyntheticFamily>(SyntheticFamilyOptions{static_cast<std::uint32_t>(state.range(0)), 7});
    family->Build();
    state.counters["events"] = family->EventCount();
    benchmark::DoNotOptimize(family->Individus().GetIndexAlpha()->GetCount());
    // Tearing the tables down is not part of building them.
    state.PauseTiming();
    family.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildTables)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

SyntheticFamily& Million() {
  static std::unique_ptr<SyntheticFamily> family = [] {
    auto built = std::make_unique<SyntheticFamily>(SyntheticFamilyOptions{1000000, 11});
    built->Build();
    return built;
  }();
  return *family;
}

template <typename Query>
void RunQueries(benchmark::State& state, int queries, Query query) {
  SyntheticFamily& family = Million();
  std::mt19937 random(3);
  const auto& codes = family.CodesIndividus();
  std::vector<genvora::CodeID> picks(static_cast<std::size_t>(queries));
  for (auto& pick : picks) pick = codes[random() % codes.size()];
  LArray out(4, nullptr, false);
  std::size_t answers = 0;
  for (auto _ : state) {
    for (genvora::CodeID code : picks) {
      out.Flush();
      query(family, code, out);
      answers += out.GetCount();
    }
  }
  state.counters["per_query_us"] =
      benchmark::Counter(static_cast<double>(queries), benchmark::Counter::kIsIterationInvariantRate |
                                                           benchmark::Counter::kInvert);
  state.counters["answers"] = static_cast<double>(answers) / static_cast<double>(state.iterations());
}

void BM_Children(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Individus().LesEnfantsDe(code, 0, &out);
  });
}
void BM_Events(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Evenements().LesEvenementsDe(code, &out);
  });
}
void BM_Unions(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Unions().LesUnionsDe(code, 0, &out);
    f.Unions().LesUnionsDe(0, code, &out);
  });
}
void BM_Ancestors(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Individus().AscendanceDe(code, &out);
  });
}
void BM_SurnameLookup(benchmark::State& state) {
  SyntheticFamily& family = Million();
  std::mt19937 random(5);
  const auto& texts = family.TextesNoms();
  std::size_t hits = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) hits += family.Noms().NomExists(texts[random() % texts.size()]) != 0;
  }
  state.counters["per_query_us"] =
      benchmark::Counter(10000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Children)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Events)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unions)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ancestors)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurnameLookup)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
