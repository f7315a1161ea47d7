// Date texts: parsing and sort-key computation of 1,000,000 mixed texts.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "dates/TGDate.h"
#include "platform/Encoding.h"

namespace {

std::vector<genvora::AnsiString> MixedTexts(std::size_t count) {
  static const char* const kShapes[] = {"%d",           "vers %d",          "12/03/%d",         "3 mars %d",
                                        "ABT %d",       "BET %d AND 1900",  "entre %d et 1900", "après 5 mai %d",
                                        "/%d",          "3 brumaire an II", "1 Tishri 5760",    "@#DJULIAN@ 1 JAN %d",
                                        "32/13/%d",     "ca %d"};
  std::vector<genvora::AnsiString> texts;
  texts.reserve(count);
  char buf[64];
  for (std::size_t i = 0; i < count; ++i) {
    const char* shape = kShapes[i % std::size(kShapes)];
    std::snprintf(buf, sizeof buf, shape, static_cast<int>(1600 + i % 290));
    texts.push_back(genvora::Utf8ToAnsi(buf));
  }
  return texts;
}

void BM_ParseAndSortKey(benchmark::State& state) {
  static const auto texts = MixedTexts(1000000);
  for (auto _ : state) {
    double sum = 0;
    genvora::TGDate date;
    for (const auto& text : texts) {
      date.SetText(text);
      sum += date.GetDateTriDouble(false);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_ParseAndSortKey)->Unit(benchmark::kMillisecond);

}  // namespace
