// Windows-1252 to UTF-8 at the edges: a table lookup per byte.
#include <benchmark/benchmark.h>

#include "platform/Encoding.h"

static void BM_AnsiToUtf8(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "Fran\xE7ois L\xE9vesque, ";
  for (auto _ : state) benchmark::DoNotOptimize(genvora::AnsiToUtf8(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_AnsiToUtf8);
