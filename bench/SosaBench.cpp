// Sosa numbering of the de cujus of a synthetic family of 100,000 and
// 1,000,000 persons: generations double from the de cujus up to a cap and
// then stay at the cap for the remaining generations (about thirty in all),
// parents being drawn at random from the generation above, so that many
// ancestors are reached by several paths (implexes) and some persons are no
// ancestor at all. The counter "ancestors" is the count of records numbered;
// "time_per_ancestor" shows that the time stays linear in it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "computations/TV5SosaMaker.h"
#include "containers/LArray.h"
#include "containers/LComparator.h"

namespace {

using genvora::CodeID;
using genvora::LArray;
using genvora::SosaAncestryEntry;
using genvora::TV5SosaMaker;

// The quick list of `persons` persons; the de cujus is code 1.
std::unique_ptr<LArray> SyntheticQuickList(std::uint32_t persons) {
  const std::uint32_t cap = persons / 16;
  std::vector<std::uint32_t> sizes;  // persons per generation, de cujus first
  std::uint32_t total = 0;
  for (std::uint32_t size = 1; total + size <= persons; size = std::min(size * 2, cap)) {
    sizes.push_back(size);
    total += size;
  }
  std::mt19937 random(20240611);
  auto list = std::make_unique<LArray>(sizeof(SosaAncestryEntry), new genvora::LLongComparator, true);
  std::uint32_t first = 1;  // code of the generation's first person
  for (std::size_t g = 0; g < sizes.size(); ++g) {
    const std::uint32_t above = first + sizes[g];
    const std::uint32_t aboveSize = g + 1 < sizes.size() ? sizes[g + 1] : 0;
    for (std::uint32_t i = 0; i < sizes[g]; ++i) {
      SosaAncestryEntry entry{first + i, 0, 0};
      if (aboveSize >= 2) {
        if (aboveSize == 2 * sizes[g]) {
          // A tree while the generations double: two parents of one's own.
          entry.pere = above + 2 * i;
          entry.mere = above + 2 * i + 1;
        } else {
          entry.pere = above + 2 * static_cast<std::uint32_t>(random() % (aboveSize / 2));
          entry.mere = above + 2 * static_cast<std::uint32_t>(random() % (aboveSize / 2)) + 1;
        }
      }
      list->AddItem(&entry, sizeof entry);
    }
    first = above;
  }
  return list;
}

void RunSosa(benchmark::State& state, genvora::sosaActionT action) {
  const auto persons = static_cast<std::uint32_t>(state.range(0));
  std::unique_ptr<LArray> list = SyntheticQuickList(persons);
  TV5SosaMaker maker;
  maker.SetQuickList(list.get());
  maker.SetDeCujus(1);
  for (auto _ : state) {
    maker.SetAction(action);
    benchmark::DoNotOptimize(maker.GetSOSATbl().GetCount());
  }
  const double ancestors = maker.GetSOSATbl().GetCount();
  state.counters["ancestors"] = ancestors;
  state.counters["time_per_ancestor"] =
      benchmark::Counter(ancestors * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SosaMonoEtoile(benchmark::State& state) { RunSosa(state, genvora::kSosaMonoEtoile); }
void BM_SosaMonoPasse(benchmark::State& state) { RunSosa(state, genvora::kSosaMonoPasse); }
void BM_SosaCount(benchmark::State& state) {
  const auto persons = static_cast<std::uint32_t>(state.range(0));
  std::unique_ptr<LArray> list = SyntheticQuickList(persons);
  TV5SosaMaker maker;
  maker.SetQuickList(list.get());
  unsigned count = 0;
  for (auto _ : state) count = maker.SosaCount(1);
  state.counters["ancestors"] = count;
}

BENCHMARK(BM_SosaMonoEtoile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SosaMonoPasse)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SosaCount)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
