// Charts of the 1,000,000-person synthetic family, layout and drawing to SVG:
// BM_ChartFan, a 10-generation fan of the person among the last made with
// the most known ancestors in those generations; BM_ChartDescendants, a
// 6-generation descendancy chart of one of that person's ancestors five
// generations up, and of the first person made, whose descendants are the
// whole family. Counters: the places (sectors or boxes) drawn.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>
#include <string>

#include "bench/BenchSupport.h"
#include "charts/ChartDrawing.h"
#include "charts/ChartLayout.h"
#include "computations/TGDatabaseParenteSource.h"

namespace {

using namespace genvora;

struct ChartFamily {
  bench::SyntheticDatabase family = bench::MakeSyntheticDatabase(1000000);
  CodeID fanRoot = 0;
  CodeID descendancyRoot = 0;

  ChartFamily() {
    TGDatabaseParenteSource source(*family.db);
    std::size_t best = 0;
    for (std::size_t i = family.codes.size() - 2000; i < family.codes.size(); ++i) {
      std::vector<CodeID> sosa(1024, 0);
      sosa[1] = family.codes[i];
      std::size_t known = 0;
      for (std::size_t n = 1; n < 512; ++n) {
        if (sosa[n] == 0) continue;
        ++known;
        source.Parents(sosa[n], sosa[2 * n], sosa[2 * n + 1]);
      }
      if (known > best) {
        best = known;
        fanRoot = family.codes[i];
        descendancyRoot = fanRoot;
        for (std::size_t n = 32; n < 64; ++n)
          if (sosa[n] != 0) {
            descendancyRoot = sosa[n];
            break;
          }
      }
    }
  }
};

ChartFamily& Family() {
  static ChartFamily family;
  return family;
}

void Draw(benchmark::State& state, const std::function<ChartLayout(const ChartTextMeasure&)>& make) {
  const std::string out = (std::filesystem::temp_directory_path() / "genvora-chart-bench.svg").string();
  PangoTextMeasure measure;
  std::size_t places = 0;
  for (auto _ : state) {
    const ChartLayout layout = make(measure);
    std::string reason;
    if (!DrawChart(layout, out, ChartFormat::Svg, reason)) state.SkipWithError(reason.c_str());
    places = layout.boxes.size() + layout.sectors.size();
  }
  state.counters["places"] = static_cast<double>(places);
  std::remove(out.c_str());
}

void BM_ChartFan(benchmark::State& state) {
  ChartFamily& f = Family();
  Draw(state, [&](const ChartTextMeasure& m) { return LayoutAncestors(*f.family.db, f.fanRoot, AncestorStyle::Fan, 10, m); });
}
BENCHMARK(BM_ChartFan)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ChartDescendants(benchmark::State& state) {
  ChartFamily& f = Family();
  Draw(state, [&](const ChartTextMeasure& m) {
    return LayoutDescendants(*f.family.db, f.descendancyRoot, DescendantNumbering::Pelissier, 6, m);
  });
}
BENCHMARK(BM_ChartDescendants)->Iterations(3)->Unit(benchmark::kMillisecond);

// The heavy case: the first person made, whose descendants are the whole
// family, six generations of them drawn.
void BM_ChartDescendantsOfTheFounder(benchmark::State& state) {
  ChartFamily& f = Family();
  Draw(state, [&](const ChartTextMeasure& m) {
    return LayoutDescendants(*f.family.db, f.family.codes.front(), DescendantNumbering::Pelissier, 6, m);
  });
}
BENCHMARK(BM_ChartDescendantsOfTheFounder)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
